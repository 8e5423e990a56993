#include "net/json_members.hpp"

#include <algorithm>
#include <deque>

#include <boost/json/parse.hpp>

namespace zorvanil::net {

namespace {

class Scanner {
  public:
    Scanner(std::string_view text, JsonMembers& out) : text_(text), out_(out) {}

    using Members = std::vector<std::pair<std::string, std::string_view>>;

    // A value; when it is an object, its members are listed in `members` (none: not listed).
    void value(Members* members) {
        blanks();
        if (at_ >= text_.size()) return;
        switch (text_[at_]) {
            case '{':
                object(members);
                break;
            case '[':
                array();
                break;
            case '"':
                string();
                break;
            default:
                while (at_ < text_.size() && !endsScalar(text_[at_]))
                    ++at_;
        }
    }

  private:
    static bool endsScalar(char c) {
        return c == ',' || c == ']' || c == '}' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
    }
    void blanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\r' || text_[at_] == '\n'))
            ++at_;
    }
    // The string at the current place, quotes included, with the place moved past it.
    std::string_view string() {
        const std::size_t start = at_++;
        while (at_ < text_.size() && text_[at_] != '"')
            at_ += text_[at_] == '\\' ? 2 : 1;
        ++at_;
        return text_.substr(start, at_ - start);
    }
    // A member name as its text means it: escapes, which are rare, are read by the parser and
    // the name kept aside.
    std::string_view name(std::string_view quoted) {
        if (quoted.find('\\') == std::string_view::npos) return quoted.substr(1, quoted.size() - 2);
        boost::system::error_code ec;
        boost::json::value v = boost::json::parse(quoted, ec);
        if (ec || !v.is_string()) return quoted;
        return unescaped_.emplace_back(v.get_string());
    }
    void array() {
        ++at_;
        blanks();
        while (at_ < text_.size() && text_[at_] != ']') {
            value(nullptr);
            blanks();
            if (at_ < text_.size() && text_[at_] == ',') ++at_;
            blanks();
        }
        ++at_;
    }
    void object(Members* members) {
        ++at_;
        std::vector<std::string_view> names;
        blanks();
        while (at_ < text_.size() && text_[at_] != '}') {
            names.push_back(name(string()));
            blanks();
            ++at_;  // the colon
            blanks();
            const std::size_t start = at_;
            const bool params = members == &out_.top && names.back() == "params";
            value(params ? &out_.params : nullptr);
            if (members)
                members->emplace_back(std::string(names.back()), text_.substr(start, at_ - start));
            blanks();
            if (at_ < text_.size() && text_[at_] == ',') ++at_;
            blanks();
        }
        ++at_;
        if (!out_.repeated.empty() || names.size() < 2) return;
        std::sort(names.begin(), names.end());
        auto twice = std::adjacent_find(names.begin(), names.end());
        if (twice != names.end()) out_.repeated = std::string(*twice);
    }

    std::string_view text_;
    JsonMembers& out_;
    std::size_t at_ = 0;
    std::deque<std::string> unescaped_;  // stays where it is as it grows
};

}  // namespace

std::string_view JsonMembers::valueText(std::string_view name) const {
    for (const auto& [member, text] : top)
        if (member == name) return text;
    return {};
}

JsonMembers scanJsonMembers(std::string_view text) {
    JsonMembers members;
    Scanner(text, members).value(&members.top);
    return members;
}

}  // namespace zorvanil::net
