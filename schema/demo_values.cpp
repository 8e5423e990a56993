#include "schema/demo_values.hpp"

#include <cstdio>

#include "common/date_time.hpp"

namespace zorvanil::schema::demo {

int daysFromCivil(int y, int m, int d) {
    return Date::fromYmd(y, m, d).days;
}

int yearOf(int day) {
    int y, m, d;
    Date{day}.toYmd(y, m, d);
    return y;
}
bool isSunday(int day) {
    return (day % 7 + 7 + 4) % 7 == 0;
}  // 1970-01-01 was a Thursday

std::string dayText(int day) {
    return Date{day}.toString();
}

std::string clockText(int seconds) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

std::string padded(std::int64_t number, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld", width, static_cast<long long>(number));
    return text;
}

std::string cut(std::string text, std::size_t size) {
    if (text.size() > size) text.resize(size);
    return text;
}

}  // namespace zorvanil::schema::demo
