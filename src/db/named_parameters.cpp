#include "db/named_parameters.hpp"

namespace zorvanil::db {

namespace {

bool startsName(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool continuesName(char c) {
    return startsName(c) || (c >= '0' && c <= '9') || c == '$' || c == '#' || c == '@';
}

// The end of the quoted run that starts at `at` (a doubled quote stays inside it).
std::size_t endOfQuoted(std::string_view sql, std::size_t at) {
    const char quote = sql[at];
    std::size_t i = at + 1;
    while (i < sql.size()) {
        if (sql[i++] != quote) continue;
        if (i < sql.size() && sql[i] == quote) {
            ++i;
            continue;
        }
        break;
    }
    return i;
}

std::size_t endOfComment(std::string_view sql, std::size_t at) {
    if (sql[at + 1] == '-') {
        const std::size_t eol = sql.find('\n', at);
        return eol == std::string_view::npos ? sql.size() : eol;
    }
    const std::size_t close = sql.find("*/", at + 2);
    return close == std::string_view::npos ? sql.size() : close + 2;
}

}  // namespace

MarkedStatement markParameters(std::string_view sql) {
    MarkedStatement marked;
    marked.text.reserve(sql.size());
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        std::size_t end = i + 1;
        if (c == '\'' || c == '"') {
            end = endOfQuoted(sql, i);
        } else if ((c == '-' || c == '/') && i + 1 < sql.size() &&
                   sql[i + 1] == (c == '-' ? '-' : '*')) {
            end = endOfComment(sql, i);
        } else if (c == '?') {
            marked.names.emplace_back();
        } else if (c == ':' && i + 1 < sql.size() && startsName(sql[i + 1])) {
            while (end < sql.size() && continuesName(sql[end]))
                ++end;
            marked.names.emplace_back(sql.substr(i + 1, end - i - 1));
            marked.text += '?';
            i = end;
            continue;
        }
        marked.text.append(sql.substr(i, end - i));
        i = end;
    }
    return marked;
}

}  // namespace zorvanil::db
