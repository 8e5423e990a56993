#include "support/list_options.hpp"

#include "read/option_tokens.hpp"
#include "support/case_names.hpp"

namespace zorvanil::test {

namespace {

struct Token {
    const char* name;
    std::string ListOptions::*value;
};

constexpr Token kTokens[] = {
    {"pageNumber", &ListOptions::pageNumber},
    {"pageSize", &ListOptions::pageSize},
    {"company", &ListOptions::company},
    {"year", &ListOptions::year},
    {"year2", &ListOptions::year2},
    {"typeFilter", &ListOptions::typeFilter},
    {"searchText", &ListOptions::searchText},
    {"searchMode", &ListOptions::searchMode},
    {"orderClause", &ListOptions::orderClause},
    {"detailOrderClause", &ListOptions::detailOrderClause},
    {"deletedFilter", &ListOptions::deletedFilter},
    {"value2", &ListOptions::value2},
    {"extraClause", &ListOptions::extraClause},
    {"series", &ListOptions::series},
};

}  // namespace

std::string ListOptions::text() const {
    std::string out;
    for (const Token& t : kTokens) {
        out += this->*t.value;
        out += read::kTokenSeparator;
    }
    return out;
}

std::string ListOptions::shown() const {
    const ListOptions defaults;
    std::string out;
    for (const Token& t : kTokens) {
        if (this->*t.value == defaults.*t.value) continue;
        if (!out.empty()) out += ' ';
        out += t.name;
        out += '=';
        out += quotedText(this->*t.value);
    }
    return out.empty() ? "(default tokens)" : out;
}

void PrintTo(const ListOptions& options, std::ostream* os) {
    *os << options.shown();
}

std::string tokens(std::initializer_list<std::string_view> values) {
    std::string out;
    for (std::string_view v : values) {
        out += v;
        out += read::kTokenSeparator;
    }
    return out;
}

CaseOptions::CaseOptions(const ListOptions& options)
    : text(options.text()), shown(options.shown()) {}

CaseOptions::CaseOptions(std::string optionsText) : text(std::move(optionsText)) {
    if (text.empty()) {
        shown = "(empty options string)";
        return;
    }
    shown = "tokens";
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t end = rest.find(read::kTokenSeparator);
        shown += ' ';
        shown += quotedText(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view()
                                             : rest.substr(end + read::kTokenSeparator.size());
    }
}

}  // namespace zorvanil::test
