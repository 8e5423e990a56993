#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/demo_shop.hpp"
#include "support/loopback_http.hpp"
#include "support/planned_notes.hpp"
#include "support/raw_sqlite.hpp"
#include "support/server_process.hpp"
#include "support/stock_fixture.hpp"
#include "support/temp_dir.hpp"

namespace zorvanil::test {
namespace {

constexpr int kProcesses = 3;
constexpr int kClients = 6;
constexpr int kNotesEach = 5;
constexpr int kFirstNote = 8500;

// The balancer's configuration, as docs/scaling.md shows it, on loopback ports.
std::string haproxyConfig(std::uint16_t port, const std::vector<std::uint16_t>& servers) {
    std::string text =
        "defaults\n"
        "    mode http\n"
        "    timeout connect 5s\n"
        "    timeout client 60s\n"
        "    timeout server 60s\n"
        "    timeout tunnel 1h\n"
        "frontend zorvanil\n"
        "    bind 127.0.0.1:" +
        std::to_string(port) +
        "\n"
        "    default_backend servers\n"
        "backend servers\n"
        "    balance roundrobin\n"
        "    option httpchk GET /health\n";
    for (std::size_t i = 0; i < servers.size(); ++i)
        text += "    server s" + std::to_string(i) + " 127.0.0.1:" + std::to_string(servers[i]) +
                " check inter 500ms\n";
    return text;
}

// HAProxy in the foreground, ended with the test.
class Haproxy {
  public:
    explicit Haproxy(const std::filesystem::path& config) {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execlp("haproxy", "haproxy", "-db", "-f", config.c_str(), nullptr);
            ::_exit(127);
        }
    }
    ~Haproxy() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }

  private:
    pid_t pid_;
};

// Three server processes on one SQLite file behind HAProxy; clients connect through it, each
// connection reaching one of the processes, and apply delivery notes, one of them under the id of
// another client's note as well. Every note is posted exactly once: the stock is what the
// notes say, and the one sent twice is there once.
TEST(ApplyBalancer, ThreeProcessesBehindHaproxy_PostEveryApplyExactlyOnce) {
    TempDir dir;
    const std::filesystem::path demo = createDemoShop(dir / "demo.db");
    const std::vector<StockedArticle> articles = stockedArticles(demo, 3);
    const StockTables initial = readStockTables(demo);

    std::vector<std::unique_ptr<ServerProcess>> servers;
    std::vector<std::uint16_t> ports;
    // The processes share one connection file, as an installed server's /etc/zorvanil holds one:
    // each object rewrites it as it connects, and none may read it half written.
    const std::filesystem::path connection = dir / "Zconfiguracion.txt";
    writeFile(connection, "z\r\nz\r\n" + demo.string() + "\r\n");
    for (int i = 0; i < kProcesses; ++i) {
        const std::filesystem::path home = dir / ("server" + std::to_string(i));
        std::filesystem::create_directories(home);
        servers.push_back(std::make_unique<ServerProcess>(home, connection));
        ports.push_back(servers.back()->address().port);
    }
    const std::uint16_t port = freePort();
    writeFile(dir / "haproxy.cfg", haproxyConfig(port, ports));
    Haproxy balancer(dir / "haproxy.cfg");
    const client::ServerAddress address{"127.0.0.1", port};

    // Until the balancer listens and has seen its servers healthy.
    bool up = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!up && std::chrono::steady_clock::now() < deadline) {
        try {
            client::Client probe(address);
            probe.createObject();
            up = true;
        } catch (const std::exception&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    ASSERT_TRUE(up) << "HAProxy did not come up";

    std::atomic<int> failures{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            try {
                for (int n = 0; n < kNotesEach; ++n) {
                    // A connection for each note, so that the notes of a client spread too.
                    client::Client client(address);
                    client.createObject();
                    client.getRecords(kDeliveryNote.provider, 0, Variant(kDeliveryNote.read));
                    const int number = kFirstNote + c * kNotesEach + n;
                    client::ApplyOptions options;
                    options.requestId = "note-" + std::to_string(number);
                    if (client
                            .applyUpdates(kDeliveryNote.provider, plannedNote(number, articles), 0,
                                          {}, options)
                            .errorCount != 0)
                        ++failures;
                    // Client 0 sends its first note again, as a till that lost the answer.
                    if (c == 0 && n == 0 &&
                        client.applyUpdates(kDeliveryNote.provider, plannedNote(number, articles),
                                            0, {}, options)
                                .errorCount != 0)
                        ++failures;
                }
            } catch (const std::exception& e) {
                ADD_FAILURE() << e.what();
            }
        });
    }
    for (std::thread& t : clients)
        t.join();
    EXPECT_EQ(failures, 0);

    const int last = kFirstNote + kClients * kNotesEach - 1;
    RawSqlite db(demo);
    EXPECT_EQ(db.number("SELECT COUNT(*) FROM ALBARANES WHERE ANYO = 2024 AND ID_ALBARAN "
                        "BETWEEN " +
                        std::to_string(kFirstNote) + " AND " + std::to_string(last)),
              kClients * kNotesEach);
    EXPECT_EQ(db.number("SELECT COUNT(*) FROM ZRV_APPLY_REQUEST"), kClients * kNotesEach);
    EXPECT_EQ(differences(afterStoredNotes(demo, initial, kFirstNote, last).rows(),
                          readStockTables(demo).rows()),
              std::vector<std::string>{});
}

}  // namespace
}  // namespace zorvanil::test
