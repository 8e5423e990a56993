#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>

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

}  // namespace
}  // namespace zorvanil::host
