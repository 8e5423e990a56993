#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <set>
#include <string>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>

#include "common/messages.hpp"
#include "packet/remote_operations.hpp"
#include "support/case_names.hpp"
#include "support/loopback_http.hpp"
#include "support/running_server.hpp"
#include "support/temp_dir.hpp"

namespace zorvanil::test {
namespace {

namespace json = boost::json;

json::value consoleOf(const RunningServer& server) {
    return json::parse(
        httpAsk(server.host->port(), boost::beast::http::verb::get, "/console.json").body);
}

// The console's row of the object, null when it is not live.
const json::object* liveObject(const json::value& console, std::int64_t object) {
    for (const json::value& o : console.at("live").as_array())
        if (o.at("object").to_number<std::int64_t>() == object) return &o.as_object();
    return nullptr;
}

constexpr const char* kFailing = "UPDATE NOPE SET X = 1";
constexpr const char* kWrite = "UPDATE T SET NAME = 'ANY' WHERE ID = 1";

// A client whose command failed on the command channel: its transaction stays open and holds
// the database's write lock.
std::unique_ptr<client::Client> stuckClient(RunningServer& server,
                                            const std::optional<std::string>& key) {
    auto stuck = std::make_unique<client::Client>(server.address());
    stuck->createObject(key);
    EXPECT_THROW(stuck->execute("DSPQ_ACTUALIZAR", kFailing, {}, Variant(7)), client::RemoteError);
    return stuck;
}

// Whether another object can write now (its wait for the lock is short, see busyTimeoutMs).
bool anotherObjectWrites(RunningServer& server, const std::optional<std::string>& key) {
    client::Client other(server.address());
    other.createObject(key);
    try {
        return other.execute("DSPQ_ACTUALIZAR", kWrite, {}, Variant(8)).ownerData == Variant(8);
    } catch (const client::RemoteError&) {
        return false;
    }
}

struct EndCase {
    std::string name;
    std::optional<std::string> serverKey;  // the server's access key
    std::optional<std::string> sentKey;    // the X-Access-Key header of the console's request
    unsigned status;
    const char* answer;  // the first line of the answer, when refused
};

void PrintTo(const EndCase& c, std::ostream* os) {
    *os << "server key " << (c.serverKey ? quotedText(*c.serverKey) : "none") << ", sent "
        << (c.sentKey ? quotedText(*c.sentKey) : "none") << " -> " << c.status;
}

class ConsoleEnd : public ::testing::TestWithParam<EndCase> {};

// A stuck transaction shows in the console with its age and its statement; ending it takes the
// key (or, without one, a loopback client that sends the header), rolls the transaction back,
// tells the client why its connection closed, and frees the database's write lock.
TEST_P(ConsoleEnd, StuckTransactionIsShownAndEndedOnlyWithTheKey) {
    const EndCase& c = GetParam();
    net::NetOptions options;
    options.accessKey = c.serverKey;
    RunningServer server(options);
    server.db.environment()->connection.busyTimeoutMs = 100;
    auto stuck = stuckClient(server, c.serverKey);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));

    const json::value console = consoleOf(server);
    ASSERT_EQ(console.at("live").as_array().size(), 1u) << console;
    const json::object& row = console.at("live").as_array()[0].as_object();
    const std::int64_t object = row.at("object").to_number<std::int64_t>();
    EXPECT_TRUE(row.at("inTransaction").as_bool());
    EXPECT_GE(row.at("transactionSeconds").to_number<double>(), 1.0);
    EXPECT_EQ(row.at("lastStatement").as_string(), kFailing);
    EXPECT_EQ(row.at("calls").to_number<int>(), 1);
    EXPECT_TRUE(row.at("operation").is_null());
    EXPECT_TRUE(row.at("rollbackInSeconds").is_null());
    EXPECT_EQ(row.at("peer").as_string().subview().substr(0, 10), "127.0.0.1:");
    EXPECT_EQ(console.at("openTransactions").to_number<int>(), 1);
    EXPECT_FALSE(anotherObjectWrites(server, c.serverKey)) << "the lock is held";

    const HttpAnswer ended = httpAsk(server.host->port(), boost::beast::http::verb::post,
                                     "/console/end?object=" + std::to_string(object), c.sentKey);
    EXPECT_EQ(ended.status, c.status) << ended.body;
    if (c.status != 200) {
        EXPECT_EQ(ended.body, std::string(c.answer) + "\n");
        ASSERT_NE(liveObject(consoleOf(server), object), nullptr);
        EXPECT_TRUE(liveObject(consoleOf(server), object)->at("inTransaction").as_bool());
        return;
    }
    EXPECT_TRUE(eventually([&] { return liveObject(consoleOf(server), object) == nullptr; }));
    try {
        stuck->getProviderNames();
        ADD_FAILURE() << "the ended connection still answers";
    } catch (const client::ConnectionError& e) {
        EXPECT_EQ(e.what(), formatMessage(msg::kClosedByServer, {msg::kEndedByOperator}));
    }
    EXPECT_TRUE(anotherObjectWrites(server, c.serverKey)) << "the lock is still held";
    EXPECT_EQ(server.db.scalar("SELECT NAME FROM T WHERE ID = 1"), "ANY");
}

INSTANTIATE_TEST_SUITE_P(
    Console, ConsoleEnd,
    ::testing::Values(
        EndCase{"KeyGiven", "open sesame", "open sesame", 200, ""},
        EndCase{"WrongKey", "open sesame", "guess", 403, msg::kConsoleKeyRefused},
        EndCase{"KeyMissing", "open sesame", std::nullopt, 403, msg::kConsoleKeyRefused},
        EndCase{"NoServerKeyHeaderFromLoopback", std::nullopt, "", 200, ""},
        EndCase{"NoServerKeyNoHeader", std::nullopt, std::nullopt, 403, msg::kConsoleLoopbackOnly}),
    CaseName());

TEST(ConsoleEnd, AnObjectThatIsNotLiveIsNotFound) {
    RunningServer server;
    for (const char* target : {"/console/end?object=99", "/console/end?object=x", "/console/end"}) {
        const HttpAnswer answer =
            httpAsk(server.host->port(), boost::beast::http::verb::post, target, "");
        EXPECT_EQ(answer.status, 404u) << target;
    }
}

// A transaction left open with no call for --max-transaction-idle is rolled back; the console
// shows the time it has left. The client's next command finds no transaction: -1 fails as the
// command channel says, and a command with its own identifier runs.
TEST(ConsoleIdleTransaction, IsRolledBackAfterTheLimit) {
    RunningServer server({}, host::StartMode::Normal, [](host::HostSettings& s) {
        s.maxTransactionIdle = std::chrono::seconds(1);
    });
    server.db.environment()->connection.busyTimeoutMs = 100;
    auto stuck = stuckClient(server, std::nullopt);
    const json::value console = consoleOf(server);
    ASSERT_EQ(console.at("live").as_array().size(), 1u);
    const json::object& row = console.at("live").as_array()[0].as_object();
    ASSERT_TRUE(row.at("rollbackInSeconds").is_number()) << console;
    EXPECT_LE(row.at("rollbackInSeconds").to_number<double>(), 1.0);
    EXPECT_EQ(console.at("maxTransactionIdleSeconds").to_number<int>(), 1);

    EXPECT_TRUE(eventually(
        [&] { return !consoleOf(server).at("live").as_array()[0].at("inTransaction").as_bool(); }));
    EXPECT_TRUE(anotherObjectWrites(server, std::nullopt));
    try {
        stuck->execute("DSPQ_ACTUALIZAR", kWrite, {}, Variant(-1));
        ADD_FAILURE() << "a rollback of no transaction succeeded";
    } catch (const client::RemoteError& e) {
        EXPECT_STREQ(e.what(), msg::kNoActiveTransaction);
    }
    EXPECT_EQ(stuck->execute("DSPQ_ACTUALIZAR", kWrite, {}, Variant(7)).ownerData, Variant(7));
    const std::string metrics =
        httpAsk(server.host->port(), boost::beast::http::verb::get, "/metrics").body;
    EXPECT_NE(metrics.find("\nzorvanil_idle_transactions_rolled_back_total 1\n"),
              std::string::npos);
}

// An object that keeps calling keeps its transaction, however long it is open.
TEST(ConsoleIdleTransaction, CallsKeepItOpen) {
    RunningServer server({}, host::StartMode::Normal, [](host::HostSettings& s) {
        s.maxTransactionIdle = std::chrono::seconds(1);
    });
    auto stuck = stuckClient(server, std::nullopt);
    for (int i = 0; i < 6; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        stuck->getProviderNames();
    }
    EXPECT_TRUE(consoleOf(server).at("live").as_array()[0].at("inTransaction").as_bool());
}

// What a command prints on its standard output.
std::string outputOf(const std::string& command) {
    std::string out;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[4096];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
            out.append(chunk, n);
        ::pclose(pipe);
    }
    return out;
}

// /metrics reads with Prometheus's own text parser, family by family, with the calls made.
TEST(ConsoleMetrics, ParseWithThePrometheusParser) {
    RunningServer server;
    auto c = server.connect();
    c->getProviderNames();
    EXPECT_THROW(c->execute("DSPQ_ACTUALIZAR", kFailing, {}, Variant(7)), client::RemoteError);
    TempDir dir;
    {
        std::ofstream(dir / "metrics.txt")
            << httpAsk(server.host->port(), boost::beast::http::verb::get, "/metrics").body;
    }
    // Each sample as "name{labels} value", labels sorted, after each family as "# name type".
    const std::string script =
        "import sys\n"
        "from prometheus_client.parser import text_string_to_metric_families as parse\n"
        "for f in parse(open(sys.argv[1]).read()):\n"
        "    print('#', f.name, f.type)\n"
        "    for s in f.samples:\n"
        "        labels = ','.join(k + '=' + v for k, v in sorted(s.labels.items()))\n"
        "        print(s.name + '{' + labels + '}', s.value)\n";
    { std::ofstream(dir / "parse.py") << script; }
    const std::string parsed = outputOf("/usr/bin/python3 " + (dir / "parse.py").string() + " " +
                                        (dir / "metrics.txt").string() + " 2>&1");
    for (const char* line : {
             "# zorvanil_objects gauge\nzorvanil_objects{} 1.0\n",
             "# zorvanil_calls counter\n",
             "zorvanil_calls_total{operation=AS_Execute,outcome=error} 1.0\n",
             "zorvanil_calls_total{operation=AS_GetProviderNames,outcome=ok} 1.0\n",
             "# zorvanil_call_duration_seconds histogram\n",
             "zorvanil_call_duration_seconds_count{operation=AS_Execute} 1.0\n",
             "zorvanil_call_duration_seconds_bucket{le=+Inf,operation=AS_GetProviderNames} 1.0\n",
             "# zorvanil_applies counter\n",
             "# zorvanil_apply_failed_rows counter\n",
             "# zorvanil_open_transactions gauge\nzorvanil_open_transactions{} 1.0\n",
             "# zorvanil_oldest_transaction_age_seconds gauge\n",
             "# zorvanil_write_lock_wait_seconds counter\n",
             "zorvanil_transactions_started_total{} 1.0\n",
         })
        EXPECT_NE(parsed.find(line), std::string::npos) << line << "\nin:\n" << parsed;
}

// rpc.discover answers the document of /openrpc.json, which names CreateObject, Release and
// every operation of the table with the members it is sent.
TEST(ConsoleOpenRpc, DiscoverEqualsTheDocumentAndNamesEveryMethod) {
    RunningServer server;
    client::Client c(server.address());
    c.sendText(R"({"jsonrpc":"2.0","id":1,"method":"rpc.discover"})");
    const json::value answer = json::parse(c.receiveText());
    const json::value page = json::parse(
        httpAsk(server.host->port(), boost::beast::http::verb::get, "/openrpc.json").body);
    EXPECT_EQ(answer.at("result"), page);
    EXPECT_EQ(page.at("openrpc").as_string().subview().substr(0, 4), "1.2.");

    std::map<std::string, const json::object*> methods;
    for (const json::value& m : page.at("methods").as_array())
        methods[std::string(m.at("name").as_string())] = &m.as_object();
    ASSERT_EQ(methods.size(), std::size(packet::kRemoteOperations) + 2);
    EXPECT_TRUE(methods.contains("CreateObject"));
    EXPECT_TRUE(methods.contains("Release"));
    for (const packet::RemoteOperation& operation : packet::kRemoteOperations) {
        const std::string name(operation.method());
        ASSERT_TRUE(methods.contains(name)) << name;
        std::vector<std::string> sent, described;
        for (const packet::Argument& a : operation.arguments())
            if (a.sent()) sent.emplace_back(a.name);
        for (const json::value& p : methods[name]->at("params").as_array())
            described.emplace_back(p.at("name").as_string());
        EXPECT_EQ(described, sent) << name;
        const json::object& answered =
            methods[name]->at("result").at("schema").at("properties").as_object();
        for (const packet::Argument& a : operation.arguments())
            EXPECT_EQ(answered.contains(a.name), a.answered()) << name << " " << a.name;
        EXPECT_FALSE(methods[name]->at("errors").as_array().empty()) << name;
    }
}

// The status page's console, rendered by a real browser: the script reads /console.json and
// shows the live object with its End button.
TEST(ConsoleBrowser, HeadlessChromiumSeesTheLiveObjects) {
    if (!std::filesystem::exists("/usr/bin/chromium")) GTEST_SKIP() << "no /usr/bin/chromium";
    RunningServer server;
    auto stuck = stuckClient(server, std::nullopt);
    TempDir profile;
    const std::string dom = outputOf(
        "/usr/bin/chromium --headless --no-sandbox --disable-gpu --user-data-dir=" +
        profile.path().string() + " --virtual-time-budget=3000 --dump-dom http://127.0.0.1:" +
        std::to_string(server.host->port()) + "/status 2>/dev/null");
    EXPECT_NE(dom.find("<tr data-object=\""), std::string::npos) << dom;
    EXPECT_NE(dom.find(kFailing), std::string::npos) << dom;
    EXPECT_NE(dom.find("<button>End</button>"), std::string::npos) << dom;
    EXPECT_NE(dom.find("open for "), std::string::npos) << dom;
}

}  // namespace
}  // namespace zorvanil::test
