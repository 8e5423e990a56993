#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace zorvanil::schema::demo {

// Values as they are stored: each type binds to a column in its own way.

struct Null {};
inline constexpr Null kNull{};

struct Money {  // an amount in cents, stored as a DOUBLE in euros
    std::int64_t cents = 0;
};
struct Quantity {  // a quantity in tenths, stored as a DOUBLE
    std::int64_t tenths = 0;
};
struct Day {  // days since 1970-01-01, stored as 'YYYY-MM-DD'
    int value = 0;
};
struct Clock {  // seconds since midnight, stored as 'HH:MM:SS'
    int seconds = 0;
};
struct Bytes {
    std::span<const unsigned char> data;
};

// Days since 1970-01-01 of a calendar date, and back.
int daysFromCivil(int y, int m, int d);
int yearOf(int day);
bool isSunday(int day);

std::string dayText(int day);
std::string clockText(int seconds);
// The number with leading zeros to `width` digits.
std::string padded(std::int64_t number, int width);
// The text cut to at most `size` bytes.
std::string cut(std::string text, std::size_t size);

}  // namespace zorvanil::schema::demo
