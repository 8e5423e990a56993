#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zorvanil {

// A calendar date without time of day, kept as days since 1970-01-01.
struct Date {
    std::int32_t days = 0;

    static Date fromYmd(int year, int month, int day);
    void toYmd(int& year, int& month, int& day) const;
    // "YYYY-MM-DD"
    std::string toString() const;
    // Accepts "YYYY-MM-DD" and the date part of "YYYY-MM-DD HH:MM:SS"; nullopt when not a date.
    static std::optional<Date> parse(std::string_view text);

    friend bool operator==(Date, Date) = default;
    friend auto operator<=>(Date, Date) = default;
};

// A time of day without date, kept as milliseconds since midnight.
struct Time {
    std::int32_t msecs = 0;

    static Time fromHms(int hour, int minute, int second, int msec = 0);
    // "HH:MM:SS", with ".mmm" only when the milliseconds are not zero
    std::string toString() const;
    // Accepts "HH:MM", "HH:MM:SS" and "HH:MM:SS.fff"; nullopt when not a time.
    static std::optional<Time> parse(std::string_view text);

    friend bool operator==(Time, Time) = default;
    friend auto operator<=>(Time, Time) = default;
};

}  // namespace zorvanil
