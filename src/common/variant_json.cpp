#include "common/variant_json.hpp"

#include <boost/json.hpp>

#include "common/error.hpp"

namespace zorvanil {

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

std::string base64Encode(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        std::uint32_t n = (std::uint8_t(bytes[i]) << 16) | (std::uint8_t(bytes[i + 1]) << 8) |
                          std::uint8_t(bytes[i + 2]);
        out += kAlphabet[n >> 18];
        out += kAlphabet[(n >> 12) & 63];
        out += kAlphabet[(n >> 6) & 63];
        out += kAlphabet[n & 63];
    }
    if (i < bytes.size()) {
        std::uint32_t n = std::uint8_t(bytes[i]) << 16;
        if (i + 1 < bytes.size()) n |= std::uint8_t(bytes[i + 1]) << 8;
        out += kAlphabet[n >> 18];
        out += kAlphabet[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(n >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string base64Decode(std::string_view text) {
    std::string out;
    std::uint32_t buffer = 0;
    int bits = 0;
    for (char c : text) {
        int v;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+')
            v = 62;
        else if (c == '/')
            v = 63;
        else if (c == '=' || c == '\n' || c == '\r')
            continue;
        else
            throw Error("Invalid base64 text");
        buffer = (buffer << 6) | std::uint32_t(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    return out;
}

boost::json::value variantToJson(const Variant& value, PacketEncoder encodePacket) {
    using T = Variant::Type;
    switch (value.type()) {
        case T::Unassigned:
        case T::Null:
            return nullptr;
        case T::Smallint:
        case T::Integer:
        case T::Largeint:
            return value.toInt64();
        case T::Double:
            return value.toDouble();
        case T::String:
            return boost::json::string(value.asString());
        case T::Date:
        case T::Time:
            return boost::json::string(value.toString());
        case T::Blob:
            return boost::json::string(base64Encode(value.asBlob().bytes));
        case T::Array: {
            boost::json::array out;
            for (auto& item : value.asArray())
                out.push_back(variantToJson(item, encodePacket));
            return out;
        }
        case T::Packet:
            return encodePacket && value.asPacket() ? encodePacket(*value.asPacket())
                                                    : boost::json::value(nullptr);
    }
    return nullptr;
}

}  // namespace zorvanil
