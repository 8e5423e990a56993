#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/json/parse.hpp>

#include "support/running_server.hpp"

namespace zorvanil::host {
namespace {

using test::eventually;
using test::RunningServer;

// The signal goes to the server's waiting thread only, where it is blocked and taken, so that
// the test process is never hit.
void signal(RunningServer& server, int number) {
    ASSERT_EQ(pthread_kill(server.waiter.native_handle(), number), 0);
}

// The status of the page that GET `target` answers on a connection of its own; 0 for none.
unsigned pageStatus(std::uint16_t port, const char* target) {
    namespace asio = boost::asio;
    namespace http = boost::beast::http;
    asio::io_context io;
    asio::ip::tcp::socket socket(io);
    boost::system::error_code ec;
    socket.connect({asio::ip::make_address("127.0.0.1"), port}, ec);
    if (ec) return 0;
    http::request<http::empty_body> request{http::verb::get, target, 11};
    request.set(http::field::host, "127.0.0.1");
    http::write(socket, request, ec);
    boost::beast::flat_buffer buffer;
    http::response<http::string_body> response;
    http::read(socket, buffer, response, ec);
    return ec ? 0 : response.result_int();
}

TEST(HostShutdown, ASignalWithNoLiveObjectEndsAtOnceWithoutAsking) {
    std::atomic<int> asked{0};
    RunningServer server({}, StartMode::Normal, [&](HostSettings& settings) {
        settings.handleSignals = true;
        settings.askToClose = [&] { return ++asked, true; };
    });
    auto c = server.connect();
    c->release();
    ASSERT_TRUE(eventually([&] { return server.host->liveObjects() == 0; }));
    signal(server, SIGINT);
    EXPECT_TRUE(eventually([&] { return server.ended.load(); }));
    EXPECT_EQ(asked, 0);
}

TEST(HostShutdown, WithLiveObjectsTheOperatorIsAskedAndNoKeepsServing) {
    std::atomic<int> asked{0};
    std::atomic<bool> answer{false};
    RunningServer server({}, StartMode::Normal, [&](HostSettings& settings) {
        settings.handleSignals = true;
        settings.askToClose = [&] {
            ++asked;
            return answer.load();
        };
    });
    auto c = server.connect();
    signal(server, SIGTERM);
    ASSERT_TRUE(eventually([&] { return asked == 1; }));
    EXPECT_EQ(c->getProviderNames().size(), 56u);
    EXPECT_FALSE(server.ended);

    answer = true;
    signal(server, SIGINT);
    EXPECT_TRUE(eventually([&] { return server.ended.load(); }));
    EXPECT_EQ(asked, 2);
    // The object was destroyed on the way out.
    EXPECT_EQ(server.host->liveObjects(), 0);
}

TEST(HostShutdown, WithoutATerminalNewConnectionsAreRefusedUntilTheClientsRelease) {
    RunningServer server({}, StartMode::Normal, [&](HostSettings& settings) {
        settings.handleSignals = true;
        settings.shutdownGrace = std::chrono::seconds(30);
    });
    auto c = server.connect();
    signal(server, SIGTERM);
    ASSERT_TRUE(eventually([&] { return !server.host->status().accepting; }));
    EXPECT_THROW(client::Client late(server.address()), client::ConnectionError);
    // The connected client is still served, and its release ends the server.
    EXPECT_EQ(c->getProviderNames().size(), 56u);
    EXPECT_FALSE(server.ended);
    c->release();
    EXPECT_TRUE(eventually([&] { return server.ended.load(); }));
}

// During the grace period the pages still answer, the health page with 503, while new
// connections and new objects are refused.
TEST(HostShutdown, DuringTheGracePeriodThePagesAnswerAndNoObjectIsBuilt) {
    RunningServer server({}, StartMode::Normal, [&](HostSettings& settings) {
        settings.handleSignals = true;
        settings.shutdownGrace = std::chrono::seconds(30);
    });
    auto c = server.connect();
    auto idle = server.connect(false);
    signal(server, SIGTERM);
    ASSERT_TRUE(eventually([&] { return !server.host->status().accepting; }));
    const std::pair<const char*, unsigned> pages[] = {
        {"/health", 503}, {"/status", 200}, {"/status.json", 200}, {"/nothing", 404}};
    for (const auto& [target, status] : pages)
        EXPECT_EQ(pageStatus(server.host->port(), target), status) << target;
    idle->sendText(R"({"jsonrpc":"2.0","id":1,"method":"CreateObject",)"
                   R"("params":{"class":"ZORVANIL.AZORVANIL"}})");
    auto refused = boost::json::parse(idle->receiveText());
    EXPECT_EQ(refused.at("error").at("code").as_int64(), -32006);
    EXPECT_EQ(server.host->liveObjects(), 1);
    c->release();
    EXPECT_TRUE(eventually([&] { return server.ended.load(); }));
}

}  // namespace
}  // namespace zorvanil::host
