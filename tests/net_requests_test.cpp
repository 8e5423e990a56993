#include <gtest/gtest.h>

#include <boost/json/parse.hpp>

#include "support/running_server.hpp"

namespace zorvanil::test {
namespace {

namespace json = boost::json;

// One request as the client writes it, and what its answer says: the error code and message (code
// 0 for a result) and the id as the answer writes it.
struct RequestCase {
    const char* name;
    const char* request;
    std::int64_t code;
    const char* message;
    const char* id;
};

// The rows run in order on one connection, which holds no object before the second row.
const RequestCase kRequestCases[] = {
    {"create_object_refuses_an_unknown_member",
     R"({"jsonrpc":"2.0","id":1,"method":"CreateObject",)"
     R"("params":{"class":"ZORVANIL.AZORVANIL","acessKey":"x"}})",
     -32602, R"(Invalid params: unknown member "acessKey")", "1"},
    {"a_large_id_comes_back_digit_for_digit",
     R"({"jsonrpc":"2.0","id":123456789012345678901234567890,"method":"CreateObject",)"
     R"("params":{"class":"ZORVANIL.AZORVANIL"}})",
     0, "", "123456789012345678901234567890"},
    {"a_decimal_id_comes_back_as_written", R"({"jsonrpc":"2.0","id":1.50,"method":"AS_Nothing"})",
     -32601, "Method not found: AS_Nothing", "1.50"},
    {"a_text_id_keeps_its_escapes", R"({"jsonrpc":"2.0","id":"a\u0062","method":"AS_Nothing"})",
     -32601, "Method not found: AS_Nothing", R"("a\u0062")"},
    {"two_methods_are_refused",
     R"({"jsonrpc":"2.0","id":2,"method":"Release","method":"AS_GetProviderNames"})", -32600,
     R"(Invalid Request: the member "method" appears more than once)", "2"},
    {"a_name_written_with_an_escape_is_the_same_name",
     R"({"jsonrpc":"2.0","id":3,"m\u0065thod":"Release","method":"AS_GetProviderNames"})", -32600,
     R"(Invalid Request: the member "method" appears more than once)", "3"},
    {"two_ids_answer_with_none",
     R"({"jsonrpc":"2.0","id":4,"id":5,"method":"AS_GetProviderNames"})", -32600,
     R"(Invalid Request: the member "id" appears more than once)", "null"},
    {"a_repeated_argument_is_refused",
     R"({"jsonrpc":"2.0","id":6,"method":"AS_GetRecords","params":)"
     R"({"ProviderName":"DSPQ_NONE","ProviderName":"DSPQ_PROCEDURE","Count":1}})",
     -32600, R"(Invalid Request: the member "ProviderName" appears more than once)", "6"},
    {"a_repeated_value_deep_in_a_packet_is_refused",
     R"({"jsonrpc":"2.0","id":7,"method":"AS_ApplyUpdates","params":{"ProviderName":)"
     R"("DSPQ_PROCEDURE","MaxErrors":0,"Delta":{"rows":[{"status":"inserted",)"
     R"("values":{"ID":30,"ID":31}}]}}})",
     -32600, R"(Invalid Request: the member "ID" appears more than once)", "7"},
    {"an_id_beyond_every_double_comes_back_as_written",
     R"({"jsonrpc":"2.0","id":-1e400,"method":"AS_GetProviderNames"})", 0, "", "-1e400"},
    {"the_object_still_answers",
     R"({"jsonrpc":"2.0","id":18446744073709551616,"method":"AS_GetProviderNames"})", 0, "",
     "18446744073709551616"},
};

TEST(NetRequests, IdsComeBackAsSentAndAmbiguousRequestsAreRefused) {
    RunningServer server;
    auto c = server.connect(false);
    for (const RequestCase& row : kRequestCases) {
        SCOPED_TRACE(row.name);
        c->sendText(row.request);
        const std::string text = c->receiveText();
        const std::string idEnd = std::string(R"(,"id":)") + row.id + "}";
        ASSERT_GE(text.size(), idEnd.size()) << text;
        EXPECT_EQ(text.substr(text.size() - idEnd.size()), idEnd) << text;
        json::object answer = json::parse(text).as_object();
        if (row.code == 0) {
            EXPECT_TRUE(answer.contains("result")) << text;
            continue;
        }
        EXPECT_EQ(answer.at("error").at("code").as_int64(), row.code) << text;
        EXPECT_EQ(answer.at("error").at("message").as_string(), row.message) << text;
    }
    EXPECT_EQ(server.db.scalar("SELECT COUNT(*) FROM T"), "3");
    EXPECT_EQ(server.host->liveObjects(), 1);
}

}  // namespace
}  // namespace zorvanil::test
