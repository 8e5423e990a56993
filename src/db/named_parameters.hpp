#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorvanil::db {

// A statement as an ODBC driver takes it: every parameter marker a "?", in the order of the
// text, with the name each had.
struct MarkedStatement {
    std::string text;
    std::vector<std::string> names;  // without the ':'; empty for a marker written "?"
};

// Rewrites the named parameters (":NAME") of a statement to "?" in order. Literals between
// apostrophes, identifiers between double quotes and comments are copied as they stand, so a
// time such as '10:30:00' is no parameter.
MarkedStatement markParameters(std::string_view sql);

}  // namespace zorvanil::db
