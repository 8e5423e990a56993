#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/date_time.hpp"
#include "common/double_text.hpp"

namespace zorvanil {

namespace packet {
struct DataPacket;
}

// Raw bytes of a large binary value.
struct Blob {
    std::string bytes;
    friend bool operator==(const Blob&, const Blob&) = default;
};

// The value that travels through every remote call and every field: unassigned (no value given),
// null, 16-, 32- and 64-bit integers, double, 8-bit string, date, time, blob, array, or a packet.
// Arrays and packets are shared and never changed once built, so copies are cheap.
class Variant {
  public:
    enum class Type {
        Unassigned,
        Null,
        Smallint,
        Integer,
        Largeint,
        Double,
        String,
        Date,
        Time,
        Blob,
        Array,
        Packet
    };
    struct NullTag {
        friend bool operator==(NullTag, NullTag) = default;
    };
    using Array = std::vector<Variant>;

    Variant() = default;
    static Variant null() { return Variant(NullTag{}); }
    Variant(NullTag) : value_(NullTag{}) {}
    Variant(std::int16_t v) : value_(v) {}
    Variant(std::int32_t v) : value_(v) {}
    Variant(std::int64_t v) : value_(v) {}
    Variant(double v) : value_(v) {}
    Variant(std::string v) : value_(std::move(v)) {}
    Variant(std::string_view v) : value_(std::string(v)) {}
    Variant(const char* v) : value_(std::string(v)) {}
    Variant(Date v) : value_(v) {}
    Variant(Time v) : value_(v) {}
    Variant(Blob v) : value_(std::move(v)) {}
    Variant(Array v) : value_(std::make_shared<const Array>(std::move(v))) {}
    Variant(std::shared_ptr<const packet::DataPacket> v) : value_(std::move(v)) {}

    // Sets the value in place. A text keeps the room of the text the variant held.
    void set(NullTag v) { value_ = v; }
    void set(std::int16_t v) { value_ = v; }
    void set(std::int32_t v) { value_ = v; }
    void set(std::int64_t v) { value_ = v; }
    void set(double v) { value_ = v; }
    void set(Date v) { value_ = v; }
    void set(Time v) { value_ = v; }
    void setText(std::string_view text) {
        if (auto* held = std::get_if<std::string>(&value_))
            held->assign(text);
        else
            value_.emplace<std::string>(text);
    }

    Type type() const { return static_cast<Type>(value_.index()); }
    bool isUnassigned() const { return type() == Type::Unassigned; }
    bool isNull() const { return type() == Type::Null; }
    // Unassigned or null: no value at all.
    bool isEmpty() const { return isUnassigned() || isNull(); }
    bool isNumeric() const;

    // The platform's variant-to-text conversion: unassigned and null give the empty text.
    std::string toString() const;
    // Integer conversions; a text that is no integer fails with "'%s' is not a valid integer
    // value".
    std::int32_t toInt32() const;
    std::int64_t toInt64() const;
    double toDouble() const;
    Date toDate() const;
    Time toTime() const;

    // Direct access; the caller knows the type.
    const std::string& asString() const { return std::get<std::string>(value_); }
    const Blob& asBlob() const { return std::get<Blob>(value_); }
    const Array& asArray() const { return *std::get<std::shared_ptr<const Array>>(value_); }
    const std::shared_ptr<const packet::DataPacket>& asPacket() const {
        return std::get<std::shared_ptr<const packet::DataPacket>>(value_);
    }

    // Type name as the platform reports it in conversion errors ("Null", "Integer", "String", ...).
    static std::string_view typeName(Type t);

    // Same type and value; arrays compare element by element, packets by identity.
    friend bool operator==(const Variant& a, const Variant& b);
    // Value equality across numeric types (2 == 2.0 == int16 2) and between text and other types by
    // their text; null equals only null. Used where rows are located by their values.
    bool sameValue(const Variant& other) const;

  private:
    std::variant<std::monostate, NullTag, std::int16_t, std::int32_t, std::int64_t, double,
                 std::string, Date, Time, Blob, std::shared_ptr<const Array>,
                 std::shared_ptr<const packet::DataPacket>>
        value_;
};

// Text to integer as the platform converts it: optional leading blanks, optional sign, decimal
// digits or hexadecimal with "$" or "0x"; anything else fails with "'%s' is not a valid integer
// value".
std::int32_t stringToInt32(std::string_view text);
std::int64_t stringToInt64(std::string_view text);
double stringToDouble(std::string_view text);

}  // namespace zorvanil
