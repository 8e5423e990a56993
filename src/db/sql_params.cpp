#include "db/sql_params.hpp"

#include <cctype>

#include "common/text.hpp"
#include "db/sql_text.hpp"

namespace zorvanil::db {

namespace {
bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}
}  // namespace

std::vector<std::string> parseParamNames(std::string_view sql) {
    std::vector<std::string> names;
    // Most statements have no parameter at all (a name lookup for each row read has none).
    if (sql.find(':') == std::string_view::npos) return names;
    for (std::size_t i = 0; i < sql.size(); ++i) {
        char c = sql[i];
        if (opensQuoted(c)) {
            i = closingQuote(sql, i);
            continue;
        }
        if (c != ':') continue;
        if (i + 1 < sql.size() && sql[i + 1] == ':') {
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        while (end < sql.size() && isNameChar(sql[end]))
            ++end;
        if (end == i + 1) continue;
        std::string name(sql.substr(i + 1, end - i - 1));
        bool known = false;
        for (auto& n : names)
            known = known || sameText(n, name);
        if (!known) names.push_back(std::move(name));
        i = end - 1;
    }
    return names;
}

}  // namespace zorvanil::db
