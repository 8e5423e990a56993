#pragma once

#include <string>
#include <string_view>

namespace zorvanil {

// Blobs travel as base64 text.
std::string base64Encode(std::string_view bytes);
// Decodes base64; throws Error on text that is not base64.
std::string base64Decode(std::string_view text);

}  // namespace zorvanil
