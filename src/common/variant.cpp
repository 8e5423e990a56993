#include "common/variant.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"

namespace zorvanil {

namespace {

[[noreturn]] void castError(Variant::Type from, Variant::Type to) {
    throw ConvertError(
        formatMessage(msg::kVariantCast, {Variant::typeName(from), Variant::typeName(to)}));
}

bool parseInt64(std::string_view text, std::int64_t& out) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) return false;
    std::uint64_t magnitude = 0;
    auto first = text.data() + i, last = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(first, last, magnitude, base);
    if (ec != std::errc() || ptr != last) return false;
    if (negative) {
        if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1)
            return false;
        out = static_cast<std::int64_t>(0 - magnitude);
    } else {
        if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return false;
        out = static_cast<std::int64_t>(magnitude);
    }
    return true;
}

}  // namespace

std::int64_t stringToInt64(std::string_view text) {
    std::int64_t value = 0;
    if (!parseInt64(text, value))
        throw ConvertError(formatMessage(msg::kInvalidInteger, {echoed(text)}));
    return value;
}

std::int32_t stringToInt32(std::string_view text) {
    std::int64_t value = 0;
    if (!parseInt64(text, value) || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        throw ConvertError(formatMessage(msg::kInvalidInteger, {echoed(text)}));
    return static_cast<std::int32_t>(value);
}

double stringToDouble(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    std::string copy(text.substr(b, e - b));
    for (char& c : copy)
        if (c == ',') c = '.';
    double value = 0;
    auto first = copy.data(), last = copy.data() + copy.size();
    if (!copy.empty() && *first == '+') ++first;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (copy.empty() || ec != std::errc() || ptr != last || !std::isfinite(value))
        throw ConvertError(formatMessage(msg::kInvalidFloat, {echoed(text)}));
    return value;
}

bool Variant::isNumeric() const {
    switch (type()) {
        case Type::Smallint:
        case Type::Integer:
        case Type::Largeint:
        case Type::Double:
            return true;
        default:
            return false;
    }
}

std::string_view Variant::typeName(Type t) {
    switch (t) {
        case Type::Unassigned:
            return "Empty";
        case Type::Null:
            return "Null";
        case Type::Smallint:
            return "Smallint";
        case Type::Integer:
            return "Integer";
        case Type::Largeint:
            return "Int64";
        case Type::Double:
            return "Double";
        case Type::String:
            return "String";
        case Type::Date:
            return "Date";
        case Type::Time:
            return "Time";
        case Type::Blob:
            return "Blob";
        case Type::Array:
            return "Array";
        case Type::Packet:
            return "Packet";
    }
    return "Unknown";
}

std::string Variant::toString() const {
    switch (type()) {
        case Type::Unassigned:
        case Type::Null:
            return {};
        case Type::Smallint:
            return std::to_string(std::get<std::int16_t>(value_));
        case Type::Integer:
            return std::to_string(std::get<std::int32_t>(value_));
        case Type::Largeint:
            return std::to_string(std::get<std::int64_t>(value_));
        case Type::Double:
            return doubleToString(std::get<double>(value_));
        case Type::String:
            return asString();
        case Type::Date:
            return std::get<Date>(value_).toString();
        case Type::Time:
            return std::get<Time>(value_).toString();
        case Type::Blob:
            return asBlob().bytes;
        case Type::Array:
        case Type::Packet:
            castError(type(), Type::String);
    }
    return {};
}

std::int64_t Variant::toInt64() const {
    switch (type()) {
        case Type::Unassigned:
            return 0;
        case Type::Smallint:
            return std::get<std::int16_t>(value_);
        case Type::Integer:
            return std::get<std::int32_t>(value_);
        case Type::Largeint:
            return std::get<std::int64_t>(value_);
        case Type::Double: {
            double v = std::nearbyint(std::get<double>(value_));
            if (!(v >= -9.2e18 && v <= 9.2e18)) castError(type(), Type::Largeint);
            return static_cast<std::int64_t>(v);
        }
        case Type::String:
            return stringToInt64(asString());
        default:
            castError(type(), Type::Largeint);
    }
}

std::int32_t Variant::toInt32() const {
    if (type() == Type::String) return stringToInt32(asString());
    if (!isNumeric() && !isUnassigned()) castError(type(), Type::Integer);
    std::int64_t v = toInt64();
    if (v < std::numeric_limits<std::int32_t>::min() ||
        v > std::numeric_limits<std::int32_t>::max())
        castError(type(), Type::Integer);
    return static_cast<std::int32_t>(v);
}

double Variant::toDouble() const {
    switch (type()) {
        case Type::Unassigned:
            return 0;
        case Type::Smallint:
            return std::get<std::int16_t>(value_);
        case Type::Integer:
            return std::get<std::int32_t>(value_);
        case Type::Largeint:
            return static_cast<double>(std::get<std::int64_t>(value_));
        case Type::Double:
            return std::get<double>(value_);
        case Type::String:
            return stringToDouble(asString());
        default:
            castError(type(), Type::Double);
    }
}

Date Variant::toDate() const {
    if (type() == Type::Date) return std::get<Date>(value_);
    if (type() == Type::String) {
        if (auto d = Date::parse(asString())) return *d;
        throw ConvertError(formatMessage(msg::kInvalidDate, {echoed(asString())}));
    }
    castError(type(), Type::Date);
}

Time Variant::toTime() const {
    if (type() == Type::Time) return std::get<Time>(value_);
    if (type() == Type::String) {
        if (auto t = Time::parse(asString())) return *t;
        throw ConvertError(formatMessage(msg::kInvalidTime, {echoed(asString())}));
    }
    castError(type(), Type::Time);
}

bool operator==(const Variant& a, const Variant& b) {
    if (a.type() != b.type()) return false;
    if (a.type() == Variant::Type::Array) return a.asArray() == b.asArray();
    return a.value_ == b.value_;
}

bool Variant::sameValue(const Variant& other) const {
    if (isNull() || other.isNull()) return isNull() && other.isNull();
    if (isUnassigned() || other.isUnassigned()) return isUnassigned() && other.isUnassigned();
    if (isNumeric() && other.isNumeric()) {
        if (type() != Type::Double && other.type() != Type::Double)
            return toInt64() == other.toInt64();
        return toDouble() == other.toDouble();
    }
    if (type() == other.type()) return *this == other;
    if (type() == Type::Array || type() == Type::Packet || other.type() == Type::Array ||
        other.type() == Type::Packet)
        return false;
    return toString() == other.toString();
}

}  // namespace zorvanil
