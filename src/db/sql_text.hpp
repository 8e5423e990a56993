#pragma once

#include <cstddef>
#include <string_view>

namespace zorvanil::db {

// Whether `c` opens quoted text ('...') or a quoted name ("...") in SQL text.
inline bool opensQuoted(char c) {
    return c == '\'' || c == '"';
}

// The position of the quote that closes what opens at `open`, or the end of `sql` when nothing
// closes it. Scanners of SQL text skip there, so that nothing inside quotes is taken for SQL.
inline std::size_t closingQuote(std::string_view sql, std::size_t open) {
    std::size_t close = sql.find(sql[open], open + 1);
    return close == std::string_view::npos ? sql.size() : close;
}

}  // namespace zorvanil::db
