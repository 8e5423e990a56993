#pragma once

#include <string_view>

namespace zorvanil::catalogue {

// The login the catalogue gives the connection, and the one the configuration file falls back to
// when it cannot be read.
inline constexpr std::string_view kDefaultUserName = "z";
inline constexpr std::string_view kDefaultPassword = "z";

// The database name the configuration file falls back to when it cannot be read.
inline constexpr std::string_view kDefaultDatabase = "ZORVANIL";

}  // namespace zorvanil::catalogue
