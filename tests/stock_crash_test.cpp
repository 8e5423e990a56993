#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/demo_shop.hpp"
#include "support/planned_notes.hpp"
#include "support/raw_sqlite.hpp"
#include "support/server_process.hpp"
#include "support/stock_fixture.hpp"
#include "support/temp_dir.hpp"

namespace zorvanil::test {
namespace {

constexpr int kClients = 3;
constexpr int kFirstNote = 7000;
constexpr int kMostNotesEach = 200;
// The server is killed once this many notes are confirmed, with others in flight.
constexpr int kConfirmedBeforeKill = 15;

// The server process is killed with SIGKILL while clients apply delivery notes. After a restart,
// every note the database holds has all its lines and exactly their stock movement, no
// movement is there without its note, and every note a client saw confirmed is there.
TEST(StockCrash, ServerKilledWhileApplying_LeavesEachNoteWithItsMovementOnly) {
    TempDir dir;
    const std::filesystem::path demo = createDemoShop(dir / "demo.db");
    const std::filesystem::path connection = dir / "Zconfiguracion.txt";
    writeFile(connection, "z\r\nz\r\n" + demo.string() + "\r\n");
    const std::vector<StockedArticle> articles = stockedArticles(demo, 3);
    ASSERT_EQ(articles.size(), 3u);
    const StockTables initial = readStockTables(demo);

    std::mutex m;
    std::set<int> confirmed;
    {
        ServerProcess server(dir.path(), connection);
        std::vector<std::thread> clients;
        for (int c = 0; c < kClients; ++c) {
            clients.emplace_back([&, c] {
                try {
                    client::Client client(server.address());
                    client.createObject();
                    client.getRecords(kDeliveryNote.provider, -1, Variant(kDeliveryNote.read));
                    for (int n = 0; n < kMostNotesEach; ++n) {
                        const int number = kFirstNote + c * kMostNotesEach + n;
                        if (client
                                .applyUpdates(kDeliveryNote.provider, plannedNote(number, articles),
                                              0)
                                .errorCount == 0) {
                            std::lock_guard lock(m);
                            confirmed.insert(number);
                        }
                    }
                } catch (const std::exception&) {
                    // The server went away.
                }
            });
        }
        // A slow build on a busy machine may need a while for them.
        bool enough = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!enough && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            std::lock_guard lock(m);
            enough = confirmed.size() >= kConfirmedBeforeKill;
        }
        server.kill();
        for (std::thread& t : clients)
            t.join();
        ASSERT_TRUE(enough) << confirmed.size() << " notes confirmed";
    }

    // The restarted server opens the database and serves it.
    ServerProcess again(dir.path(), connection);
    {
        client::Client client(again.address());
        client.createObject();
        EXPECT_EQ(client.getProviderNames().size(), 56u);
        client.release();
    }

    const int last = kFirstNote + kClients * kMostNotesEach - 1;
    RawSqlite db(demo, SQLITE_OPEN_READONLY);
    std::set<int> stored;
    for (const auto& row : db.rows("SELECT ID_ALBARAN FROM ALBARANES WHERE ANYO=2024 AND "
                                   "ID_EMPRESA=1 AND ID_SERIE='A' AND ID_ALBARAN BETWEEN " +
                                   std::to_string(kFirstNote) + " AND " + std::to_string(last)))
        stored.insert(std::stoi(row.at(0)));
    for (int number : confirmed)
        EXPECT_TRUE(stored.contains(number)) << number << " was confirmed and is gone";
    for (int number : stored)
        EXPECT_EQ(db.number("SELECT COUNT(*) FROM LIN_ALBARAN WHERE ANYO=2024 AND ID_EMPRESA=1 "
                            "AND ID_SERIE='A' AND ID_ALBARAN=" +
                            std::to_string(number)),
                  static_cast<std::int64_t>(plannedLines(number, articles).size()))
            << number;
    EXPECT_EQ(db.number("SELECT COUNT(*) FROM LIN_ALBARAN L WHERE ANYO=2024 AND ID_ALBARAN "
                        "BETWEEN " +
                        std::to_string(kFirstNote) + " AND " + std::to_string(last) +
                        " AND NOT EXISTS (SELECT 1 FROM ALBARANES A WHERE A.ID_ALBARAN="
                        "L.ID_ALBARAN AND A.ANYO=L.ANYO AND A.ID_EMPRESA=L.ID_EMPRESA AND "
                        "A.ID_SERIE=L.ID_SERIE)"),
              0);
    EXPECT_EQ(differences(afterStoredNotes(demo, initial, kFirstNote, last).rows(),
                          readStockTables(demo).rows()),
              std::vector<std::string>{});
    EXPECT_EQ(again.stop(), 0);
    RecordProperty("confirmed", static_cast<int>(confirmed.size()));
    RecordProperty("stored", static_cast<int>(stored.size()));
}

}  // namespace
}  // namespace zorvanil::test
