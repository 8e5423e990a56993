#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>

#include "common/error.hpp"
#include "packet/data_packet.hpp"
#include "support/message_of.hpp"
#include "support/running_server.hpp"

namespace zorvanil::test {
namespace {

namespace json = boost::json;
using client::Client;
using client::ConnectionError;
using client::RemoteError;

constexpr std::int32_t kMetaData = 1;

json::object answerOf(Client& c, std::string_view request) {
    c.sendText(request);
    return json::parse(c.receiveText()).as_object();
}

std::int64_t errorCode(const json::object& answer) {
    return answer.at("error").at("code").as_int64();
}

std::vector<std::string> firstColumn(const Variant& packet) {
    std::vector<std::string> values;
    for (const auto& row : packet.asPacket()->rows)
        values.push_back(row.values.at(0).toString());
    return values;
}

// The connection numbers of the trace lines whose statement contains `text`.
std::set<std::string> connectionsRunning(const db::SqlTrace& trace, std::string_view text) {
    std::set<std::string> ids;
    for (const std::string& line : trace.lines()) {
        json::object o = json::parse(line).as_object();
        if (std::string_view(o.at("sql").as_string()).find(text) != std::string_view::npos)
            ids.insert(json::serialize(o.at("connection")));
    }
    return ids;
}

TEST(NetServer, TwoClientsHaveTwoObjectsAndALongCallDelaysNoOther) {
    RunningServer server;
    auto a = server.connect();
    auto b = server.connect();
    EXPECT_EQ(server.host->liveObjects(), 2);

    // A call on A that waits inside its provider event until the test lets it go.
    a->sendText(
        R"({"jsonrpc":"2.0","id":7,"method":"AS_GetRecords","params":{"ProviderName":"DSPQ_MAXIMO",)"
        R"("Count":-1,"Options":1,"CommandText":"SELECT MAX(ID) AS TOP FROM T"}})");
    ASSERT_TRUE(server.gate->waitEntered());
    // B is served meanwhile.
    EXPECT_EQ(b->getProviderNames().size(), 56u);
    auto rows =
        b->getRecords("DSPQ_PROCEDURE", -1, {}, kMetaData, "SELECT NAME FROM T ORDER BY ID");
    EXPECT_EQ(firstColumn(rows.data), (std::vector<std::string>{"ONE", "TWO", "THREE"}));
    server.gate->open();
    json::object answer = json::parse(a->receiveText()).as_object();
    EXPECT_EQ(answer.at("id").as_int64(), 7);
    EXPECT_EQ(answer.at("result").at("RecsOut").as_int64(), 1);
    EXPECT_EQ(answer.at("result").at("result").at("rows").at(0).at(0).as_int64(), 3);

    // A slow statement on A (a counting recursive query) does not hold B up either.
    std::atomic<bool> slowAnswered{false};
    std::thread slow([&] {
        auto r = a->getRecords(
            "DSPQ_PROCEDURE", -1, {}, kMetaData,
            "WITH RECURSIVE C(X) AS (SELECT 1 UNION ALL SELECT X + 1 FROM C WHERE X < 2000000) "
            "SELECT COUNT(*) AS N FROM C");
        EXPECT_EQ(r.data.asPacket()->rows.at(0).values.at(0).toInt64(), 2000000);
        slowAnswered = true;
    });
    ASSERT_TRUE(
        eventually([&] { return !connectionsRunning(server.db.trace(), "RECURSIVE").empty(); }));
    b->getRecords("DSPQ_PROCEDURE", -1, {}, kMetaData, "SELECT ID FROM T");
    EXPECT_FALSE(slowAnswered) << "the slow statement ended before the other client's call";
    slow.join();

    // Each object has a connection of its own: a temporary table of A is unknown to B.
    a->execute("DSPQ_PROCEDURE", "CREATE TEMP TABLE MINE (X INTEGER)");
    EXPECT_NO_THROW(a->getRecords("DSPQ_PROCEDURE", -1, {}, kMetaData, "SELECT X FROM MINE"));
    try {
        b->getRecords("DSPQ_PROCEDURE", -1, {}, kMetaData, "SELECT X FROM MINE");
        ADD_FAILURE() << "B sees A's temporary table";
    } catch (const RemoteError& e) {
        EXPECT_EQ(e.status(), kGeneralFailure);
        EXPECT_STREQ(e.what(), "no such table: MINE");
    }
    EXPECT_EQ(connectionsRunning(server.db.trace(), "FROM T").size(), 2u);
}

TEST(NetServer, TextThatIsNotUtf8TravelsAsLatin1AndTheConnectionLives) {
    RunningServer server;
    auto c = server.connect();
    // A name written in a single-byte code page ("MU\xD1OZ") and one in UTF-8, stored as they are.
    c->execute("DSPQ_PROCEDURE", "UPDATE T SET NAME = CAST(X'4D55D14F5A' AS TEXT) WHERE ID = 1");
    c->execute("DSPQ_PROCEDURE", "UPDATE T SET NAME = CAST(X'4D55C3914F5A' AS TEXT) WHERE ID = 2");
    auto rows =
        c->getRecords("DSPQ_PROCEDURE", -1, {}, kMetaData, "SELECT NAME FROM T ORDER BY ID");
    // Messages are text frames, which must be UTF-8: the stray byte arrives as the Latin-1
    // character it stands for, and the UTF-8 name unchanged.
    EXPECT_EQ(firstColumn(rows.data),
              (std::vector<std::string>{"MU\xC3\x91OZ", "MU\xC3\x91OZ", "THREE"}));
    // The same holds for what a client sends.
    rows = c->getRecords("DSPQ_PROCEDURE", -1, {}, kMetaData, "SELECT HEX('MU\xD1OZ') AS H");
    EXPECT_EQ(firstColumn(rows.data), (std::vector<std::string>{"4D55C3914F5A"}));
}

TEST(NetServer, FailuresCarryStatusMessageAndErrorRecord) {
    RunningServer server;
    auto c = server.connect();

    json::object answer = answerOf(
        *c,
        R"({"jsonrpc":"2.0","id":"x1","method":"AS_GetRecords","params":{"ProviderName":"NO_SUCH","Count":-1}})");
    EXPECT_EQ(
        json::serialize(answer),
        R"({"jsonrpc":"2.0","error":{"code":-2147418113,"message":"Provider not exported: NO_SUCH",)"
        R"("data":{"interface":"IZORVANIL3","source":"ZORVANIL.AZORVANIL","helpContext":0}},"id":"x1"})");

    // The client library turns it into an exception; the object serves on, and provider names
    // match without regard to letter case.
    try {
        c->getParams("dspq_nothing");
        ADD_FAILURE();
    } catch (const RemoteError& e) {
        EXPECT_EQ(e.status(), -2147418113);
        EXPECT_STREQ(e.what(), "Provider not exported: dspq_nothing");
        EXPECT_EQ(e.interfaceName(), "IZORVANIL3");
        EXPECT_EQ(e.source(), "ZORVANIL.AZORVANIL");
    }
    auto rows = c->getRecords("dspq_procedure", -1, {}, kMetaData, "SELECT ID FROM T WHERE ID = 2");
    EXPECT_EQ(rows.recsOut, 1);

    // A database error reaches the client with the driver's text.
    try {
        c->execute("DSPQ_PROCEDURE", "INSERT INTO T VALUES (1, 'AGAIN')");
        ADD_FAILURE();
    } catch (const RemoteError& e) {
        EXPECT_EQ(e.status(), kGeneralFailure);
        EXPECT_NE(std::string(e.what()).find("UNIQUE constraint failed"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(server.host->liveObjects(), 1);
}

TEST(NetServer, CreateObjectChecksClassAndReportsConstructionErrors) {
    RunningServer server;
    auto c = server.connect(false);

    // Before CreateObject there is no object to call.
    EXPECT_EQ(errorCode(answerOf(*c, R"({"jsonrpc":"2.0","id":1,"method":"AS_GetProviderNames"})")),
              -32004);
    try {
        c->createObject(std::nullopt, "ZORVANIL.OTHER");
        ADD_FAILURE();
    } catch (const RemoteError& e) {
        EXPECT_EQ(e.code(), static_cast<std::int32_t>(0x80040154u));
        EXPECT_STREQ(e.what(), "Class not registered");
    }

    // A connection that cannot be opened fails the creation with its message; no object lives.
    std::filesystem::path missing = server.db.dir() / "missing.db";
    server.db.pointConnectionFileAt(missing);
    try {
        c->createObject();
        ADD_FAILURE();
    } catch (const RemoteError& e) {
        EXPECT_EQ(e.status(), kGeneralFailure);
        EXPECT_EQ(std::string(e.what()), "Database '" + missing.string() + "' not found");
        EXPECT_EQ(e.source(), "ZORVANIL.AZORVANIL");
    }
    EXPECT_EQ(server.host->liveObjects(), 0);

    // The same connection may try again; the class identifier in braces names the class too.
    server.db.pointConnectionFileAt(server.db.file());
    c->createObject(std::nullopt, "{f66b33aa-8b49-4301-8d74-cdd98ea1fa4a}");
    EXPECT_EQ(server.host->liveObjects(), 1);
    EXPECT_EQ(
        errorCode(answerOf(
            *c,
            R"({"jsonrpc":"2.0","id":2,"method":"CreateObject","params":{"class":"ZORVANIL.AZORVANIL"}})")),
        -32005);

    // Release destroys the object; the connection stays and can build another one.
    c->release();
    EXPECT_TRUE(eventually([&] { return server.host->liveObjects() == 0; }));
    c->createObject();
    EXPECT_EQ(c->getProviderNames().size(), 56u);
    EXPECT_FALSE(server.ended) << "normal mode serves on with no objects";
}

TEST(NetServer, MalformedRequestsGetStandardErrorsAndTheObjectSurvives) {
    RunningServer server;
    auto c = server.connect();

    // Each answer names the request's id, or null where none could be read.
    const std::tuple<const char*, std::int64_t, const char*> malformed[] = {
        {R"({"jsonrpc":"2.0","id":1,"method":)", -32700, "null"},
        {R"({"jsonrpc":"2.0","id":1,"method":"AS_GetProviderNames"} {})", -32700, "null"},
        {R"({"jsonrpc":"2.0","id":1,"method":"AS_GetProviderNames"} // x)", -32700, "null"},
        {"[]", -32600, "null"},
        {"42", -32600, "null"},
        {R"({"jsonrpc":"2.0","id":3})", -32600, "3"},
        {R"({"jsonrpc":"1.0","id":4,"method":"AS_GetProviderNames"})", -32600, "4"},
        {R"({"jsonrpc":"2.0","id":{},"method":"AS_GetProviderNames"})", -32600, "null"},
        {R"({"jsonrpc":"2.0","id":5,"method":"AS_Nothing"})", -32601, "5"},
    };
    for (const auto& [request, code, id] : malformed) {
        json::object answer = answerOf(*c, request);
        EXPECT_EQ(errorCode(answer), code) << request;
        EXPECT_EQ(json::serialize(answer.at("id")), id) << request;
    }
    for (const char* params : {
             R"({"ProviderName":"DSPQ_PROCEDURE","Count":"x"})",
             R"({"ProviderName":"DSPQ_PROCEDURE","Count":4294967296})",
             R"({"Count":1})",
             R"({"ProviderName":"DSPQ_PROCEDURE","Count":1,"ownerData":"x"})",
             // An argument that only comes back is not sent.
             R"({"ProviderName":"DSPQ_PROCEDURE","Count":1,"RecsOut":1})",
             R"(["DSPQ_PROCEDURE",1])",
             R"({"ProviderName":"DSPQ_PROCEDURE","Count":1,"Params":{"rows":7}})",
         })
        EXPECT_EQ(errorCode(answerOf(*c, std::string(R"({"jsonrpc":"2.0","id":6,)"
                                                     R"("method":"AS_GetRecords","params":)") +
                                             params + "}")),
                  -32602)
            << params;

    // A notification gets no answer: the next answer is the next request's.
    c->sendText(R"({"jsonrpc":"2.0","method":"AS_GetProviderNames"})");
    json::object names = answerOf(*c, R"({"jsonrpc":"2.0","id":8,"method":"AS_GetProviderNames"})");
    EXPECT_EQ(names.at("id").as_int64(), 8);
    EXPECT_EQ(names.at("result").at("result").as_array().size(), 56u);

    // Absent variants are unassigned, null is null: the owner data comes back as it went.
    json::object owner = answerOf(
        *c,
        R"({"jsonrpc":"2.0","id":9,"method":"AS_Execute","params":{"ProviderName":"DSPQ_PROCEDURE",)"
        R"("CommandText":"UPDATE T SET NAME = NAME WHERE ID = 0","OwnerData":null}})");
    EXPECT_TRUE(owner.at("result").at("OwnerData").is_null());
    EXPECT_FALSE(owner.at("result").as_object().contains("result"));

    // Requests sent without waiting are answered one by one in the order they came.
    for (int id = 20; id < 26; ++id)
        c->sendText(id % 2 ? R"({"jsonrpc":"2.0","id":)" + std::to_string(id) + "}"
                           : R"({"jsonrpc":"2.0","method":"AS_GetProviderNames","id":)" +
                                 std::to_string(id) + "}");
    for (int id = 20; id < 26; ++id) {
        json::object a = json::parse(c->receiveText()).as_object();
        EXPECT_EQ(a.at("id").as_int64(), id);
        EXPECT_EQ(a.contains("error"), id % 2 == 1);
    }
    EXPECT_EQ(server.host->liveObjects(), 1);
}

TEST(NetServer, AClientThatVanishesMidRequestLeavesNothingBehind) {
    RunningServer server;
    auto a = server.connect();
    auto b = server.connect();
    a->sendText(
        R"({"jsonrpc":"2.0","id":1,"method":"AS_GetRecords","params":{"ProviderName":"DSPQ_MAXIMO",)"
        R"("Count":-1,"CommandText":"SELECT COUNT(*) AS N FROM T"}})");
    ASSERT_TRUE(server.gate->waitEntered());
    a->abort();

    // The object finishes the call it is in; the server serves others meanwhile.
    EXPECT_EQ(b->getProviderNames().size(), 56u);
    EXPECT_EQ(server.host->liveObjects(), 2);
    server.gate->open();
    EXPECT_TRUE(eventually([&] { return server.host->liveObjects() == 1; }));
    EXPECT_TRUE(eventually([&] { return server.host->status().connections == 1; }));
    EXPECT_EQ(b->getRecords("DSPQ_PROCEDURE", -1, {}, kMetaData, "SELECT ID FROM T").recsOut, 3);
}

TEST(NetServer, TheServerStopsWhileItsClientsLeave) {
    // Stopping reaches every connection on its own thread; connections that end at the same
    // moment must not be touched after their thread has let go of them (the sanitizer build
    // catches that).
    for (int round = 0; round < 10; ++round) {
        RunningServer server;
        std::vector<std::unique_ptr<Client>> clients;
        for (int i = 0; i < 3; ++i)
            clients.push_back(server.connect());
        std::thread leaving([&] { clients.clear(); });
        server.host->requestStop("the test stops the server");
        leaving.join();
        EXPECT_TRUE(eventually([&] { return server.host->liveObjects() == 0; }));
    }
}

TEST(NetServer, LimitsRefuseWhatWouldHurtTheServer) {
    net::NetOptions options;
    options.maxMessageBytes = 4096;
    options.maxConnections = 3;
    options.maxMessagesPerSecond = 20;
    options.createObjectTimeout = std::chrono::milliseconds(300);
    RunningServer server(options);

    // A frame over the size limit closes its connection (1009); the others go on.
    auto big = server.connect();
    auto other = server.connect();
    EXPECT_EQ(server.host->liveObjects(), 2);
    big->sendText(R"({"jsonrpc":"2.0","id":1,"method":"AS_Execute","params":{"CommandText":")" +
                  std::string(8000, ' ') + R"("}})");
    EXPECT_THROW(big->receiveText(), ConnectionError);
    EXPECT_TRUE(eventually([&] { return server.host->liveObjects() == 1; }));

    // A connection that creates no object is closed after the idle time.
    auto idle = server.connect(false);
    EXPECT_THROW(idle->receiveText(), ConnectionError);
    // A closed connection gives its slot back when its thread has let go of it.
    EXPECT_TRUE(eventually([&] { return server.host->status().connections == 1; }));

    // Connections beyond the limit are refused.
    auto second = server.connect(false);
    auto third = server.connect(false);
    EXPECT_TRUE(eventually([&] { return server.host->status().connections == 3; }));
    EXPECT_THROW(Client extra(server.address()), ConnectionError);

    // Messages beyond the rate are refused with an error of their own; the connection stays.
    int refused = 0;
    for (int i = 0; i < 60; ++i) {
        json::object a =
            answerOf(*other, R"({"jsonrpc":"2.0","id":1,"method":"AS_GetProviderNames"})");
        if (a.contains("error")) {
            EXPECT_EQ(errorCode(a), -32001);
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(other->getProviderNames().size(), 56u);
}

TEST(NetServer, FailuresToServeOrToConnectSayWhatFailedAndWhere) {
    RunningServer server;
    std::string port = std::to_string(server.host->port());
    std::uint16_t closedPort = 0;
    {
        RunningServer gone;
        closedPort = gone.host->port();
    }
    net::NetOptions notAnAddress;
    notAnAddress.address = "localhost";
    auto samePort = [&](host::HostSettings& s) { s.net.port = server.host->port(); };
    struct Case {
        const char* name;
        std::function<void()> fail;
        std::string message;
    };
    const Case cases[] = {
        {"a port that is no number", [] { client::ServerAddress::parse("ws://127.0.0.1:http/"); },
         "Not a port number: http"},
        {"a port out of range", [] { client::ServerAddress::parse("127.0.0.1:65536"); },
         "Not a port number: 65536"},
        {"an address that is no IP address", [&] { RunningServer other(notAnAddress); },
         "Not an IP address: localhost"},
        {"a port in use", [&] { RunningServer other({}, host::StartMode::Normal, samePort); },
         "Cannot bind 127.0.0.1:" + port + ": Address already in use"},
        {"nobody listening",
         [&] {
             Client c({"127.0.0.1", closedPort});
         },
         "Cannot connect to 127.0.0.1:" + std::to_string(closedPort) + ": Connection refused"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(test::messageOf(c.fail), c.message) << c.name;
}

TEST(NetServer, AccessKeyIsCheckedBeforeAnyObjectIsBuilt) {
    net::NetOptions options;
    options.accessKey = "open sesame";
    RunningServer server(options);
    auto c = server.connect(false);
    for (std::optional<std::string> key :
         {std::optional<std::string>(), std::optional<std::string>("open sesam")}) {
        try {
            c->createObject(key);
            ADD_FAILURE();
        } catch (const RemoteError& e) {
            EXPECT_EQ(e.code(), -32003);
        }
    }
    EXPECT_EQ(server.db.trace().lines().size(), 0u);
    EXPECT_EQ(server.host->liveObjects(), 0);
    c->createObject("open sesame");
    EXPECT_EQ(server.host->liveObjects(), 1);
}

TEST(NetServer, AutomationModeEndsAtTheLastRelease) {
    RunningServer server({}, host::StartMode::Automation);
    auto a = server.connect();
    auto b = server.connect();
    a->release();
    EXPECT_TRUE(eventually([&] { return server.host->liveObjects() == 1; }));
    EXPECT_FALSE(server.ended);
    b.reset();  // closing the connection releases its object too
    EXPECT_TRUE(eventually([&] { return server.ended.load(); }));
}

}  // namespace
}  // namespace zorvanil::test
