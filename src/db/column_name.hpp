#pragma once

#include <string>
#include <string_view>

namespace zorvanil::db {

// The name of a result column as DB2 reports it: a plain identifier in upper case, and any
// other name (an expression such as MAX(X)) by its position from 1.
std::string reportedColumnName(std::string_view name, int position);

}  // namespace zorvanil::db
