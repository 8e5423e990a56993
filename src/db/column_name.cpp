#include "db/column_name.hpp"

#include "common/text.hpp"

namespace zorvanil::db {

namespace {

bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isPlainIdentifier(std::string_view name) {
    if (name.empty()) return false;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || isAsciiDigit(c) || c == '_' ||
              c == '$' || c == '#' || c == '@'))
            return false;
    return !isAsciiDigit(name[0]);
}

}  // namespace

std::string reportedColumnName(std::string_view name, int position) {
    return isPlainIdentifier(name) ? upperCase(name) : std::to_string(position);
}

}  // namespace zorvanil::db
