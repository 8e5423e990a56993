#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zorvanil {

// The character that starts at text[pos], advancing pos past it; a byte that starts no well-formed
// UTF-8 sequence (overlong forms and surrogates included) gives -1 and advances by one byte.
long decodeUtf8(std::string_view text, std::size_t& pos);

// Appends the UTF-8 form of the character `cp`.
void appendUtf8(std::string& out, long cp);

}  // namespace zorvanil
