#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/json/parse.hpp>

#include "app/server_main.hpp"
#include "app/zorvanil_handlers.hpp"
#include "catalogue/zorvanil_catalogue.hpp"
#include "common/error.hpp"
#include "host/close_question.hpp"
#include "host/object_host.hpp"
#include "host/registry.hpp"
#include "host/status_page.hpp"
#include "server/remote_data_module.hpp"
#include "support/loopback_http.hpp"
#include "support/running_server.hpp"
#include "support/temp_dir.hpp"

namespace zorvanil::host {
namespace {

using test::eventually;
using test::HttpAnswer;
using test::RunningServer;
using test::TempDir;
using test::TestDatabase;

HttpAnswer httpGet(std::uint16_t port, const std::string& target) {
    return test::httpAsk(port, boost::beast::http::verb::get, target);
}

// Objects built straight on the object host, without the network.
struct Objects {
    TestDatabase db{test::kSmallTableDdl};
    std::unique_ptr<ObjectHost> host = std::make_unique<ObjectHost>(
        catalogue::zorvanilCatalogue(), app::zorvanilHandlers(), db.environment());
};

TEST(HostObjects, CountFollowsObjectsBuiltAndDestroyedOnManyThreads) {
    Objects objects;
    std::atomic<int> lastReleases{0};
    objects.host->setLastReleaseHandler([&] { ++lastReleases; });

    // Eight threads build an object each, use it, and wait for the others before destroying it.
    constexpr int kThreads = 8;
    std::atomic<int> built{0};
    std::atomic<bool> allBuilt{false};
    std::vector<std::thread> threads;
    std::vector<std::uint64_t> ids(kThreads);
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            HostedObject hosted = objects.host->build(100 + i);
            ids[i] = hosted.id;
            Variant names;
            hosted.object->AS_GetProviderNames(names);
            if (++built == kThreads) allBuilt = true;
            while (!allBuilt)
                std::this_thread::yield();
            objects.host->destroy(hosted);
            EXPECT_FALSE(hosted);
        });
    ASSERT_TRUE(eventually([&] { return built == kThreads; }));
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(objects.host->liveObjects(), 0);
    EXPECT_EQ(lastReleases, 1);
    // Every object had a number of its own, which its connection carries in the trace.
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::unique(ids.begin(), ids.end()), ids.end());

    // Destroying what is already gone changes nothing.
    HostedObject none;
    objects.host->destroy(none);
    EXPECT_EQ(objects.host->liveObjects(), 0);
    EXPECT_EQ(lastReleases, 1);
}

TEST(HostObjects, AFailedConstructionThrowsItsErrorAndCountsNoObject) {
    Objects objects;
    HostedObject first = objects.host->build(1);
    objects.db.pointConnectionFileAt(objects.db.dir() / "none.db");
    try {
        objects.host->build(2);
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("none.db"), std::string::npos) << e.what();
    }
    EXPECT_EQ(objects.host->liveObjects(), 1);
    objects.host->destroy(first);
    EXPECT_EQ(objects.host->liveObjects(), 0);
}

TEST(HostCloseQuestion, OnlyYesClosesAndNoIsTheDefault) {
    struct Case {
        std::string input;
        bool close;
    };
    for (const Case& c : std::vector<Case>{{"\n", false},
                                           {"", false},
                                           {"n\n", false},
                                           {"yess\n", false},
                                           {"y\n", true},
                                           {" YES \n", true},
                                           {"Yes\r\n", true}}) {
        std::istringstream in(c.input);
        std::ostringstream out;
        EXPECT_EQ(askCloseQuestion(in, out), c.close) << c.input;
        EXPECT_NE(out.str().find("COM Server Warning\n"), std::string::npos);
        EXPECT_NE(
            out.str().find("There are still active COM objects in this application.  One or more "
                           "clients may have references to these objects, so manually closing this "
                           "application may cause those client application(s) to fail.\n\nAre you "
                           "sure you want to close this application?"),
            std::string::npos);
    }
}

TEST(HostStatusPage, PagesShowTheLiveFactsOfTheServer) {
    RunningServer server;
    auto a = server.connect();
    auto b = server.connect();

    HttpAnswer page = httpGet(server.host->port(), "/");
    EXPECT_EQ(page.status, 200u);
    EXPECT_EQ(page.contentType, "text/html; charset=utf-8");
    EXPECT_NE(page.body.find("<title>SZORVANIL</title>"), std::string::npos);
    EXPECT_NE(page.body.find("Remote Server Zorvanil db2"), std::string::npos);
    EXPECT_NE(page.body.find("<td>Live objects</td><td>2</td>"), std::string::npos);
    EXPECT_NE(page.body.find(server.db.file().string()), std::string::npos);
    EXPECT_EQ(httpGet(server.host->port(), "/status").body.substr(0, 15), "<!DOCTYPE html>");

    b.reset();
    ASSERT_TRUE(eventually([&] { return server.host->liveObjects() == 1; }));
    HttpAnswer json = httpGet(server.host->port(), "/status.json");
    EXPECT_EQ(json.contentType, "application/json");
    boost::json::object facts = boost::json::parse(json.body).as_object();
    EXPECT_EQ(facts.at("title").as_string(), "SZORVANIL");
    EXPECT_EQ(facts.at("objects").as_int64(), 1);
    EXPECT_EQ(facts.at("database").as_string(), server.db.file().string());
    EXPECT_EQ(facts.at("mode").as_string(), "normal");
    EXPECT_GE(facts.at("uptimeSeconds").as_int64(), 0);

    EXPECT_EQ(httpGet(server.host->port(), "/health").status, 200u);
    EXPECT_EQ(httpGet(server.host->port(), "/nothing").status, 404u);

    EXPECT_EQ(formatUptime(std::chrono::seconds(59)), "00:00:59");
    EXPECT_EQ(formatUptime(std::chrono::seconds(2 * 86400 + 3 * 3600 + 4 * 60 + 5)),
              "2 d 03:04:05");
}

TEST(HostCommandLine, RefusesWhatItCannotServeBeforeListening) {
    TempDir dir;
    std::string registry = (dir.path() / "registry.txt").string();
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(),
                    {"zorvanil-server", "--log-level", "off", "--registry", registry});
        return app::runServer(args);
    };
    // Any address but a loopback one needs an access key.
    EXPECT_EQ(run({"--listen", "0.0.0.0:0"}), 1);
    EXPECT_EQ(run({"--listen", "127.0.0.1:notaport"}), 1);
    EXPECT_EQ(
        run({"--listen", "127.0.0.1:0", "--access-key-file", (dir.path() / "missing").string()}),
        1);
    EXPECT_NE(run({"--listen", "127.0.0.1:0", "--driver", "nosuch"}), 0);
    // An ODBC data source that the driver manager does not know.
    test::writeFile(dir.path() / "odbc.txt", "z\r\nz\r\nNOSUCH_DSN\r\n");
    EXPECT_EQ(run({"--listen", "127.0.0.1:0", "--driver", "odbc", "--connection-file",
                   (dir.path() / "odbc.txt").string()}),
              1);
    // A connection file that is a directory, or whose directory is missing, cannot serve: the
    // server does not start, and makes no directory.
    std::filesystem::create_directory(dir.path() / "conn");
    EXPECT_EQ(run({"--listen", "127.0.0.1:0", "--connection-file", (dir.path() / "conn").string()}),
              1);
    EXPECT_EQ(run({"--listen", "127.0.0.1:0", "--connection-file",
                   (dir.path() / "none" / "Zconfiguracion.txt").string()}),
              1);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "none"));
    EXPECT_EQ(run({"--init-demo", (dir.path() / "demo.db").string()}), 1);
    EXPECT_NE(run({"--no-such-option"}), 0);

    // --init-demo creates the database with the scale given and exits.
    std::string created;
    int scale = 0;
    std::vector<std::string> args = {"zorvanil-server",
                                     "--log-level",
                                     "off",
                                     "--init-demo",
                                     (dir.path() / "demo.db").string(),
                                     "--scale",
                                     "3"};
    EXPECT_EQ(app::runServer(args,
                             [&](const std::filesystem::path& file, int s) {
                                 created = file.string();
                                 scale = s;
                             }),
              0);
    EXPECT_EQ(created, (dir.path() / "demo.db").string());
    EXPECT_EQ(scale, 3);
    EXPECT_EQ(app::runServer(args, [](const std::filesystem::path&,
                                      int) { throw std::runtime_error("exists"); }),
              1);
    // The registry was brought up to date on every start.
    EXPECT_TRUE(
        FileRegistry::load(registry).hasKey("CLSID\\{F66B33AA-8B49-4301-8D74-CDD98EA1FA4A}"));
}

}  // namespace
}  // namespace zorvanil::host
