#include "update/sql_number.hpp"

#include <algorithm>

namespace zorvanil::update {

std::string sqlNumber(const Variant& value) {
    std::string text = value.toString();
    // Reads the text as the platform reads a floating point number, which fails for anything
    // else; the statement takes the text itself, so that 10 stays "10".
    (void)stringToDouble(text);
    std::replace(text.begin(), text.end(), ',', '.');
    return text;
}

}  // namespace zorvanil::update
