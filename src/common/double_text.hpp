#pragma once

#include <string>

namespace zorvanil {

// Shortest text that reads back as the same double, without exponent for ordinary magnitudes.
std::string doubleToString(double value);

}  // namespace zorvanil
