#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <boost/json/parse.hpp>

#include "packet/json_codec.hpp"
#include "support/running_server.hpp"

namespace zorvanil::test {
namespace {

namespace json = boost::json;
using client::Client;

// One row of T, as a row request sends it.
constexpr const char* kRowOfT = R"({"fields":[{"name":"ID","type":"Integer"}],"rows":[[1]]})";

std::vector<std::string> memberNames(const json::value& object) {
    std::vector<std::string> names;
    for (const auto& member : object.as_object())
        names.emplace_back(member.key());
    return names;
}

// Each operation answers `result` when it has one and then every argument it answers, in the
// order of its arguments. The row request looks up the row in the rows that the read before it
// left its provider's dataset with.
TEST(RemoteOperations, EachAnswersItsResultAndEveryArgumentItAnswers) {
    struct Case {
        const char* method;
        std::string params;
        std::vector<std::string> answer;
    };
    const Case cases[] = {
        {"AS_ApplyUpdates",
         R"({"ProviderName":"DSPQ_PROCEDURE","Delta":{"rows":[]},"MaxErrors":-1,"OwnerData":"x"})",
         {"result", "ErrorCount", "OwnerData"}},
        {"AS_GetRecords",
         R"({"ProviderName":"DSPQ_PROCEDURE","Count":-1,"CommandText":"SELECT ID FROM T",)"
         R"("Params":null,"OwnerData":"x"})",
         {"result", "RecsOut", "Params", "OwnerData"}},
        {"AS_DataRequest", R"({"ProviderName":"DSPQ_PROCEDURE","Data":5})", {"result"}},
        {"AS_GetProviderNames", "{}", {"result"}},
        {"AS_GetParams",
         R"({"ProviderName":"DSPQ_PROCEDURE","OwnerData":"x"})",
         {"result", "OwnerData"}},
        {"AS_RowRequest",
         std::string(R"({"ProviderName":"DSPQ_PROCEDURE","RequestType":1,"OwnerData":"x","Row":)") +
             kRowOfT + "}",
         {"result", "OwnerData"}},
        {"AS_Execute",
         R"({"ProviderName":"DSPQ_PROCEDURE","CommandText":"UPDATE T SET NAME = NAME",)"
         R"("Params":null,"OwnerData":"x"})",
         {"Params", "OwnerData"}},
    };
    RunningServer server;
    auto c = server.connect();
    for (const Case& row : cases) {
        c->sendText(std::string(R"({"jsonrpc":"2.0","id":1,"method":")") + row.method +
                    R"(","params":)" + row.params + "}");
        json::value answer = json::parse(c->receiveText());
        ASSERT_TRUE(answer.as_object().contains("result")) << row.method << ": " << answer;
        EXPECT_EQ(memberNames(answer.at("result")), row.answer) << row.method;
    }
}

// Each call of the client library reaches its operation and reads back what it answers.
TEST(RemoteOperations, TheClientLibraryCallsEachOperation) {
    const Variant owner("x");
    const Variant row = packet::variantFromJson(json::parse(kRowOfT));
    struct Case {
        const char* method;
        std::function<std::string(Client&)> call;  // what came back, as text
        std::string answer;
    };
    const Case cases[] = {
        {"AS_ApplyUpdates",
         [&](Client& c) {
             auto r =
                 c.applyUpdates("DSPQ_PROCEDURE",
                                packet::variantFromJson(json::parse(R"({"rows":[]})")), -1, owner);
             return std::to_string(r.errorCount) + " " + r.ownerData.toString();
         },
         "0 x"},
        {"AS_GetRecords",
         [&](Client& c) {
             auto r = c.getRecords("DSPQ_PROCEDURE", -1, owner, 0, "SELECT ID FROM T");
             return std::to_string(r.recsOut) + " " + r.ownerData.toString();
         },
         "3 x"},
        {"AS_DataRequest",
         [](Client& c) { return packet::jsonText(c.dataRequest("DSPQ_PROCEDURE", Variant(5))); },
         "null"},
        {"AS_GetProviderNames",
         [](Client& c) { return std::to_string(c.getProviderNames().size()); }, "56"},
        {"AS_GetParams",
         [&](Client& c) { return c.getParams("DSPQ_PROCEDURE", owner).ownerData.toString(); }, "x"},
        {"AS_RowRequest",
         [&](Client& c) {
             auto r = c.rowRequest("DSPQ_PROCEDURE", row, 1, owner);
             return std::to_string(r.result.asPacket()->rows.size()) + " " + r.ownerData.toString();
         },
         "1 x"},
        {"AS_Execute",
         [&](Client& c) {
             auto r = c.execute("DSPQ_PROCEDURE", "UPDATE T SET NAME = NAME", {}, owner);
             return packet::jsonText(r.params) + " " + r.ownerData.toString();
         },
         "null x"},
    };
    RunningServer server;
    auto c = server.connect();
    for (const Case& row : cases)
        EXPECT_EQ(row.call(*c), row.answer) << row.method;
}

}  // namespace
}  // namespace zorvanil::test
