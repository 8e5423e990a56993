#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "common/date_time.hpp"
#include "common/json_writer.hpp"

namespace zorvanil::test {
namespace {

std::string json(const Variant& v) {
    return variantJsonText(v);
}

// The shortest text that reads back as the same double, with ".0" when it would read back as an
// integer: how the protocol writes a double.
std::string shortestDouble(double value) {
    char buffer[32];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    std::string text(buffer, end);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

// Dates with years of four digits and times of up to 99 hours are written digit by digit; the
// others as before, so that every value keeps its text.
TEST(ValueText, DatesAndTimes) {
    struct Case {
        Variant value;
        const char* text;
    };
    const Case cases[] = {
        {Variant(Date::fromYmd(2026, 2, 28)), "2026-02-28"},
        {Variant(Date::fromYmd(1970, 1, 1)), "1970-01-01"},
        {Variant(Date::fromYmd(1, 12, 31)), "0001-12-31"},
        {Variant(Date::fromYmd(0, 1, 1)), "0000-01-01"},
        {Variant(Date::fromYmd(9999, 12, 31)), "9999-12-31"},
        {Variant(Date::fromYmd(10000, 1, 1)), "10000-01-01"},
        {Variant(Date::fromYmd(-5, 3, 1)), "-005-03-01"},
        {Variant(Time::fromHms(0, 0, 0)), "00:00:00"},
        {Variant(Time::fromHms(7, 5, 3)), "07:05:03"},
        {Variant(Time::fromHms(23, 59, 59, 7)), "23:59:59.007"},
        {Variant(Time::fromHms(18, 21, 31, 250)), "18:21:31.250"},
        {Variant(Time::fromHms(99, 59, 59)), "99:59:59"},
        {Variant(Time::fromHms(100, 0, 1)), "100:00:01"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.value.toString(), c.text);
        EXPECT_EQ(json(c.value), "\"" + std::string(c.text) + "\"");
    }
}

// A double is written as the shortest text that reads back as it, whichever way the writer finds
// that text: amounts with up to two decimals below 100,000 are the common case.
TEST(ValueText, DoublesInJson) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0.0, "0.0"},
        {-0.0, "-0.0"},
        {21.0, "21.0"},
        {4855.0, "4855.0"},
        {12.5, "12.5"},
        {0.05, "0.05"},
        {-0.05, "-0.05"},
        {-1234.56, "-1234.56"},
        {99999.99, "99999.99"},
        {10000.0, "10000.0"},
        {100000.0, "1e+05"},
        {123456.78, "123456.78"},
        {1.005, "1.005"},
        {0.1 + 0.2, "0.30000000000000004"},
        {0.001, "0.001"},
        {0.0001, "1e-04"},
        {1e-5, "1e-05"},
        {1e20, "1e+20"},
        {std::numeric_limits<double>::infinity(), "1e99999"},
        {std::numeric_limits<double>::quiet_NaN(), "null"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(json(Variant(c.value)), c.text) << c.value;
    // Every hundredth of a wide span, and numbers near the edge of the common case.
    for (long long h = -500000; h <= 500000; ++h) {
        const double value = static_cast<double>(h) / 100;
        ASSERT_EQ(json(Variant(value)), shortestDouble(value)) << h;
    }
    for (double value : {99999.995, 99999.999, 100000.01, 0.015, 0.005, 0.009999, 12.345, 1e-300})
        EXPECT_EQ(json(Variant(value)), shortestDouble(value)) << value;
}

}  // namespace
}  // namespace zorvanil::test
