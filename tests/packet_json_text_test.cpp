#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "net/json_rpc.hpp"
#include "net/remote_call.hpp"
#include "packet/json_codec.hpp"
#include "packet/json_packet_parts.hpp"
#include "packet/json_parser.hpp"
#include "support/case_names.hpp"
#include "support/packet_dump.hpp"
#include "support/project_files.hpp"

namespace zorvanil::test {
namespace {

// What a reading gives: the packet, or the message it fails with.
template <class Read>
std::string outcome(Read read) {
    try {
        return packetDump(read());
    } catch (const std::exception& e) {
        return std::string("error: ") + e.what();
    }
}

std::string fromParsedText(const std::string& text) {
    return outcome([&] {
        boost::system::error_code ec;
        boost::json::value parsed = packet::parseJson(text, ec);
        if (ec) throw std::runtime_error("no JSON");
        return packet::dataPacketFromJson(parsed);
    });
}

std::string fromText(const std::string& text) {
    return outcome([&] { return packet::dataPacketFromJsonText(text); });
}

struct TextCase {
    const char* name;
    std::string json;
    // Whether the text is read straight; the others are read from their parsed text.
    bool straight = true;
};

std::string longTextWithEscapes() {
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += i % 7 ? "ab" : "\\\"\\u00f1";
    return text;
}

// Packets as clients write them, in the order the server writes them and in others, and
// malformed ones: read straight from the text, each is what its parsed text reads as.
const TextCase kTextCases[] = {
    {"round_trip",
     R"({"fields":[{"name":"ID","type":"Integer","required":true},{"name":"FECHA","type":"Date"},)"
     R"({"name":"Q_LINES","type":"DataSet","fields":[{"name":"QTY","type":"Float"}]}],)"
     R"("attributes":{"LCID":0},"rows":[[1,"2024-05-01",[[1.5]]],{"status":"modified",)"
     R"("values":{"FECHA":null}}]})"},
    {"empty", "{}"},
    {"blanks_everywhere", " {\n \"rows\" : [ [ 1 , \"a\" ] , { \"status\" : \"deleted\" } ] } "},
    {"typed_values",
     R"({"fields":[{"name":"D","type":"Date"},{"name":"T","type":"Time"},)"
     R"({"name":"B","type":"Blob"},{"name":"S","type":"String","size":20,"PROVFLAGS":7,)"
     R"("ORIGIN":"X.S","SERVER_CALC":true,"FIELDPROPS":"p","displayWidth":4,"fixed":true}],)"
     R"("rows":[["2024-02-29","12:30:05","aGVsbG8=","x"],["2024-02-30","25:00:00","",null],)"
     R"({"status":"inserted","values":{"d":"1999-12-31","B":"AAE="}}]})"},
    {"bad_base64", R"({"fields":[{"name":"B","type":"Blob"}],"rows":[["a*b"]]})", false},
    {"numbers",
     R"({"rows":[[0,-1,2147483647,2147483648,-2147483649,9223372036854775807,)"
     R"(18446744073709551615,18446744073709551616,1e400,-0.0,486.21890432606835,5E-1,true,false]]})"},
    {"params_packet",
     R"({"fields":[{"name":"P1","type":"Integer","paramType":"input"},)"
     R"({"name":"P2","type":"String","paramType":"inputOutput"}],"rows":[[1,"a"]]})"},
    {"result_packet",
     R"({"fields":[{"name":"ID","type":"Integer"}],"rows":[{"status":"inserted","values":)"
     R"({"ID":1},"error":{"ERROR_RECORDNO":1,"response":2,"message":"no","code":19}},)"
     R"({"status":"modified","error":{"message":7,"code":"x"}},{"error":[1,{"a":2}]},)"
     R"({"error":3}]})"},
    {"nested_change",
     R"({"fields":[{"name":"ID","type":"Integer"},{"name":"Q_LINES","type":"DataSet",)"
     R"("fields":[{"name":"N","type":"Integer"}]}],"attributes":{"TABLE_NAME":"H"},)"
     R"("rows":[{"status":"modified","values":{"ID":1},"Q_LINES":[{"status":"inserted",)"
     R"("values":{"N":1,"EXTRA":"e"}},[2,3,4]]},{"status":"unchanged","values":{"ID":1}}]})"},
    {"undescribed_nested",
     R"({"rows":[{"status":"inserted","values":{"A":1,"L":[[1],[2,{"rows":[[3]]}]]},)"
     R"("M":[{"values":{"X":[]}}]},[5,[[6]],{"fields":[{"name":"Z"}],"rows":[[7]]}]]})"},
    {"field_names_in_another_case",
     R"({"fields":[{"name":"Id"},{"name":"ID"}],"rows":[{"values":{"id":1,"iD":2,"NEW":3}},)"
     R"({"values":{"new":4}},[9]]})"},
    {"arrays_and_objects_as_values",
     R"({"fields":[{"name":"A","type":"String"}],"attributes":{"X":[1,"a",null],)"
     R"("Y":{"rows":[[1]]},"Z":"z"},"rows":[[["a",["b"]],{"rows":[]},{"x":1}]]})"},
    {"members_nothing_reads",
     R"({"extra":{"rows":[1],"fields":7},"rows":[],"more":[[{"a":[]}]],"last":"x"})"},
    {"escapes_in_names_and_texts",
     "{\"fi\\u0065lds\":[{\"name\":\"A\\u00f1\",\"type\":\"String\"}],\"ro\\u0077s\":[{"
     "\"st\\u0061tus\":\"inserted\",\"val\\u0075es\":{\"a\\u00d1\":\"x\\ty\\n\\\"z\\\"\"}}]}"},
    {"a_long_text_with_escapes",
     R"({"rows":[[")" + longTextWithEscapes() + R"(",")" + std::string(10000, 'q') + R"("]]})"},
    {"rows_before_fields",
     R"({"rows":[[1,"2024-01-02"]],"fields":[{"name":"A"},)"
     R"({"name":"D","type":"Date"}]})",
     false},
    {"attributes_after_rows", R"({"fields":[{"name":"A"}],"rows":[[1]],"attributes":{"T":1}})"},
    {"a_field_named_before_values", R"({"rows":[{"B":2,"values":{"A":1}},{"values":{"B":3}}]})",
     false},
    {"status_and_error_after_values",
     R"({"rows":[{"values":{"A":1},"error":{"code":1},"status":"deleted"}]})"},
    // Malformed packets.
    {"not_an_object", "[]", false},
    {"a_text", R"("rows")", false},
    {"rows_not_an_array", R"({"rows": 3})", false},
    {"unknown_status", R"({"rows":[{"status":"gone"}]})", false},
    {"unknown_status_after_values", R"({"rows":[{"values":{"A":[]},"status":"gone"}]})", false},
    {"field_without_name", R"({"fields":[{"type":"Integer"}]})", false},
    {"fields_not_an_array", R"({"fields": 1})", false},
    {"field_not_an_object", R"({"fields": [1]})", false},
    {"nested_fields_not_an_array", R"({"fields": [{"name": "A", "fields": {}}]})", false},
    {"attributes_not_an_object", R"({"attributes": []})", false},
    {"row_neither_array_nor_object", R"({"rows": [1]})", false},
    {"status_not_text", R"({"rows": [{"status": 1}]})", false},
    {"values_not_an_object", R"({"rows": [{"values": []}]})", false},
    {"values_null", R"({"rows": [{"values": null}]})", false},
    {"the_first_of_two_faults_in_reading_order",
     R"({"rows":[{"values":[],"status":7}],"fields":[{"name":"A","fields":1}]})", false},
    {"a_fault_in_a_nested_table", R"({"fields":[{"name":"L","type":"DataSet"}],"rows":[[[1]]]})",
     false},
    {"a_fault_in_a_packet_value", R"({"rows":[[{"rows":[{"status":"x"}]}]]})", false},
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << quotedText(std::string_view(c.json).substr(0, 300));
}

class PacketJsonText : public ::testing::TestWithParam<TextCase> {};

TEST_P(PacketJsonText, ReadsAsItsParsedTextReads) {
    const std::string& text = GetParam().json;
    EXPECT_EQ(fromText(text), fromParsedText(text));
    // A packet in the order packets are written in must not be parsed as well.
    EXPECT_EQ(packet::json_parts::straightPacket(text).has_value(), GetParam().straight);
}

INSTANTIATE_TEST_SUITE_P(Cases, PacketJsonText, ::testing::ValuesIn(kTextCases), CaseName());

TEST(PacketJsonTextCorpus, EveryPacketOfTheFuzzCorpusReadsAsItsParsedText) {
    int read = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(sourceDir() / "fuzz/corpus/json_packet")) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_EQ(fromText(text.str()), fromParsedText(text.str())) << entry.path();
        ++read;
    }
    EXPECT_GT(read, 0);
}

// A call read from a request whose packets are read from its text: the packets, or the error
// answered, with the code and the message the rules of the request give, whichever part of the
// request is wrong and wherever it stands.
struct CallCase {
    const char* name;
    const char* request;
    std::int32_t code;    // 0: the call is read
    const char* message;  // the error's, or the Delta's packet as it reads parsed
};

const CallCase kCallCases[] = {
    {"a_delta_reads_as_parsed",
     R"({"jsonrpc":"2.0","id":1,"method":"AS_ApplyUpdates","params":{"Delta":{"fields":)"
     R"([{"name":"A","type":"Date"}],"rows":[{"status":"inserted","values":{"A":"2024-01-01"}}]},)"
     R"("ProviderName":"P","MaxErrors":-1}})",
     0,
     R"({"fields":[{"name":"A","type":"Date"}],"rows":[{"status":"inserted","values":)"
     R"({"A":"2024-01-01"}}]})"},
    {"a_name_with_an_escape",
     R"({"jsonrpc":"2.0","id":1,"method":"AS_ApplyUpdates","params":{"Del\u0074a":{"rows":[[1]]},)"
     R"("ProviderName":"P","MaxErrors":0}})",
     0, R"({"rows":[[1]]})"},
    {"an_unreadable_delta_before_a_wrong_count",
     R"({"jsonrpc":"2.0","id":1,"method":"AS_ApplyUpdates","params":{"ProviderName":"P",)"
     R"("Delta":{"rows":[{"status":"gone"}]},"MaxErrors":"x"}})",
     -32602, R"(Invalid params: "Delta": Invalid data packet: unknown row status "gone")"},
    {"a_wrong_provider_before_an_unreadable_delta",
     R"({"jsonrpc":"2.0","id":1,"method":"AS_ApplyUpdates","params":{)"
     R"("Delta":{"rows":3},"ProviderName":{"rows":[]},"MaxErrors":0}})",
     -32602, R"(Invalid params: "ProviderName" must be a string)"},
    {"an_object_count",
     R"({"jsonrpc":"2.0","id":1,"method":"AS_ApplyUpdates","params":{"ProviderName":"P",)"
     R"("Delta":{},"MaxErrors":{"a":1}}})",
     -32602, R"(Invalid params: "MaxErrors" must be a 32-bit integer)"},
    {"an_unknown_member_before_an_unreadable_delta",
     R"({"jsonrpc":"2.0","id":1,"method":"AS_ApplyUpdates","params":{"ProviderName":"P",)"
     R"("Delta":{"rows":3},"MaxErrors":0,"Extra":{"rows":[]}}})",
     -32602, R"(Invalid params: unknown member "Extra")"},
    {"a_parse_error_after_the_delta",
     R"({"jsonrpc":"2.0","id":1,"method":"AS_ApplyUpdates","params":{"ProviderName":"P",)"
     R"("Delta":{"rows":3},"MaxErrors":0}})"
     "x",
     -32700, "Parse error: extra data"},
    {"a_delta_too_deep",
     R"({"jsonrpc":"2.0","id":1,"method":"AS_ApplyUpdates","params":{"Delta":{"rows":[[[[[[[[[[)"
     R"([[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]}}})",
     -32700, "Parse error: too deep"},
    {"a_repeated_member_in_the_delta",
     R"({"jsonrpc":"2.0","id":1,"method":"AS_ApplyUpdates","params":{"ProviderName":"P",)"
     R"("Delta":{"rows":[],"rows":[[1]]},"MaxErrors":0}})",
     -32600, R"(Invalid Request: the member "rows" appears more than once)"},
};

void PrintTo(const CallCase& c, std::ostream* os) {
    *os << quotedText(c.request);
}

class RequestPackets : public ::testing::TestWithParam<CallCase> {};

TEST_P(RequestPackets, AreReadFromTheMessageText) {
    const CallCase& c = GetParam();
    // The text is a copy of its own, as the message buffer is, to find a view kept too long.
    const std::string text = c.request;
    net::ParsedMessage parsed = net::parseRequest(text);
    std::int32_t code = 0;
    std::string message;
    if (!parsed.request) {
        code = parsed.error.code;
        message = parsed.error.message;
    } else {
        auto call = net::readRemoteCall(*parsed.request);
        if (auto* error = std::get_if<net::RpcError>(&call)) {
            code = error->code;
            message = error->message;
        } else {
            const Variant& delta = std::get<packet::OperationCall>(call).variant("Delta");
            ASSERT_EQ(delta.type(), Variant::Type::Packet);
            message = packetDump(*delta.asPacket());
            EXPECT_EQ(message, fromParsedText(c.message));
        }
    }
    EXPECT_EQ(code, c.code);
    if (c.code != 0) {
        EXPECT_EQ(message, c.message);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RequestPackets, ::testing::ValuesIn(kCallCases), CaseName());

}  // namespace
}  // namespace zorvanil::test
