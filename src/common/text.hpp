#pragma once

#include <string>
#include <string_view>

namespace zorvanil {

// Letter case ignored (ASCII letters), as names of providers, parameters and fields are compared.
// Names are looked up in lists of dozens, most of another length: that much is told inline.
bool sameTextOfSameLength(std::string_view a, std::string_view b);
inline bool sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && sameTextOfSameLength(a, b);
}
// Case-insensitive ordering: negative, zero or positive.
int compareText(std::string_view a, std::string_view b);
std::string upperCase(std::string_view text);
// Removes every character whose code is 32 or lower from the ends.
std::string_view trim(std::string_view text);
std::string_view trimLeft(std::string_view text);
std::string_view trimRight(std::string_view text);
// Cuts a UTF-8 text to at most `chars` characters without splitting a character.
std::string_view cutToChars(std::string_view text, std::size_t chars);
// The longest start of the text of at most `bytes` bytes that ends between two UTF-8 characters.
std::string_view cutToBytes(std::string_view text, std::size_t bytes);
// A value for a place between apostrophes in SQL text, each apostrophe doubled: the database reads
// the value as typed, and the value cannot end the literal early.
std::string doubleApostrophes(std::string_view value);
// A client's value as a message repeats it: at most kEchoedChars characters, cut without
// splitting a character and then ended by "...", so that the message stays readable (and small)
// whatever was sent. Every message that carries a client's value passes it through here.
inline constexpr std::size_t kEchoedChars = 100;
std::string echoed(std::string_view value);
// A name for a place between identifier quotes in SQL text (`quote`, a double quote unless the
// database quotes otherwise), each such quote doubled, for the same reason.
std::string doubleQuotes(std::string_view name, char quote = '"');

struct CaseInsensitiveLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return compareText(a, b) < 0; }
};

}  // namespace zorvanil
