#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "packet/json_codec.hpp"
#include "support/case_names.hpp"
#include "support/demo_shop.hpp"
#include "support/dropping_proxy.hpp"
#include "support/planned_notes.hpp"
#include "support/raw_sqlite.hpp"
#include "support/server_process.hpp"
#include "support/stock_fixture.hpp"
#include "support/temp_dir.hpp"

namespace zorvanil::test {
namespace {

constexpr int kNote = 8100;

// A demo shop served by `processes` server processes on the one database file, each in a
// directory of its own (its registry goes there).
struct SharedShop {
    TempDir dir;
    std::filesystem::path demo = createDemoShop(dir / "demo.db");
    std::vector<StockedArticle> articles = stockedArticles(demo, 3);
    StockTables initial = readStockTables(demo);
    std::vector<std::unique_ptr<ServerProcess>> servers;

    explicit SharedShop(int processes) {
        for (int i = 0; i < processes; ++i) {
            const std::filesystem::path home = dir / ("server" + std::to_string(i));
            std::filesystem::create_directories(home);
            // Each process rewrites its connection file as each object connects: one file each.
            const std::filesystem::path connection = home / "Zconfiguracion.txt";
            writeFile(connection, "z\r\nz\r\n" + demo.string() + "\r\n");
            servers.push_back(std::make_unique<ServerProcess>(home, connection));
        }
    }

    // A client of the address that has read the delivery notes, and reads them again after a
    // reconnect, as a client reads what it edits.
    std::unique_ptr<client::Client> reader(const client::ServerAddress& address) const {
        auto c = std::make_unique<client::Client>(address);
        c->createObject();
        c->getRecords(kDeliveryNote.provider, 0, Variant(kDeliveryNote.read));
        c->onReconnect = [](client::Client& again) {
            again.getRecords(kDeliveryNote.provider, 0, Variant(kDeliveryNote.read));
        };
        return c;
    }

    std::int64_t count(const std::string& sql) const { return RawSqlite(demo).number(sql); }
    std::int64_t notes(int first, int last) const {
        return count("SELECT COUNT(*) FROM ALBARANES WHERE ANYO = 2024 AND ID_ALBARAN BETWEEN " +
                     std::to_string(first) + " AND " + std::to_string(last));
    }
    // The stock tables equal the initial ones less the notes stored from first to last.
    std::vector<std::string> stockDifferences(int first, int last) const {
        return differences(afterStoredNotes(demo, initial, first, last).rows(),
                           readStockTables(demo).rows());
    }
};

std::string answerText(const client::ApplyUpdatesResult& r) {
    return packet::jsonText(r.result) + " " + std::to_string(r.errorCount) + " " +
           packet::jsonText(r.ownerData);
}

// ---------------------------------------------------------------------------------------------
// The answer lost after the commit: the client sends the apply again under its id, on a new
// connection, to the same server process or to another one on the same database.
// ---------------------------------------------------------------------------------------------

struct LostAnswerCase {
    const char* name;
    int processes;  // the retry reaches the last of them
};

void PrintTo(const LostAnswerCase& c, std::ostream* os) {
    *os << c.processes << " server process(es)";
}

class LostAnswer : public ::testing::TestWithParam<LostAnswerCase> {};

TEST_P(LostAnswer, TheRetryGetsTheRecordedAnswerAndTheStockMovesOnce) {
    SharedShop shop(GetParam().processes);
    std::vector<client::ServerAddress> targets;
    for (const auto& server : shop.servers)
        targets.push_back(server->address());
    DroppingProxy proxy(targets, "\"ErrorCount\"");

    client::ApplyOptions options;
    options.requestId = "lost-answer-1";
    auto retried = shop.reader(proxy.address())
                       ->applyUpdates(kDeliveryNote.provider, plannedNote(kNote, shop.articles), 0,
                                      {}, options);
    EXPECT_TRUE(proxy.dropped());
    EXPECT_EQ(retried.attempts, 2);
    EXPECT_EQ(retried.requestId, "lost-answer-1");
    EXPECT_EQ(retried.errorCount, 0);

    // The same request once more, straight to the first server, answers the same again.
    options.retries = 0;
    auto again = shop.reader(shop.servers.front()->address())
                     ->applyUpdates(kDeliveryNote.provider, plannedNote(kNote, shop.articles), 0,
                                    {}, options);
    EXPECT_EQ(answerText(again), answerText(retried));

    EXPECT_EQ(shop.notes(kNote, kNote), 1);
    EXPECT_EQ(shop.stockDifferences(kNote, kNote), std::vector<std::string>{});
    EXPECT_EQ(shop.count("SELECT COUNT(*) FROM ZRV_APPLY_REQUEST"), 1);
}

const LostAnswerCase kLostAnswerCases[] = {
    {"SameServer", 1},
    {"AnotherServerProcess", 2},
};
INSTANTIATE_TEST_SUITE_P(ApplyRequest, LostAnswer, ::testing::ValuesIn(kLostAnswerCases),
                         CaseName());

// ---------------------------------------------------------------------------------------------
// A used id with another request is refused and changes nothing; what is recorded and what not.
// ---------------------------------------------------------------------------------------------

struct ReuseCase {
    const char* name;
    int secondNote;  // the note of the second apply under the same id
    int secondMaxErrors;
    Variant secondOwnerData;
    bool refused;
};

void PrintTo(const ReuseCase& c, std::ostream* os) {
    *os << "note " << c.secondNote << ", MaxErrors " << c.secondMaxErrors << ", OwnerData "
        << packet::jsonText(c.secondOwnerData);
}

class ReusedId : public ::testing::TestWithParam<ReuseCase> {};

TEST_P(ReusedId, ADifferentRequestIsRefusedAndTheSameOneAnsweredAgain) {
    const ReuseCase& c = GetParam();
    SharedShop shop(1);
    auto client = shop.reader(shop.servers.front()->address());
    client::ApplyOptions options;
    options.requestId = "till-7/ticket-42";
    auto first = client->applyUpdates(kDeliveryNote.provider, plannedNote(kNote, shop.articles), 0,
                                      {}, options);
    ASSERT_EQ(first.errorCount, 0);
    const std::vector<std::string> stock = readStockTables(shop.demo).rows();

    try {
        auto second =
            client->applyUpdates(kDeliveryNote.provider, plannedNote(c.secondNote, shop.articles),
                                 c.secondMaxErrors, c.secondOwnerData, options);
        EXPECT_FALSE(c.refused);
        EXPECT_EQ(answerText(second), answerText(first));
    } catch (const client::RemoteError& e) {
        EXPECT_TRUE(c.refused) << e.what();
        EXPECT_EQ(std::string(e.what()),
                  "Request id till-7/ticket-42 was used for a different apply; a new apply needs "
                  "a new id");
        EXPECT_EQ(e.code(), -2147418113);
    }
    EXPECT_EQ(readStockTables(shop.demo).rows(), stock);
    EXPECT_EQ(shop.notes(kNote, kNote + 1), 1);
    EXPECT_EQ(shop.count("SELECT COUNT(*) FROM ZRV_APPLY_REQUEST"), 1);
}

const ReuseCase kReuseCases[] = {
    {"SameRequest", kNote, 0, Variant(), false},
    {"AnotherPacket", kNote + 1, 0, Variant(), true},
    {"AnotherMaxErrors", kNote, -1, Variant(), true},
    {"PostingSwitchedOff", kNote, 0, Variant(std::string("1")), true},
};
INSTANTIATE_TEST_SUITE_P(ApplyRequest, ReusedId, ::testing::ValuesIn(kReuseCases), CaseName());

// ---------------------------------------------------------------------------------------------
// Dry runs: nothing stays, and the answer is that of the real apply that follows.
// ---------------------------------------------------------------------------------------------

struct DryRunCase {
    const char* name;
    bool insideCommandTransaction;  // a failed command has left its transaction open
};

void PrintTo(const DryRunCase& c, std::ostream* os) {
    *os << (c.insideCommandTransaction ? "inside the command channel's transaction" : "on its own");
}

class DryRun : public ::testing::TestWithParam<DryRunCase> {};

TEST_P(DryRun, ChangesNothingAndAnswersAsTheApplyThatFollows) {
    SharedShop shop(1);
    auto client = shop.reader(shop.servers.front()->address());
    const std::string counters =
        "SELECT GROUP_CONCAT(ID_EMPRESA || '/' || ANYO || '/' || "
        "COALESCE(ID_ENTRADA, '') || '/' || COALESCE(ID_SALIDA, '')) "
        "FROM OPCIONESNUMERICAS";
    const std::string countersBefore = RawSqlite(shop.demo).text(counters);
    const std::int64_t linesBefore = shop.count("SELECT COUNT(*) FROM LIN_ALBARAN");
    if (GetParam().insideCommandTransaction) {
        EXPECT_THROW(client->execute("DSPQ_ACTUALIZAR", "UPDATE NADA SET X = 1", {},
                                     Variant(std::int32_t{7})),
                     client::RemoteError);
    }

    client::ApplyOptions dry;
    dry.dryRun = true;
    auto trial =
        client->applyUpdates(kDeliveryNote.provider, plannedNote(kNote, shop.articles), 0, {}, dry);
    if (GetParam().insideCommandTransaction)
        client->execute("DSPQ_ACTUALIZAR", "UPDATE OPCIONESNUMERICAS SET ANYO = ANYO WHERE 1 = 0",
                        {}, Variant(std::int32_t{-1}));

    EXPECT_EQ(shop.stockDifferences(kNote, kNote - 1), std::vector<std::string>{});
    EXPECT_EQ(shop.notes(kNote, kNote), 0);
    EXPECT_EQ(shop.count("SELECT COUNT(*) FROM LIN_ALBARAN"), linesBefore);
    EXPECT_EQ(RawSqlite(shop.demo).text(counters), countersBefore);
    ASSERT_EQ(trial.statements.type(), Variant::Type::Array);
    std::string ran;
    for (const Variant& statement : trial.statements.asArray())
        ran += packet::jsonText(statement) + "\n";
    EXPECT_NE(ran.find("insert into"), std::string::npos) << ran;
    EXPECT_NE(ran.find("UPDATE ALMACEN SET"), std::string::npos) << ran;
    EXPECT_EQ(ran.find("ZRV_APPLY_REQUEST"), std::string::npos) << ran;

    auto real = client->applyUpdates(kDeliveryNote.provider, plannedNote(kNote, shop.articles), 0);
    EXPECT_EQ(answerText(real), answerText(trial));
    EXPECT_TRUE(real.statements.isUnassigned());
    EXPECT_EQ(shop.stockDifferences(kNote, kNote), std::vector<std::string>{});
}

const DryRunCase kDryRunCases[] = {
    {"OnItsOwn", false},
    {"InsideTheCommandTransaction", true},
};
INSTANTIATE_TEST_SUITE_P(ApplyRequest, DryRun, ::testing::ValuesIn(kDryRunCases), CaseName());

}  // namespace
}  // namespace zorvanil::test
