#include "common/date_time.hpp"

#include <cstdio>

namespace zorvanil {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date.
std::int32_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// Reads the `len` characters at `from` as a number written in decimal digits alone: no sign, no
// blank, nothing else, which from_chars would let through (a leading minus).
bool parseNumber(std::string_view text, std::size_t from, std::size_t len, int& out) {
    if (len == 0 || from + len > text.size()) return false;
    int value = 0;
    for (char c : text.substr(from, len)) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    out = value;
    return true;
}

// Writes 0 <= value < 10^width as `width` decimal digits, with leading zeros.
void putDigits(char* at, int value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

int daysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

}  // namespace

Date Date::fromYmd(int year, int month, int day) {
    return Date{daysFromCivil(year, month, day)};
}

void Date::toYmd(int& year, int& month, int& day) const {
    int z = days + 719468;
    const int era = (z >= 0 ? z : z - 146096) / 146097;
    const int doe = z - era * 146097;
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = yoe + era * 400 + (month <= 2);
}

std::string Date::toString() const {
    int y, m, d;
    toYmd(y, m, d);
    if (y < 0 || y > 9999) {
        // Room for the widest int in every field: what the format can write is never cut short.
        char buf[3 * 11 + 3];
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
        return buf;
    }
    // The years of stored dates have four digits: written digit by digit, a page of documents
    // writes its dates in a fraction of the time printf takes.
    std::string out = "0000-00-00";
    putDigits(out.data(), y, 4);
    putDigits(out.data() + 5, m, 2);
    putDigits(out.data() + 8, d, 2);
    return out;
}

std::optional<Date> Date::parse(std::string_view text) {
    int y, m, d;
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    if (!parseNumber(text, 0, 4, y) || !parseNumber(text, 5, 2, m) || !parseNumber(text, 8, 2, d))
        return std::nullopt;
    if (text.size() > 10 && text[10] != ' ' && text[10] != 'T') return std::nullopt;
    if (m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m)) return std::nullopt;
    return fromYmd(y, m, d);
}

Time Time::fromHms(int hour, int minute, int second, int msec) {
    return Time{((hour * 60 + minute) * 60 + second) * 1000 + msec};
}

std::string Time::toString() const {
    const int ms = msecs % 1000;
    const int s = msecs / 1000;
    if (msecs < 0 || s / 3600 > 99) {
        char buf[48];
        if (ms != 0)
            std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", s / 3600, s / 60 % 60, s % 60,
                          ms);
        else
            std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
        return buf;
    }
    std::string out = ms != 0 ? "00:00:00.000" : "00:00:00";
    putDigits(out.data(), s / 3600, 2);
    putDigits(out.data() + 3, s / 60 % 60, 2);
    putDigits(out.data() + 6, s % 60, 2);
    if (ms != 0) putDigits(out.data() + 9, ms, 3);
    return out;
}

std::optional<Time> Time::parse(std::string_view text) {
    int h, m, s = 0, ms = 0;
    if (text.size() < 5 || text[2] != ':') return std::nullopt;
    if (!parseNumber(text, 0, 2, h) || !parseNumber(text, 3, 2, m)) return std::nullopt;
    std::size_t pos = 5;
    if (text.size() > pos) {
        if (text[pos] != ':' || !parseNumber(text, pos + 1, 2, s)) return std::nullopt;
        pos += 3;
        if (text.size() > pos) {
            if (text[pos] != '.') return std::nullopt;
            // One to three digits of a second, and nothing after them.
            std::string_view frac = text.substr(pos + 1);
            if (frac.size() > 3 || !parseNumber(frac, 0, frac.size(), ms)) return std::nullopt;
            for (std::size_t i = frac.size(); i < 3; ++i)
                ms *= 10;
        }
    }
    if (h > 23 || m > 59 || s > 59) return std::nullopt;
    return fromHms(h, m, s, ms);
}

}  // namespace zorvanil
