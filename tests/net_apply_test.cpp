#include <gtest/gtest.h>

#include <boost/json.hpp>

#include "packet/data_packet.hpp"
#include "packet/json_codec.hpp"
#include "support/delta_builder.hpp"
#include "support/running_server.hpp"

namespace zorvanil::test {
namespace {

std::string countRows(const TestDatabase& db) {
    return db.scalar("SELECT COUNT(*) FROM T");
}

// Many new rows of table T in one change packet.
Variant manyInserts(int from, int count) {
    DeltaBuilder rows{{"ID", db::FieldType::Integer}, {"NAME", db::FieldType::String}};
    rows.attribute("TABLE_NAME", Variant("T"));
    for (int i = 0; i < count; ++i)
        rows.inserted({Variant(from + i), Variant("ROW" + std::to_string(i))});
    return rows.build();
}

TEST(NetApply, AppliesTravelAndFailedRowsComeBack) {
    RunningServer server;
    auto c = server.connect();
    DeltaBuilder rows{{"ID", db::FieldType::Integer}, {"NAME", db::FieldType::String}};
    rows.attribute("TABLE_NAME", Variant("T"))
        .inserted({Variant(10), Variant("TEN")})
        .inserted({Variant(1), Variant("DUPLICATE")});
    auto result = c->applyUpdates("DSPQ_PROCEDURE", rows.build(), -1);
    EXPECT_EQ(result.errorCount, 1);
    ASSERT_EQ(result.result.type(), Variant::Type::Packet);
    const auto& failed = result.result.asPacket()->rows.at(0);
    ASSERT_TRUE(failed.error.has_value());
    EXPECT_EQ(failed.error->recordNo, 2);
    EXPECT_NE(failed.error->message.find("UNIQUE"), std::string::npos) << failed.error->message;
    EXPECT_EQ(countRows(server.db), "4");
}

TEST(NetApply, AFieldNameCannotCarrySqlIntoTheStatement) {
    RunningServer server;
    auto c = server.connect();
    DeltaBuilder rows{{"ID", db::FieldType::Integer},
                      {"NAME\") SELECT ?, ? || (SELECT group_concat(name) FROM sqlite_master "
                       "WHERE type='table') /*",
                       db::FieldType::String}};
    rows.attribute("TABLE_NAME", Variant("T")).inserted({Variant(20), Variant("X")});
    auto result = c->applyUpdates("DSPQ_PROCEDURE", rows.build(), -1);
    EXPECT_EQ(result.errorCount, 1);
    ASSERT_EQ(result.result.type(), Variant::Type::Packet);
    const auto& failed = result.result.asPacket()->rows.at(0);
    ASSERT_TRUE(failed.error.has_value());
    EXPECT_NE(failed.error->message.find("has no column named"), std::string::npos)
        << failed.error->message;
    EXPECT_EQ(countRows(server.db), "3");
}

TEST(NetApply, AClientKilledMidApplyLeavesAllOrNothing) {
    RunningServer server;
    {
        auto c = server.connect();
        boost::json::object params;
        params["ProviderName"] = "DSPQ_PROCEDURE";
        params["Delta"] = packet::variantToJson(manyInserts(1000, 3000));
        params["MaxErrors"] = 0;
        boost::json::object request{{"jsonrpc", "2.0"}, {"id", 1}, {"method", "AS_ApplyUpdates"}};
        request["params"] = std::move(params);
        c->sendText(boost::json::serialize(request));
        c->abort();
    }
    ASSERT_TRUE(eventually([&] { return server.host->liveObjects() == 0; }));
    std::string rows = countRows(server.db);
    EXPECT_TRUE(rows == "3" || rows == "3003") << rows << " rows";
    // The server goes on serving.
    auto again = server.connect();
    EXPECT_EQ(again->getProviderNames().size(), 56u);
}

}  // namespace
}  // namespace zorvanil::test
