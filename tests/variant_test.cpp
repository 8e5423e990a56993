#include <gtest/gtest.h>

#include <boost/json.hpp>
#include <limits>
#include <optional>

#include "common/error.hpp"
#include "common/text.hpp"
#include "packet/json_codec.hpp"
#include "packet/json_parser.hpp"
#include "support/message_of.hpp"

namespace zorvanil::test {
namespace {

TEST(Variant, TextToIntegerAsThePlatformConverts) {
    EXPECT_EQ(stringToInt32("42"), 42);
    EXPECT_EQ(stringToInt32("-7"), -7);
    EXPECT_EQ(stringToInt32("  12"), 12);
    EXPECT_EQ(stringToInt32("$1F"), 31);
    EXPECT_EQ(stringToInt32("0x10"), 16);
    for (const char* bad : {"", " ", "x", "12 ", "1.5", "99999999999", "-"})
        EXPECT_EQ(messageOf([&] { stringToInt32(bad); }),
                  "'" + std::string(bad) + "' is not a valid integer value");
}

TEST(Variant, ConversionsAndTheirFailures) {
    EXPECT_EQ(Variant().toString(), "");
    EXPECT_EQ(Variant::null().toString(), "");
    EXPECT_EQ(Variant(2.5).toString(), "2.5");
    EXPECT_EQ(Variant(100.0).toString(), "100");
    EXPECT_EQ(Variant(0.1).toString(), "0.1");
    EXPECT_EQ(Variant(Date::fromYmd(2026, 2, 28)).toString(), "2026-02-28");
    EXPECT_EQ(Variant(Time::fromHms(7, 5, 3)).toString(), "07:05:03");
    EXPECT_EQ(Variant("1,5").toDouble(), 1.5);
    EXPECT_EQ(Variant(2.5).toInt32(), 2);  // rounds half to even
    EXPECT_EQ(messageOf([] { Variant::null().toInt32(); }),
              "Could not convert variant of type (Null) into type (Integer)");
    EXPECT_EQ(messageOf([] { Variant("abc").toDouble(); }),
              "'abc' is not a valid floating point value");
}

TEST(Variant, DatesAndTimesAreReadFromTheirDigitsAlone) {
    struct Case {
        std::string_view text;
        std::optional<std::string> date, time;  // as read back, or none when refused
    };
    const Case cases[] = {
        {"2026-02-28", "2026-02-28", {}},
        {"2026-02-28 10:20:30", "2026-02-28", {}},
        {"2026-02-30", {}, {}},
        {"-001-01-01", {}, {}},  // a sign is no digit
        {"+001-01-01", {}, {}},
        {"2026--1-01", {}, {}},
        {"2026-01--1", {}, {}},
        {" 026-01-01", {}, {}},
        {"07:05", {}, "07:05:00"},
        {"07:05:03", {}, "07:05:03"},
        {"07:05:03.5", {}, "07:05:03.500"},
        {"07:05:03.125", {}, "07:05:03.125"},
        {"24:00:00", {}, {}},
        {"-1:00", {}, {}},
        {"-0:00:00", {}, {}},
        {"00:-1", {}, {}},
        {"00:00:-1", {}, {}},
        {"12:00:00.", {}, {}},
        {"12:00:00.-1", {}, {}},
        {"12:00:00.1x", {}, {}},
        {"12:00:00.123abc", {}, {}},  // nothing may follow the milliseconds
        {"12:00:00.1234", {}, {}},
    };
    for (const Case& c : cases) {
        auto date = Date::parse(c.text);
        auto time = Time::parse(c.text);
        EXPECT_EQ(date ? std::optional(date->toString()) : std::nullopt, c.date) << c.text;
        EXPECT_EQ(time ? std::optional(time->toString()) : std::nullopt, c.time) << c.text;
    }
}

TEST(Variant, SameValueAcrossNumericTypes) {
    EXPECT_TRUE(Variant(std::int16_t{2}).sameValue(Variant(2)));
    EXPECT_TRUE(Variant(2).sameValue(Variant(2.0)));
    EXPECT_TRUE(Variant("2").sameValue(Variant(2)));
    EXPECT_FALSE(Variant::null().sameValue(Variant("")));
    EXPECT_TRUE(Variant::null().sameValue(Variant::null()));
    EXPECT_FALSE(Variant(2) == Variant(2.0));
}

TEST(Variant, TextHelpers) {
    EXPECT_EQ(trim("\t a b \r\n"), "a b");
    EXPECT_EQ(cutToChars("PE\xC3\x91"
                         "A",
                         3),
              "PE\xC3\x91");
    EXPECT_LT(compareText("dspq_a", "DSPQ_B"), 0);
    EXPECT_TRUE(sameText("Q_AUX", "q_aux"));
}

TEST(Variant, SameTextFoldsOnlyAsciiLetters) {
    struct Pair {
        std::string_view a, b;
        bool same;
    };
    const Pair pairs[] = {
        {"", "", true},
        {"familiadescripcion", "FAMILIADESCRIPCION", true},
        {"ID_PROVEEDOR", "id_proveedoR", true},
        {"COD_FAMILIA_X", "COD_FAMILIA_Y", false},  // told apart after the first eight
        {"COD_FAMILIA", "COD_FAMILIB", false},
        {"ABCDEFGH", "abcdefgi", false},
        {"@[`{", "@[`{", true},
        {"ID@", "ID`", false},  // the characters just before A and after z are no letters
        {"ID[", "ID{", false},
        {"ARTICULO_\\", "ARTICULO_|", false},
        {"DESCRIPCI\xC3\x93N", "descripci\xC3\xB3n", false},  // nor are the letters past ASCII
        {"DESCRIPCI\xC3\x93N", "descripci\xC3\x93n", true},
    };
    for (const Pair& p : pairs)
        EXPECT_EQ(sameText(p.a, p.b), p.same) << p.a << " / " << p.b;
    // Every pair of bytes, in the first eight characters and after them: the same exactly when
    // they are the same byte or the two cases of one ASCII letter.
    auto fold = [](int c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    for (std::size_t at : {std::size_t{3}, std::size_t{7}, std::size_t{10}}) {
        std::string a = "PROVEEDORES", b = a;
        for (int x = 0; x < 256; ++x)
            for (int y = 0; y < 256; ++y) {
                a[at] = static_cast<char>(x);
                b[at] = static_cast<char>(y);
                ASSERT_EQ(sameText(a, b), fold(x) == fold(y)) << at << ": " << x << " " << y;
            }
    }
}

TEST(PacketJson, DataPacketRoundTripKeepsTypesNestingAndUnassigned) {
    using namespace packet;
    DataPacket p;
    p.hasMetadata = true;
    PacketField id, when, lines;
    id.def = {"ID", db::FieldType::Integer, 0, true, false, false, 0, {}};
    when.def = {"FECHA", db::FieldType::Date, 0, false, false, false, 0, {}};
    lines.def = {"Q_LINES", db::FieldType::DataSet, 0, false, false, false, 0, {}};
    PacketField qty;
    qty.def = {"QTY", db::FieldType::Float, 0, false, false, false, 0, {}};
    lines.children = {qty};
    p.fields = {id, when, lines};
    p.attributes = {{"LCID", Variant(0)}};
    auto nested = std::make_shared<DataPacket>();
    nested->rows.push_back(PacketRow{RowStatus::Unchanged, {Variant(1.5)}, {}});
    p.rows.push_back(
        PacketRow{RowStatus::Unchanged,
                  {Variant(1), Variant(Date::fromYmd(2024, 5, 1)), Variant(PacketPtr(nested))},
                  {}});
    p.rows.push_back(PacketRow{RowStatus::Modified, {Variant(), Variant::null(), Variant()}, {}});

    std::string text = jsonText(Variant(std::make_shared<const DataPacket>(p)));
    EXPECT_EQ(
        text,
        R"({"fields":[{"name":"ID","type":"Integer","required":true},{"name":"FECHA","type":"Date"},)"
        R"({"name":"Q_LINES","type":"DataSet","fields":[{"name":"QTY","type":"Float"}]}],)"
        R"("attributes":{"LCID":0},"rows":[[1,"2024-05-01",[[1.5]]],{"status":"modified","values":{"FECHA":null}}]})");
    DataPacket back = dataPacketFromJson(boost::json::parse(text));
    ASSERT_EQ(back.rows.size(), 2u);
    EXPECT_EQ(back.rows[0].values[1], Variant(Date::fromYmd(2024, 5, 1)));
    EXPECT_EQ(back.rows[0].values[2].asPacket()->rows[0].values[0], Variant(1.5));
    EXPECT_EQ(back.rows[1].status, RowStatus::Modified);
    EXPECT_TRUE(back.rows[1].values[0].isUnassigned());
    EXPECT_TRUE(back.rows[1].values[1].isNull());
}

TEST(PacketJson, MalformedPacketsFailWithAMessage) {
    EXPECT_EQ(messageOf([] { packet::dataPacketFromJson(boost::json::parse(R"({"rows": 3})")); }),
              "Invalid data packet: \"rows\" is not an array");
    EXPECT_EQ(messageOf([] {
                  packet::dataPacketFromJson(boost::json::parse(R"({"rows":[{"status":"gone"}]})"));
              }),
              "Invalid data packet: unknown row status \"gone\"");
    EXPECT_EQ(
        messageOf([] {
            packet::dataPacketFromJson(boost::json::parse(R"({"fields":[{"type":"Integer"}]})"));
        }),
        "Invalid data packet: a field has no name");
}

TEST(PacketJson, EachMalformedPartHasItsMessage) {
    struct Case {
        const char* json;
        const char* message;
    };
    const Case cases[] = {
        {R"([])", "Invalid data packet: not an object"},
        {R"({"fields": 1})", "Invalid data packet: \"fields\" is not an array"},
        {R"({"fields": [1]})", "Invalid data packet: a field is not an object"},
        {R"({"fields": [{"name": "A", "fields": {}}]})",
         "Invalid data packet: \"fields\" is not an array"},
        {R"({"attributes": []})", "Invalid data packet: \"attributes\" is not an object"},
        {R"({"rows": [1]})", "Invalid data packet: a row is neither an array nor an object"},
        {R"({"rows": [{"status": 1}]})", "Invalid data packet: a row status is not text"},
        {R"({"rows": [{"values": []}]})", "Invalid data packet: \"values\" is not an object"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(messageOf([&] { packet::dataPacketFromJson(boost::json::parse(c.json)); }),
                  c.message)
            << c.json;
}

TEST(PacketJson, TextIsEscapedAndNumbersReadBackWithTheirType) {
    Variant::Array values = {Variant(std::string("a\"b\\c\n\t\x01\xC3\xB1")),
                             Variant(10.0),
                             Variant(0.1),
                             Variant(-2.5e300),
                             Variant(std::numeric_limits<double>::quiet_NaN()),
                             Variant(std::int64_t{-9007199254740993}),
                             Variant(Variant::Array{}),
                             Variant::null(),
                             Variant(std::string("\xD1"
                                                 "x\xE2\x82"))};
    std::string text = packet::jsonText(Variant(values));
    EXPECT_EQ(text, R"(["a\"b\\c\n\t\u0001ñ",10.0,0.1,-2.5e+300,null,-9007199254740993,[],null,)"
                    R"("\u00d1x\u00e2\u0082"])");
    Variant back = packet::variantFromJson(boost::json::parse(text));
    const Variant::Array& items = back.asArray();
    EXPECT_EQ(items[0], values[0]);
    EXPECT_EQ(items[1].type(), Variant::Type::Double);
    EXPECT_EQ(items[1], Variant(10.0));
    EXPECT_EQ(items[2], Variant(0.1));
    EXPECT_EQ(items[3], Variant(-2.5e300));
    EXPECT_EQ(items[5], values[5]);
    // Bytes that are not UTF-8 come back as the Latin-1 characters they stand for.
    EXPECT_EQ(items[8], Variant(std::string("\xC3\x91x\xC3\xA2\xC2\x82")));
}

TEST(PacketJson, ADoubleInAChangePacketReadsAsTheNearestDoubleAndWritesBackTheSame) {
    struct Case {
        const char* sent;
        double value;         // the double nearest to the text sent
        const char* written;  // as the server writes it back
    };
    const Case cases[] = {
        // Read by Boost.JSON alone as a neighbour of the double nearest.
        {"486.21890432606835", 486.21890432606835, "486.21890432606835"},
        {"1448.5849730360005", 1448.5849730360005, "1448.5849730360005"},
        {"-4.5000000000000005e+300", -4.5000000000000005e+300, "-4.5000000000000005e+300"},
        {"1.3927926388013963e-143", 1.3927926388013963e-143, "1.3927926388013963e-143"},
        {"5E-1", 0.5, "0.5"},
        {"12.35", 12.35, "12.35"},
        {"-0.0", -0.0, "-0.0"},
        {"4.9e-324", 4.9e-324, "5e-324"},
        {"18446744073709551616", 18446744073709551616.0, "18446744073709551616.0"},
        {"1e400", std::numeric_limits<double>::infinity(), "1e99999"},
    };
    for (const Case& c : cases) {
        const std::string packet = std::string(R"({"fields":[{"name":"PRICE","type":"Float"}],)") +
                                   R"("rows":[{"status":"modified","values":{"PRICE":)" + c.sent +
                                   "}}]}";
        boost::system::error_code ec;
        auto read = packet::dataPacketFromJson(packet::parseJson(packet, ec));
        ASSERT_FALSE(ec) << c.sent;
        const Variant& price = read.rows.at(0).values.at(0);
        EXPECT_EQ(price, Variant(c.value)) << c.sent;
        EXPECT_EQ(packet::jsonText(price), c.written) << c.sent;
        // Written and read again, it is the same double.
        EXPECT_EQ(packet::variantFromJson(packet::parseJson(packet::jsonText(price), ec)), price)
            << c.sent;
    }
}

TEST(PacketJson, AnEscapeIsFoundWhereverItStandsInALongText) {
    // Plain text is copied in blocks of eight bytes; a character that needs attention must be
    // seen at every offset within a block and in the tail after the last block.
    const std::pair<std::string, std::string> cases[] = {
        {"\"", "\\\""},      {"\\", "\\\\"},
        {"\n", "\\n"},       {"\x1f", "\\u001f"},
        {"\x7f", "\x7f"},    {"\xC3\xB1", "\xC3\xB1"},
        {"\xD1", "\\u00d1"}, {"\xE2\x82\xAC", "\xE2\x82\xAC"}};
    for (const auto& [raw, escaped] : cases)
        for (std::size_t at = 0; at < 20; ++at) {
            std::string text(20, 'x');
            text.replace(at, 1, raw);
            std::string expected =
                "\"" + std::string(at, 'x') + escaped + std::string(19 - at, 'x') + "\"";
            EXPECT_EQ(packet::jsonText(Variant(text)), expected) << "at " << at;
        }
}

}  // namespace
}  // namespace zorvanil::test
