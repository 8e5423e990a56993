#pragma once

#include <string>

#include "common/variant.hpp"

namespace zorvanil::update {

// A value of a change row pasted bare into a statement as a number: its text
// (Variant::toString: 2.5 is "2.5", 10 is "10"), with a decimal comma turned into a point. A text
// that is no number ("1 OR 1=1", the empty text of a null) fails with "'%s' is not a valid
// floating point value" instead of becoming part of the statement.
std::string sqlNumber(const Variant& value);

}  // namespace zorvanil::update
