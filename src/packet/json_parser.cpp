#include "packet/json_parser.hpp"

#include <charconv>
#include <string>

#include <boost/json/basic_parser_impl.hpp>
#include <boost/json/error.hpp>
#include <boost/json/value_stack.hpp>

namespace zorvanil::packet {

namespace json = boost::json;
using boost::system::error_code;

double nearestDouble(std::string_view text, double parsed) {
    double nearest;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), nearest);
    return ec == std::errc() && end == text.data() + text.size() ? nearest : parsed;
}

// Builds the value as Boost.JSON's own parser does, on a value stack, except for doubles; and
// leaves out the objects one level inside the top-level member `outer`, when one is named.
struct JsonParser::Handler {
    static constexpr std::size_t max_object_size = json::object::max_size();
    static constexpr std::size_t max_array_size = json::array::max_size();
    static constexpr std::size_t max_key_size = json::string::max_size();
    static constexpr std::size_t max_string_size = json::string::max_size();

    json::value_stack st;
    std::string number;  // the parts of a number read so far, when it came in several

    std::string_view outer;  // empty: nothing is left out
    std::size_t depth = 0;   // the objects and arrays open, left-out ones not counted
    bool topIsObject = false;
    std::string topKey;       // the last key of the top-level object
    std::string keyParts;     // the parts of that key read so far
    bool inOuter = false;     // inside the object of the member `outer`
    std::size_t skipped = 0;  // the depth inside an object being left out

    void reset(std::string_view leftOut) {
        number.clear();
        outer = leftOut;
        depth = 0;
        topIsObject = false;
        topKey.clear();
        keyParts.clear();
        inOuter = false;
        skipped = 0;
    }

    bool on_document_begin(error_code&) { return true; }
    bool on_document_end(error_code&) { return true; }
    bool on_object_begin(error_code&) {
        if (skipped || (inOuter && depth == 2)) {
            ++skipped;
            return true;
        }
        ++depth;
        if (depth == 1) topIsObject = true;
        if (depth == 2 && topIsObject && !outer.empty() && topKey == outer) inOuter = true;
        return true;
    }
    bool on_object_end(std::size_t n, error_code&) {
        if (skipped) {
            // The object left out stands as an empty one.
            if (--skipped == 0) st.push_object(0);
            return true;
        }
        if (depth == 2) inOuter = false;
        --depth;
        st.push_object(n);
        return true;
    }
    bool on_array_begin(error_code&) {
        if (skipped) {
            ++skipped;
            return true;
        }
        ++depth;
        return true;
    }
    bool on_array_end(std::size_t n, error_code&) {
        if (skipped) {
            --skipped;
            return true;
        }
        --depth;
        st.push_array(n);
        return true;
    }
    bool on_key_part(json::string_view s, std::size_t, error_code&) {
        if (skipped) return true;
        if (depth == 1) keyParts.append(s.data(), s.size());
        st.push_chars(s);
        return true;
    }
    bool on_key(json::string_view s, std::size_t, error_code&) {
        if (skipped) return true;
        if (depth == 1) {
            topKey = keyParts;
            topKey.append(s.data(), s.size());
            keyParts.clear();
        }
        st.push_key(s);
        return true;
    }
    bool on_string_part(json::string_view s, std::size_t, error_code&) {
        if (!skipped) st.push_chars(s);
        return true;
    }
    bool on_string(json::string_view s, std::size_t, error_code&) {
        if (!skipped) st.push_string(s);
        return true;
    }
    bool on_number_part(json::string_view s, error_code&) {
        if (!skipped) number.append(s.data(), s.size());
        return true;
    }
    bool on_int64(std::int64_t i, json::string_view, error_code&) {
        number.clear();
        if (!skipped) st.push_int64(i);
        return true;
    }
    bool on_uint64(std::uint64_t u, json::string_view, error_code&) {
        number.clear();
        if (!skipped) st.push_uint64(u);
        return true;
    }
    // The text is read again by from_chars, which rounds correctly. A number beyond the range of
    // a double keeps Boost.JSON's reading (an infinity, or zero).
    bool on_double(double d, json::string_view s, error_code&) {
        if (!skipped) {
            std::string_view text(s.data(), s.size());
            if (!number.empty()) {
                number.append(s.data(), s.size());
                text = number;
            }
            st.push_double(nearestDouble(text, d));
        }
        number.clear();
        return true;
    }
    bool on_bool(bool b, error_code&) {
        if (!skipped) st.push_bool(b);
        return true;
    }
    bool on_null(error_code&) {
        if (!skipped) st.push_null();
        return true;
    }
    bool on_comment_part(json::string_view, error_code&) { return true; }
    bool on_comment(json::string_view, error_code&) { return true; }
};

struct JsonParser::Parser : json::basic_parser<Handler> {
    explicit Parser(const json::parse_options& options) : json::basic_parser<Handler>(options) {}
};

JsonParser::JsonParser(const json::parse_options& options)
    : parser_(std::make_unique<Parser>(options)) {}

JsonParser::~JsonParser() = default;

json::value JsonParser::parse(std::string_view text, error_code& ec, json::storage_ptr storage) {
    return parseLeavingOut(text, {}, ec, std::move(storage));
}

json::value JsonParser::parseLeavingOut(std::string_view text, std::string_view outer,
                                        error_code& ec, json::storage_ptr storage) {
    parser_->reset();
    parser_->handler().reset(outer);
    parser_->handler().st.reset(std::move(storage));
    const std::size_t used = parser_->write_some(false, text.data(), text.size(), ec);
    if (!ec && used < text.size()) ec = json::error::extra_data;
    if (ec) return nullptr;
    return parser_->handler().st.release();
}

json::value parseJson(std::string_view text, error_code& ec, json::storage_ptr storage) {
    JsonParser parser;
    return parser.parse(text, ec, std::move(storage));
}

}  // namespace zorvanil::packet
