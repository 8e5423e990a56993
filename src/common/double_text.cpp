#include "common/double_text.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace zorvanil {

std::string doubleToString(double value) {
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", value);
        return buf;
    }
    char buf[64];
    for (int precision = 15; precision <= 17; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, value);
        if (std::strtod(buf, nullptr) == value) break;
    }
    return buf;
}

}  // namespace zorvanil
