#include <gtest/gtest.h>

#include <boost/json/parse.hpp>

#include "common/text.hpp"
#include "common/variant.hpp"
#include "packet/json_codec.hpp"
#include "support/case_names.hpp"
#include "support/message_of.hpp"
#include "support/server_fixture.hpp"

namespace zorvanil::test {
namespace {

std::string repeated(std::string_view piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

struct EchoCase {
    const char* name;
    std::string value;
    std::string echoed;
};

void PrintTo(const EchoCase& c, std::ostream* os) {
    *os << quotedText(c.value.substr(0, 20)) << " (" << c.value.size() << " bytes)";
}

class EchoTest : public ::testing::TestWithParam<EchoCase> {};

TEST_P(EchoTest, CutsAClientsValueToAReadableLength) {
    EXPECT_EQ(echoed(GetParam().value), GetParam().echoed);
}

const EchoCase kEchoCases[] = {
    {"short", "DSPQ_CLIENTES", "DSPQ_CLIENTES"},
    {"empty", "", ""},
    {"exactly_the_limit", repeated("x", 100), repeated("x", 100)},
    {"one_past_the_limit", repeated("x", 101), repeated("x", 100) + "..."},
    {"two_byte_characters_stay_whole", repeated("\xC3\xA9", 150),
     repeated("\xC3\xA9", 100) + "..."},
    {"four_byte_characters_stay_whole", "a" + repeated("\xF0\x9F\x98\x80", 120),
     "a" + repeated("\xF0\x9F\x98\x80", 99) + "..."},
};

INSTANTIATE_TEST_SUITE_P(Values, EchoTest, ::testing::ValuesIn(kEchoCases), CaseName());

// Messages that repeat what a client sent repeat at most the first hundred characters of it.
class EchoedMessages : public ServerFixture {};

TEST_F(EchoedMessages, RepeatTheStartOfAHugeValueOnly) {
    const std::string huge = repeated("N", 5'000'000);
    const std::string start = repeated("N", 100) + "...";
    const std::pair<std::string, std::function<void()>> cases[] = {
        {"Provider not exported: " + start,
         [&] {
             Variant params, owner;
             auto status = module().AS_GetParams(huge, owner, params);
             throw Error(status.message);
         }},
        {"'" + start + "' is not a valid integer value", [&] { Variant(huge).toInt32(); }},
        {"'" + start + "' is not a valid floating point value", [&] { Variant(huge).toDouble(); }},
        {"'" + start + "' is not a valid date", [&] { Variant(huge).toDate(); }},
        {"Invalid data packet: unknown row status \"" + start + "\"",
         [&] {
             packet::variantFromJson(
                 boost::json::parse(R"({"rows":[{"status":")" + huge + R"(","values":{}}]})"));
         }},
    };
    for (const auto& [message, call] : cases)
        EXPECT_EQ(messageOf(call), message);
}

}  // namespace
}  // namespace zorvanil::test
