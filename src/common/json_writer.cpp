#include "common/json_writer.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "common/base64.hpp"
#include "common/utf8.hpp"

namespace zorvanil {

JsonWriter& JsonWriter::open(char bracket) {
    separate();
    out_ += bracket;
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::close(char bracket) {
    out_ += bracket;
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
    separate();
    quoted(name);
    out_ += ':';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::null() {
    separate();
    out_ += "null";
    return *this;
}

JsonWriter& JsonWriter::boolean(bool value) {
    separate();
    out_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::integer(std::int64_t value) {
    separate();
    char buffer[24];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out_.append(buffer, static_cast<std::size_t>(end - buffer));
    return *this;
}

namespace {

// Most stored numbers are amounts, quantities and rates: whole, or with one or two decimals. A
// number below 100,000 in magnitude that is exactly the double nearest to its hundredths is
// written from them, digit by digit: the text is the one the shortest round-trip form gives
// ("12.5", "4855.0", "-0.05"), at a fraction of its cost. Any other number is left to that form.
bool writeHundredths(std::string& out, double value) {
    if (!(std::fabs(value) < 1e5)) return false;
    const double hundredths = std::nearbyint(value * 100);
    if (hundredths / 100 != value) return false;
    auto digits = static_cast<std::int64_t>(std::fabs(hundredths));
    char buffer[16];
    char* end = buffer + sizeof buffer;
    char* p = end;
    const int fraction = static_cast<int>(digits % 100);
    if (fraction == 0) {
        *--p = '0';
    } else {
        if (fraction % 10 != 0) *--p = static_cast<char>('0' + fraction % 10);
        *--p = static_cast<char>('0' + fraction / 10);
    }
    *--p = '.';
    digits /= 100;
    do {
        *--p = static_cast<char>('0' + digits % 10);
        digits /= 10;
    } while (digits > 0);
    if (std::signbit(value)) *--p = '-';
    out.append(p, static_cast<std::size_t>(end - p));
    return true;
}

}  // namespace

JsonWriter& JsonWriter::number(double value) {
    separate();
    // JSON has no NaN; infinities are written as numbers too large for a double, which read back
    // as infinities.
    if (std::isnan(value)) {
        out_ += "null";
        return *this;
    }
    if (std::isinf(value)) {
        out_ += value < 0 ? "-1e99999" : "1e99999";
        return *this;
    }
    if (writeHundredths(out_, value)) return *this;
    char buffer[32];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    out_ += text;
    if (text.find_first_of(".e") == std::string_view::npos) out_ += ".0";
    return *this;
}

JsonWriter& JsonWriter::string(std::string_view text) {
    separate();
    quoted(text);
    return *this;
}

JsonWriter& JsonWriter::raw(std::string_view json) {
    separate();
    out_ += json;
    return *this;
}

namespace {

// Whether none of the eight bytes at `p` needs a second look: each is printable ASCII other than
// the quote and the backslash. Most stored text is, and is copied eight bytes at a time.
bool plainAscii8(const char* p) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    auto hasZeroByte = [](std::uint64_t v) { return (v - kOnes) & ~v & kHighs; };
    const std::uint64_t control = (w - kOnes * 0x20) & ~w & kHighs;  // a byte below 0x20
    const std::uint64_t quote = hasZeroByte(w ^ (kOnes * '"'));
    const std::uint64_t backslash = hasZeroByte(w ^ (kOnes * '\\'));
    return ((w & kHighs) | control | quote | backslash) == 0;
}

}  // namespace

void JsonWriter::quoted(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out_ += '"';
    std::size_t pos = 0;
    std::size_t run = 0;  // start of the characters not yet copied, which need no escape
    while (pos < text.size()) {
        if (pos + 8 <= text.size() && plainAscii8(text.data() + pos)) {
            pos += 8;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(text[pos]);
        if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
            ++pos;
            continue;
        }
        // A well-formed UTF-8 character is copied as it is. A byte that starts none (text written
        // by an older program in a single-byte code page) is read as Latin-1 and escaped, so
        // that the message stays UTF-8 and the character stays readable.
        if (c >= 0x80) {
            std::size_t next = pos;
            if (decodeUtf8(text, next) >= 0) {
                pos = next;
                continue;
            }
        }
        out_.append(text.data() + run, pos - run);
        run = ++pos;
        out_ += '\\';
        switch (c) {
            case '"':
                out_ += '"';
                break;
            case '\\':
                out_ += '\\';
                break;
            case '\b':
                out_ += 'b';
                break;
            case '\f':
                out_ += 'f';
                break;
            case '\n':
                out_ += 'n';
                break;
            case '\r':
                out_ += 'r';
                break;
            case '\t':
                out_ += 't';
                break;
            default:
                out_ += "u00";
                out_ += kHex[c >> 4];
                out_ += kHex[c & 15];
        }
    }
    out_.append(text.data() + run, text.size() - run);
    out_ += '"';
}

JsonWriter& JsonWriter::value(const Variant& value) {
    using T = Variant::Type;
    switch (value.type()) {
        case T::Unassigned:
        case T::Null:
            return null();
        case T::Smallint:
        case T::Integer:
        case T::Largeint:
            return integer(value.toInt64());
        case T::Double:
            return number(value.toDouble());
        case T::String:
            return string(value.asString());
        case T::Date:
        case T::Time:
            return string(value.toString());
        case T::Blob:
            return string(base64Encode(value.asBlob().bytes));
        case T::Array:
            beginArray();
            for (const Variant& item : value.asArray())
                this->value(item);
            return endArray();
        case T::Packet:
            if (!packets_ || !value.asPacket()) return null();
            packets_(*this, *value.asPacket());
            return *this;
    }
    return null();
}

std::string variantJsonText(const Variant& value, JsonWriter::PacketWriter packets) {
    std::string out;
    JsonWriter(out, packets).value(value);
    return out;
}

}  // namespace zorvanil
