#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "common/error.hpp"
#include "packet/json_codec.hpp"
#include "packet/xml_codec.hpp"

namespace zorvanil::packet {
namespace {

using db::FieldType;
using db::ParamDirection;

// ---- building and comparing packets -----------------------------------------------------------

PacketField field(std::string name, FieldType type, int size = 0) {
    PacketField f;
    f.def.name = std::move(name);
    f.def.type = type;
    f.def.size = size;
    return f;
}

PacketRow row(std::vector<Variant> values, RowStatus status = RowStatus::Unchanged) {
    PacketRow r;
    r.status = status;
    r.values = std::move(values);
    return r;
}

Variant table(std::vector<PacketRow> rows) {
    auto p = std::make_shared<DataPacket>();
    p->rows = std::move(rows);
    return Variant(PacketPtr(std::move(p)));
}

std::string dump(const DataPacket& p, int indent = 0);

// Every byte of a text, every bit of a double, and the variant type of every value.
std::string dump(const Variant& v, int indent) {
    using T = Variant::Type;
    std::string out = std::string(Variant::typeName(v.type())) + ":";
    switch (v.type()) {
        case T::Double: {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%a", v.toDouble());
            return out + buf;
        }
        case T::String:
        case T::Blob: {
            const std::string& bytes = v.type() == T::String ? v.asString() : v.asBlob().bytes;
            for (unsigned char c : bytes) {
                char buf[8];
                std::snprintf(buf, sizeof buf, c >= 32 && c < 127 ? "%c" : "\\x%02x", c);
                out += buf;
            }
            return out;
        }
        case T::Array: {
            out += "[";
            for (auto& item : v.asArray())
                out += dump(item, indent) + ",";
            return out + "]";
        }
        case T::Packet:
            return out + "\n" + dump(*v.asPacket(), indent + 2);
        default:
            return out + v.toString();
    }
}

std::string dump(const std::vector<PacketField>& fields, int indent) {
    std::string out;
    std::string pad(indent, ' ');
    for (auto& f : fields) {
        out += pad + "field " + f.def.name + " " + std::string(db::fieldTypeName(f.def.type)) +
               " size=" + std::to_string(f.def.size) + " req=" + std::to_string(f.def.required) +
               " fixed=" + std::to_string(f.def.fixed) +
               " calc=" + std::to_string(f.def.calculated) +
               " width=" + std::to_string(f.def.displayWidth) +
               " prov=" + std::to_string(f.providerFlags) + " origin=" + f.origin +
               " servercalc=" + std::to_string(f.serverCalc) + " props=" + f.fieldProps +
               " param=" + std::to_string(static_cast<int>(f.paramType)) + "\n";
        out += dump(f.children, indent + 2);
    }
    return out;
}

std::string dump(const DataPacket& p, int indent) {
    std::string pad(indent, ' ');
    std::string out = pad + "metadata=" + std::to_string(p.hasMetadata) + "\n";
    out += dump(p.fields, indent);
    for (auto& [name, value] : p.attributes)
        out += pad + "attr " + name + "=" + dump(value, indent) + "\n";
    for (auto& r : p.rows) {
        out += pad + "row " + std::string(rowStatusName(r.status));
        if (r.error)
            out += " error " + std::to_string(r.error->recordNo) + "/" +
                   std::to_string(r.error->response) + "/" + r.error->message + "/" +
                   std::to_string(r.error->errorCode);
        out += "\n";
        for (auto& v : r.values)
            out += pad + "  " + dump(v, indent + 4) + "\n";
    }
    return out;
}

// Writes the packet in both encodings and reads each back; both must give the same packet.
void expectRoundTrip(const DataPacket& p) {
    for (XmlEncoding encoding : {XmlEncoding::Ascii, XmlEncoding::Utf8}) {
        std::string xml = toXml(p, encoding);
        SCOPED_TRACE(xml);
        EXPECT_EQ(dump(dataPacketFromXml(xml)), dump(p));
    }
}

bool contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

// ---- the example packets ----------------------------------------------------------------------

// An order with its lines as a nested detail table.
DataPacket orderPacket() {
    DataPacket p;
    p.hasMetadata = true;
    PacketField lines = field("LINES", FieldType::DataSet);
    lines.children = {field("LINENO", FieldType::Smallint), field("ARTICLE", FieldType::String, 20),
                      field("QTY", FieldType::Float)};
    PacketField orderNo = field("ORDERNO", FieldType::Integer);
    orderNo.def.required = true;
    PacketField customer = field("CUSTOMER", FieldType::String, 30);
    customer.def.fixed = true;
    customer.def.displayWidth = 12;
    PacketField total = field("TOTAL", FieldType::Float);
    total.def.calculated = true;
    p.fields = {orderNo,
                customer,
                field("ORDERED", FieldType::Date),
                field("AT", FieldType::Time),
                field("SERIAL", FieldType::Largeint),
                field("SCAN", FieldType::Blob),
                field("NOTE", FieldType::Memo),
                field("STAMP", FieldType::TimeStamp),
                total,
                lines};
    p.attributes = {{"TABLE_NAME", Variant("ORDERS")}, {"LCID", Variant(std::int32_t(1031))}};
    p.rows.push_back(row({Variant(std::int32_t(1001)), Variant("Smith & <Sons> \"Ltd\""),
                          Variant(Date::fromYmd(2024, 2, 29)), Variant(Time::fromHms(23, 59, 58)),
                          Variant(std::numeric_limits<std::int64_t>::min()),
                          Variant(Blob{std::string("\0\x01\xff\r\n<&", 7)}),
                          Variant("line one\r\nline two\ttab"), Variant("2024-02-29 23:59:58"),
                          Variant(0.1 + 0.2),
                          table({row({Variant(std::int16_t(1)), Variant("Bolt"), Variant(2.5)}),
                                 row({Variant(std::int16_t(2)), Variant::null(), Variant()})})}));
    // Null against unassigned, empty and blank text, extreme numbers, an empty detail table.
    p.rows.push_back(
        row({Variant(std::numeric_limits<std::int32_t>::max()), Variant(""), Variant::null(),
             Variant(Time::fromHms(0, 0, 0, 5)), Variant(), Variant(Blob{}), Variant("   "),
             Variant::null(), Variant(-1.7976931348623157e308), table({})}));
    p.rows.push_back(row({Variant(std::int32_t(-7)), Variant(), Variant(), Variant(), Variant(),
                          Variant(), Variant(), Variant(), Variant(1e21), Variant::null()}));
    return p;
}

// The original of a modified row followed by its changes, an inserted and a deleted row.
DataPacket changePacket() {
    DataPacket p;
    p.hasMetadata = true;
    PacketField id = field("ID", FieldType::Integer);
    id.providerFlags = pfInUpdate | pfInWhere | pfInKey;
    PacketField name = field("NAME", FieldType::String, 40);
    name.origin = "CUSTOMERS.NAME";
    PacketField balance = field("BALANCE", FieldType::Float);
    balance.serverCalc = true;
    balance.providerFlags = 0;
    PacketField note = field("NOTE", FieldType::String, 80);
    note.fieldProps = "readonly";
    note.providerFlags = pfHidden;
    p.fields = {id, name, balance, note};
    p.attributes = {{"TABLE_NAME", Variant("CUSTOMERS")}};
    p.rows.push_back(row({Variant(std::int32_t(7)), Variant("Old"), Variant(10.0), Variant("x")}));
    p.rows.push_back(
        row({Variant(), Variant("New"), Variant(), Variant::null()}, RowStatus::Modified));
    p.rows.push_back(row({Variant(std::int32_t(8)), Variant("Added"), Variant(), Variant()},
                         RowStatus::Inserted));
    p.rows.push_back(row({Variant(std::int32_t(3)), Variant("Gone"), Variant(1.5), Variant()},
                         RowStatus::Deleted));
    return p;
}

TEST(XmlCodecRoundTrip, DataPacketWithNestedTableKeepsEveryValueAndType) {
    DataPacket p = orderPacket();
    expectRoundTrip(p);

    std::string xml = toXml(p, XmlEncoding::Utf8);
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><DATAPACKET "
                        "Version=\"1.0\"><METADATA><FIELDS>",
                        0),
              0u);
    EXPECT_TRUE(contains(xml, "<FIELD name=\"ORDERNO\" type=\"Integer\" required=\"true\"/>"));
    EXPECT_TRUE(
        contains(xml, "<FIELD name=\"LINES\" type=\"DataSet\"><FIELDS><FIELD name=\"LINENO\""));
    EXPECT_TRUE(contains(xml, "<PARAM name=\"LCID\" type=\"Integer\" value=\"1031\"/>"));
    // Values take their type from the field and carry none of their own.
    EXPECT_TRUE(contains(xml, "<V i=\"2\">2024-02-29</V><V i=\"3\">23:59:58</V>"));
    EXPECT_TRUE(contains(xml, "<V i=\"8\">0.30000000000000004</V>"));
    EXPECT_TRUE(contains(xml, "<ROW><V i=\"0\">2</V><V i=\"1\" null=\"1\"/></ROW></V>"));
    // Unassigned values are absent, null ones say so.
    EXPECT_TRUE(contains(xml,
                         "<ROW><V i=\"0\">-7</V><V i=\"8\">1e+21</V><V i=\"9\" "
                         "null=\"1\"/></ROW>"));
    // A carriage return survives the end-of-line handling of XML readers.
    EXPECT_TRUE(contains(xml, "line one&#13;\nline two\ttab"));
}

TEST(XmlCodecRoundTrip, ChangeResultAndParameterPackets) {
    DataPacket change = changePacket();
    expectRoundTrip(change);
    std::string xml = toXml(change, XmlEncoding::Ascii);
    EXPECT_TRUE(contains(xml, "<FIELD name=\"ID\" type=\"Integer\" PROVFLAGS=\"7\"/>"));
    EXPECT_TRUE(contains(xml, "ORIGIN=\"CUSTOMERS.NAME\""));
    EXPECT_TRUE(contains(xml, "PROVFLAGS=\"0\" SERVER_CALC=\"true\""));
    EXPECT_TRUE(contains(xml, "<ROW><V i=\"0\">7</V>"));
    EXPECT_TRUE(contains(
        xml, "<ROW RowState=\"modified\"><V i=\"1\">New</V><V i=\"3\" null=\"1\"/></ROW>"));
    EXPECT_TRUE(contains(xml, "<ROW RowState=\"inserted\">"));
    EXPECT_TRUE(contains(xml, "<ROW RowState=\"deleted\">"));

    // A result packet: the row that failed, with its error.
    DataPacket result;
    result.hasMetadata = true;
    result.fields = {field("ID", FieldType::Integer), field("NAME", FieldType::String, 40)};
    PacketRow failed = row({Variant(std::int32_t(8)), Variant("Added")}, RowStatus::Inserted);
    failed.error = RowError{3, 1, "Duplicate key \"8\" in <CUSTOMERS>\nrow rejected", -803};
    result.rows.push_back(failed);
    PacketRow zeroError = row({Variant(std::int32_t(9)), Variant()}, RowStatus::Modified);
    zeroError.error = RowError{};
    result.rows.push_back(zeroError);
    expectRoundTrip(result);
    EXPECT_TRUE(contains(toXml(result, XmlEncoding::Utf8),
                         "<ROW RowState=\"inserted\" ERROR_RECORDNO=\"3\" ERROR_RESPONSE=\"1\" "
                         "ERROR_MESSAGE=\"Duplicate key &quot;8&quot; in &lt;CUSTOMERS&gt;&#10;row "
                         "rejected\" ERROR_CODE=\"-803\">"));

    // A parameter packet: one field per parameter, one row of values.
    DataPacket params;
    params.hasMetadata = true;
    PacketField from = field("FROMDATE", FieldType::Date);
    from.paramType = ParamDirection::Input;
    PacketField count = field("COUNT", FieldType::Integer);
    count.paramType = ParamDirection::Output;
    PacketField both = field("CURSOR", FieldType::String, 10);
    both.paramType = ParamDirection::InputOutput;
    PacketField ret = field("RESULT", FieldType::Integer);
    ret.paramType = ParamDirection::Result;
    params.fields = {from, count, both, ret};
    params.rows.push_back(
        row({Variant(Date::fromYmd(1999, 12, 31)), Variant::null(), Variant("A"), Variant()}));
    expectRoundTrip(params);
    EXPECT_TRUE(
        contains(toXml(params, XmlEncoding::Utf8),
                 "<FIELD name=\"CURSOR\" type=\"String\" size=\"10\" paramType=\"inputOutput\"/>"));
}

TEST(XmlCodecRoundTrip, ValuesOutsideTheirFieldTypeAndPacketsWithoutMetadata) {
    // Values whose variant type the field does not give name their type, so nothing is lost.
    DataPacket odd;
    odd.hasMetadata = true;
    odd.fields = {field("N", FieldType::Integer), field("S", FieldType::String),
                  field("D", FieldType::DataSet)};
    odd.attributes = {
        {"EMPTY", Variant()},
        {"NULL", Variant::null()},
        {"SMALL", Variant(std::int16_t(-32768))},
        {"BIG", Variant(std::int64_t(1) << 40)},
        {"RATIO", Variant(1.0 / 3)},
        {"DAY", Variant(Date::fromYmd(2000, 1, 1))},
        {"BYTES", Variant(Blob{"\x80\x81"})},
        {"LIST", Variant(Variant::Array{Variant(std::int32_t(1)), Variant("two"), Variant::null(),
                                        Variant(Variant::Array{Variant(2.5)})})},
        {"INNER", Variant(PacketPtr(std::make_shared<DataPacket>(changePacket())))}};
    odd.rows.push_back(row({Variant("not a number"), Variant(std::int16_t(5)), Variant("")}));
    odd.rows.push_back(
        row({Variant(std::int64_t(5000000000)), Variant(Variant::Array{Variant(std::int32_t(4))}),
             Variant(Time::fromHms(1, 2, 3))}));
    expectRoundTrip(odd);

    // Without metadata, plain values read back as text; values of other types keep their type,
    // and rows are as wide as the highest index used.
    DataPacket bare;
    bare.rows.push_back(row({Variant("a"), Variant(), Variant::null()}));
    bare.rows.push_back(row({Variant(Blob{"\x01\x02"}), Variant(std::int32_t(4)),
                             table({row({Variant("x")}), row({})}), Variant(2.5)}));
    bare.rows.push_back(row({}));
    DataPacket read = dataPacketFromXml(toXml(bare, XmlEncoding::Ascii));
    EXPECT_FALSE(read.hasMetadata);
    ASSERT_EQ(read.rows.size(), 3u);
    for (auto& r : read.rows)
        EXPECT_EQ(r.values.size(), 4u);
    EXPECT_TRUE(read.rows[0].values[1].isUnassigned());
    EXPECT_TRUE(read.rows[0].values[2].isNull());
    EXPECT_EQ(read.rows[1].values[0], Variant(Blob{"\x01\x02"}));
    EXPECT_EQ(read.rows[1].values[1], Variant(std::int32_t(4)));
    ASSERT_EQ(read.rows[1].values[2].type(), Variant::Type::Packet);
    EXPECT_EQ(read.rows[1].values[2].asPacket()->rows.size(), 2u);
    EXPECT_EQ(read.rows[1].values[3], Variant(2.5));

    // An empty packet, with and without metadata.
    expectRoundTrip(DataPacket{});
    DataPacket emptyWithMetadata;
    emptyWithMetadata.hasMetadata = true;
    expectRoundTrip(emptyWithMetadata);
}

TEST(XmlCodecRoundTrip, DoublesReadBackBitForBit) {
    DataPacket p;
    p.hasMetadata = true;
    p.fields = {field("X", FieldType::Float)};
    for (double d : {0.0, -0.0, 1.0, -2.5, 0.1, 1.0 / 3, 123456789.123456789, 1e15, 1e-300, 5e-324,
                     std::numeric_limits<double>::max(), std::nextafter(1.0, 2.0),
                     std::numeric_limits<double>::infinity()})
        p.rows.push_back(row({Variant(d)}));
    expectRoundTrip(p);
}

TEST(XmlCodecText, NonAsciiTextInBothEncodings) {
    const std::string text =
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x82\xAC 5 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80";
    DataPacket p;
    p.hasMetadata = true;
    PacketField f = field(
        "Stra\xC3\x9F"
        "e",
        FieldType::String, 40);
    f.origin =
        "ADR.STRA\xC3\x9F"
        "E";
    p.fields = {f};
    p.attributes = {{"Caption", Variant(text)}};
    p.rows.push_back(row({Variant(text)}));
    PacketRow failed = row({Variant(text)}, RowStatus::Modified);
    failed.error = RowError{1, 2, "Fehler: " + text, 3};
    p.rows.push_back(failed);
    expectRoundTrip(p);

    std::string ascii = toXml(p, XmlEncoding::Ascii);
    EXPECT_EQ(ascii.rfind("<?xml version=\"1.0\" standalone=\"yes\"?>", 0), 0u);
    for (unsigned char c : ascii)
        ASSERT_LT(c, 128) << ascii;
    EXPECT_TRUE(
        contains(ascii, "<V i=\"0\">Gr&#252;&#223;e &#8364; 5 &#26085;&#26412; &#128512;</V>"));
    EXPECT_TRUE(contains(ascii, "name=\"Stra&#223;e\""));

    std::string utf8 = toXml(p, XmlEncoding::Utf8);
    EXPECT_TRUE(contains(utf8, "<V i=\"0\">" + text + "</V>"));
    EXPECT_EQ(dataPacketFromXml(ascii).rows[0].values[0], Variant(text));
}

TEST(XmlCodecText, TextXmlCannotCarry) {
    // Values with control characters or bytes that are no UTF-8 travel base64 and come back exact.
    const std::string control = std::string("a\0b", 3) + "\x01\x1B[0m\x7F\f";
    const std::string latin1 =
        "Gr\xFC\xDF"
        "e";
    const std::string surrogate = "\xED\xA0\x80";
    DataPacket p;
    p.hasMetadata = true;
    p.fields = {field("A", FieldType::String), field("B", FieldType::Memo),
                field("C", FieldType::String)};
    p.attributes = {{"CTRL", Variant(control)}};
    p.rows.push_back(row({Variant(control), Variant(latin1), Variant(surrogate)}));
    expectRoundTrip(p);
    std::string xml = toXml(p, XmlEncoding::Utf8);
    EXPECT_TRUE(contains(xml, "<V i=\"1\" enc=\"base64\">R3L832U=</V>"));

    // Names and messages are text for people: such characters become U+FFFD there.
    DataPacket named;
    named.hasMetadata = true;
    named.fields = {field(std::string("BAD\x01NAME"), FieldType::Integer)};
    PacketRow failed = row({Variant(std::int32_t(1))}, RowStatus::Inserted);
    failed.error = RowError{1, 1, "bell\x07 byte\xFF", 5};
    named.rows.push_back(failed);
    std::string ascii = toXml(named, XmlEncoding::Ascii);
    EXPECT_TRUE(contains(ascii, "name=\"BAD&#65533;NAME\""));
    EXPECT_TRUE(contains(ascii, "ERROR_MESSAGE=\"bell&#65533; byte&#65533;\""));
    DataPacket read = dataPacketFromXml(ascii);
    EXPECT_EQ(read.fields[0].name(), "BAD\xEF\xBF\xBDNAME");
    EXPECT_EQ(read.rows[0].error->message, "bell\xEF\xBF\xBD byte\xEF\xBF\xBD");
}

TEST(XmlCodecRead, DocumentsWrittenElsewhereReadAsWell) {
    // Indented, with comments, CDATA, character references and a differently quoted attribute.
    DataPacket p = dataPacketFromXml(R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- an order -->
<DATAPACKET Version="1.0">
  <METADATA>
    <FIELDS>
      <FIELD name="ID" type="Integer"/>
      <FIELD name='TEXT' type="String"/>
      <FIELD name="LINES" type="DataSet">
        <FIELDS><FIELD name="QTY" type="Float"/></FIELDS>
      </FIELD>
    </FIELDS>
  </METADATA>
  <ROWDATA>
    <ROW RowState="modified">
      <V i="0">12</V>
      <V i="1"><![CDATA[<b>]]> &#x263A; &amp; </V>
      <V i="2">
        <ROW><V i="0">1e3</V></ROW>
      </V>
    </ROW>
  </ROWDATA>
</DATAPACKET>
)");
    ASSERT_EQ(p.rows.size(), 1u);
    EXPECT_EQ(p.rows[0].status, RowStatus::Modified);
    EXPECT_EQ(p.fields[2].children.size(), 1u);
    EXPECT_EQ(p.rows[0].values[1], Variant("<b> \xE2\x98\xBA & "));
    ASSERT_EQ(p.rows[0].values[2].type(), Variant::Type::Packet);
    EXPECT_EQ(p.rows[0].values[0], Variant(std::int32_t(12)));
    EXPECT_EQ(p.rows[0].values[2].asPacket()->rows[0].values[0], Variant(1000.0));
}

void expectFailure(const std::string& xml, std::string_view message) {
    try {
        dataPacketFromXml(xml);
        ADD_FAILURE() << "read without error: " << xml;
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), message) << xml;
    }
}

TEST(XmlCodecRead, MalformedDocumentsFailWithClearMessages) {
    const std::string head =
        "<DATAPACKET Version=\"1.0\"><METADATA><FIELDS><FIELD name=\"N\" type=\"Integer\"/>"
        "</FIELDS></METADATA><ROWDATA>";
    const std::string tail = "</ROWDATA></DATAPACKET>";
    expectFailure(
        "<DATAPACKET>\n<ROWDATA></DATAPACKET>",
        "Invalid data packet: malformed XML at line 2, column 12: Start-end tags mismatch");
    expectFailure(
        "", "Invalid data packet: malformed XML at line 1, column 1: No document element found");
    expectFailure("<PACKET/>",
                  "Invalid data packet: the document element is <PACKET>, not <DATAPACKET>");
    expectFailure("<DATAPACKET Version=\"2.0\"/>",
                  "Invalid data packet: unsupported version \"2.0\"");
    expectFailure(head + "<ROW><V i=\"0\">12x</V></ROW>" + tail,
                  "Invalid data packet: \"12x\" is not a valid Integer value for field \"N\"");
    expectFailure(head + "<ROW><V i=\"0\"> 12</V></ROW>" + tail,
                  "Invalid data packet: \" 12\" is not a valid Integer value for field \"N\"");
    expectFailure(head + "<ROW RowState=\"changed\"/>" + tail,
                  "Invalid data packet: unknown row state \"changed\"");
    expectFailure(head + "<ROW><V>1</V></ROW>" + tail,
                  "Invalid data packet: a <V> has no field index");
    expectFailure(head + "<ROW><V i=\"-1\">1</V></ROW>" + tail,
                  "Invalid data packet: attribute i of <V> is not a valid number: \"-1\"");
    expectFailure(head + "<ROW><V i=\"99999\">1</V></ROW>" + tail,
                  "Invalid data packet: field index 99999 is too large");
    expectFailure(head + "<ROW><V i=\"0\">1</V><V i=\"0\">2</V></ROW>" + tail,
                  "Invalid data packet: field index 0 appears twice in a row");
    expectFailure(head + "<ROW><X/></ROW>" + tail,
                  "Invalid data packet: unexpected element <X> in <ROW>");
    expectFailure(head + "<ROW><V i=\"0\" type=\"Word\">1</V></ROW>" + tail,
                  "Invalid data packet: unknown value type \"Word\"");
    expectFailure(head + "<ROW><V i=\"0\" type=\"Blob\">***</V></ROW>" + tail,
                  "Invalid data packet: \"***\" is not a valid Blob value for field \"N\"");
    expectFailure(
        head + "<ROW ERROR_CODE=\"x\"/>" + tail,
        "Invalid data packet: attribute ERROR_CODE of <ROW> is not a valid number: \"x\"");
    expectFailure(
        "<DATAPACKET><METADATA><FIELDS><FIELD name=\"A\" "
        "type=\"Text\"/></FIELDS></METADATA></DATAPACKET>",
        "Invalid data packet: unknown type \"Text\" of field \"A\"");
    expectFailure(
        "<DATAPACKET><METADATA><PARAMS><PARAM name=\"P\" "
        "type=\"Integer\"/></PARAMS></METADATA></DATAPACKET>",
        "Invalid data packet: parameter \"P\" has no value");
    expectFailure("<DATAPACKET>text</DATAPACKET>",
                  "Invalid data packet: unexpected text in <DATAPACKET>");

    // Nesting is bounded.
    std::string deep = "<DATAPACKET><ROWDATA>";
    for (int i = 0; i < 40; ++i)
        deep += "<ROW><V i=\"0\">";
    deep += "<ROW/>";
    for (int i = 0; i < 40; ++i)
        deep += "</V></ROW>";
    expectFailure(deep + "</ROWDATA></DATAPACKET>",
                  "Invalid data packet: tables or values nested more than 16 levels deep");
}

// Each part of a document that can be wrong is named in the message: the attribute, the element,
// the field by name or by number, the parameter, the array item.
TEST(XmlCodecRead, TheFaultyPartIsNamed) {
    const std::string meta = "<DATAPACKET><METADATA>";
    const std::string metaEnd = "</METADATA></DATAPACKET>";
    const std::string rows = "<DATAPACKET><ROWDATA>";
    const std::string rowsEnd = "</ROWDATA></DATAPACKET>";
    struct Case {
        std::string xml;
        std::string_view message;
    };
    const Case cases[] = {
        {meta + "<FIELDS><FIELD name=\"A\" required=\"yes\"/></FIELDS>" + metaEnd,
         "Invalid data packet: attribute required of <FIELD> is not true or false: \"yes\""},
        {meta + "<FIELDS><FIELD name=\"A\" PROVFLAGS=\"256\"/></FIELDS>" + metaEnd,
         "Invalid data packet: attribute PROVFLAGS of <FIELD> is not a valid number: \"256\""},
        {meta + "<FIELDS><FIELD type=\"Integer\"/></FIELDS>" + metaEnd,
         "Invalid data packet: a <FIELD> has no name"},
        {meta + "<FIELDS><FIELD name=\"A\" paramType=\"in\"/></FIELDS>" + metaEnd,
         "Invalid data packet: unknown parameter type \"in\" of field \"A\""},
        {meta + "<FIELDS><FIELD name=\"A\"><FIELDS/><FIELDS/></FIELD></FIELDS>" + metaEnd,
         "Invalid data packet: field \"A\" has more than one <FIELDS>"},
        {"<DATAPACKET><METADATA/><METADATA/></DATAPACKET>",
         "Invalid data packet: <DATAPACKET> has more than one <METADATA>"},
        {meta + "<PARAMS><PARAM type=\"Integer\" value=\"1\"/></PARAMS>" + metaEnd,
         "Invalid data packet: a <PARAM> has no name"},
        {meta + "<PARAMS><PARAM name=\"P\" type=\"Date\" value=\"x\"/></PARAMS>" + metaEnd,
         "Invalid data packet: \"x\" is not a valid Date value for parameter \"P\""},
        {meta + "<PARAMS><PARAM name=\"P\" type=\"Packet\"/></PARAMS>" + metaEnd,
         "Invalid data packet: <PARAM> holds no single <DATAPACKET>"},
        {meta + "<PARAMS><PARAM name=\"P\" type=\"Array\"><ITEM/></PARAM></PARAMS>" + metaEnd,
         "Invalid data packet: <ITEM> has no type"},
        {meta + "<PARAMS><PARAM name=\"P\" type=\"Array\"><ITEM type=\"Time\"/></PARAM></PARAMS>" +
             metaEnd,
         "Invalid data packet: an array item has no value"},
        {meta +
             "<PARAMS><PARAM name=\"P\" type=\"Array\"><ITEM type=\"Time\" value=\"x\"/></PARAM>"
             "</PARAMS>" +
             metaEnd,
         "Invalid data packet: \"x\" is not a valid Time value for an array item"},
        {rows + "<ROW><V i=\"3\" type=\"Integer\">z</V></ROW>" + rowsEnd,
         "Invalid data packet: \"z\" is not a valid Integer value for field 3"},
        {rows + "<ROW><V i=\"0\" enc=\"hex\">61</V></ROW>" + rowsEnd,
         "Invalid data packet: unknown text encoding \"hex\" in <V>"},
        {rows + "<ROW><V i=\"0\" enc=\"base64\">***</V></ROW>" + rowsEnd,
         "Invalid data packet: the base64 text in <V> is not valid"},
        {rows + "<ROW><V i=\"0\" type=\"String\"><X/></V></ROW>" + rowsEnd,
         "Invalid data packet: unexpected element <X> in <V>"},
    };
    for (const Case& c : cases)
        expectFailure(c.xml, c.message);
}

}  // namespace
}  // namespace zorvanil::packet
