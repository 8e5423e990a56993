#include <gtest/gtest.h>

#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "support/demo_shop.hpp"
#include "support/planned_notes.hpp"
#include "support/raw_sqlite.hpp"
#include "support/running_server.hpp"
#include "support/stock_fixture.hpp"

namespace zorvanil::test {
namespace {

constexpr int kClients = 5;
constexpr int kNotesEach = 12;
constexpr int kFirstNote = 8000;

// What became of one apply: committed, or failed with its message (a busy database may fail
// one: then it must have left nothing).
struct Outcome {
    int number = 0;
    bool applied = false;
    std::string failure;
};

// How long a writer waits for another before its apply fails with the database busy.
struct Contention {
    const char* name;
    int busyTimeoutMs;
};

const Contention kContentions[] = {
    {"writers wait for each other", 30000},
    {"writers give up at once", 1},
};

// Several clients apply delivery notes at the same time, on the same few articles, once with
// writers that wait for each other and once with writers that give up: every apply either
// commits or reports its failure and leaves nothing, and the stock falls by exactly the lines of
// the notes that were committed.
TEST(StockConcurrency, ClientsApplyingAtOnce_LoseNoMovement) {
    for (const Contention& contention : kContentions) {
        SCOPED_TRACE(contention.name);
        RunningServer server;
        server.db.environment()->connection.busyTimeoutMs = contention.busyTimeoutMs;
        const std::filesystem::path demo = createDemoShop(server.db.dir() / "demo.db");
        server.db.pointConnectionFileAt(demo);
        const std::vector<StockedArticle> articles = stockedArticles(demo, 3);
        ASSERT_EQ(articles.size(), 3u);
        const StockTables initial = readStockTables(demo);

        std::vector<std::vector<Outcome>> outcomes(kClients);
        std::latch ready(kClients);
        std::vector<std::thread> clients;
        for (int c = 0; c < kClients; ++c) {
            clients.emplace_back([&, c] {
                auto client = server.connect();
                client->getRecords(kDeliveryNote.provider, -1, Variant(kDeliveryNote.read));
                ready.arrive_and_wait();
                for (int n = 0; n < kNotesEach; ++n) {
                    Outcome o;
                    o.number = kFirstNote + c * 100 + n;
                    try {
                        const auto r = client->applyUpdates(kDeliveryNote.provider,
                                                            plannedNote(o.number, articles), 0);
                        o.applied = r.errorCount == 0;
                        if (!o.applied) o.failure = "a row failed";
                    } catch (const std::exception& e) {
                        o.failure = e.what();
                    }
                    outcomes[static_cast<std::size_t>(c)].push_back(o);
                }
            });
        }
        for (std::thread& t : clients)
            t.join();

        RawSqlite db(demo, SQLITE_OPEN_READONLY);
        int applied = 0;
        std::string failure;
        for (const auto& mine : outcomes) {
            for (const Outcome& o : mine) {
                const std::string where =
                    " WHERE ANYO=2024 AND ID_EMPRESA=1 AND ID_SERIE='A' AND "
                    "ID_ALBARAN=" +
                    std::to_string(o.number);
                const std::int64_t lines = db.number("SELECT COUNT(*) FROM LIN_ALBARAN" + where);
                const std::int64_t headers = db.number("SELECT COUNT(*) FROM ALBARANES" + where);
                if (o.applied) {
                    ++applied;
                    EXPECT_EQ(headers, 1) << o.number;
                    EXPECT_EQ(lines,
                              static_cast<std::int64_t>(plannedLines(o.number, articles).size()))
                        << o.number;
                } else {
                    failure = o.failure;
                    EXPECT_EQ(headers + lines, 0)
                        << o.number << " failed (" << o.failure << ") and left rows";
                }
            }
        }
        EXPECT_GT(applied, 0);
        EXPECT_EQ(differences(afterStoredNotes(demo, initial, kFirstNote, kFirstNote + 999).rows(),
                              readStockTables(demo).rows()),
                  std::vector<std::string>{});
        RecordProperty(std::string("applied, ") + contention.name, applied);
        RecordProperty(std::string("a failure, ") + contention.name, failure);
    }
}

}  // namespace
}  // namespace zorvanil::test
