#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorvanil::db {

// The names of the ":NAME" parameters of a statement, in order of first appearance, each once
// (letter case ignored). Text inside quotes is not searched; "::" is not a parameter.
std::vector<std::string> parseParamNames(std::string_view sql);

}  // namespace zorvanil::db
