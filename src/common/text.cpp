#include "common/text.hpp"

#include <cstdint>
#include <cstring>

namespace zorvanil {

namespace {
inline unsigned char lower(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

// The eight bytes at `p` with the letters A to Z in lower case and every other byte as it is,
// told for all eight at once: no byte's sum below carries into the next.
std::uint64_t lower8(const char* p) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    const std::uint64_t low7 = w & ~kHighs;
    const std::uint64_t fromA = low7 + kOnes * (0x80 - 'A');   // high bit: at least 'A'
    const std::uint64_t pastZ = low7 + kOnes * (0x7F - 'Z');   // high bit: past 'Z'
    const std::uint64_t upper = fromA & ~pastZ & ~w & kHighs;  // and an ASCII byte
    return w | (upper >> 2);
}
}  // namespace

bool sameTextOfSameLength(std::string_view a, std::string_view b) {
    // Field names run to a dozen characters or more, most beginning alike ("ID_", "COD_"):
    // they are compared eight characters at a time.
    std::size_t i = 0;
    for (; i + 8 <= a.size(); i += 8)
        if (lower8(a.data() + i) != lower8(b.data() + i)) return false;
    for (; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

int compareText(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        int d = int(lower(a[i])) - int(lower(b[i]));
        if (d != 0) return d;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

std::string upperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

std::string_view trimLeft(std::string_view text) {
    std::size_t b = 0;
    while (b < text.size() && static_cast<unsigned char>(text[b]) <= ' ')
        ++b;
    return text.substr(b);
}

std::string_view trimRight(std::string_view text) {
    std::size_t e = text.size();
    while (e > 0 && static_cast<unsigned char>(text[e - 1]) <= ' ')
        --e;
    return text.substr(0, e);
}

std::string_view trim(std::string_view text) {
    return trimRight(trimLeft(text));
}

std::string_view cutToChars(std::string_view text, std::size_t chars) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A byte that does not continue a multi-byte sequence starts a new character.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (count == chars) return text.substr(0, i);
            ++count;
        }
    }
    return text;
}

std::string_view cutToBytes(std::string_view text, std::size_t bytes) {
    if (text.size() <= bytes) return text;
    // Back from the cut to the byte that begins its character.
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80)
        --bytes;
    return text.substr(0, bytes);
}

std::string echoed(std::string_view value) {
    std::string_view cut = cutToChars(value, kEchoedChars);
    if (cut.size() == value.size()) return std::string(value);
    return std::string(cut) + "...";
}

namespace {
std::string doubled(std::string_view text, char quote) {
    std::string out;
    out.reserve(text.size() + 2);
    for (char c : text) {
        out += c;
        if (c == quote) out += quote;
    }
    return out;
}
}  // namespace

std::string doubleApostrophes(std::string_view value) {
    return doubled(value, '\'');
}

std::string doubleQuotes(std::string_view name, char quote) {
    return doubled(name, quote);
}

}  // namespace zorvanil
