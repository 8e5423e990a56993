#pragma once

// What the connections of one network server share, and how other threads reach a connection's
// event loop. Internal to net/.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include <boost/asio/io_context.hpp>

#include "net/access_brake.hpp"
#include "net/net_server.hpp"
#include "net/openrpc.hpp"
#include "net/request_budget.hpp"

namespace boost::asio::ssl {
class context;
}

namespace zorvanil::net {

class WsSession;

// A connection's event loop as other threads reach it. Work handed to it runs on the connection's
// thread; once that thread has let go of the loop, just before destroying it, work handed to it is
// dropped. No other thread ever holds the session itself, which must go before its loop does.
class ConnectionLoop {
  public:
    explicit ConnectionLoop(boost::asio::io_context& io) : io_(&io) {}
    void post(std::function<void()> work);
    // Called by the connection's thread when the loop has stopped running.
    void end();

  private:
    std::mutex mutex_;
    boost::asio::io_context* io_;  // null once the connection's thread has let go
};

// What every connection of one server shares. Sessions hold it by shared pointer.
struct NetServer::Core {
    NetOptions options;
    ObjectFactory& objects;
    std::shared_ptr<spdlog::logger> log;
    HttpHandler http;
    RequestBudget requestBytes{options.maxRequestBytesInFlight};
    // The certificate and key of a port that speaks TLS; null for plain TCP. Set at start.
    std::shared_ptr<boost::asio::ssl::context> tls;

    std::atomic<std::size_t> connections{0};
    std::atomic<std::uint64_t> nextConnectionId{1};
    std::atomic<bool> accepting{false};
    std::atomic<bool> stopping{false};

    std::mutex sessionsMutex;
    std::condition_variable threadsChanged;
    struct OpenSession {
        std::weak_ptr<WsSession> session;  // locked only on the session's own thread
        std::shared_ptr<ConnectionLoop> loop;
    };
    std::unordered_map<std::uint64_t, OpenSession> sessions;
    int connectionThreads = 0;  // under sessionsMutex

    AccessBrake brake;
    // The answer of rpc.discover, written once.
    const std::string openRpc = openRpcText();

    Core(NetOptions o, ObjectFactory& objs, std::shared_ptr<spdlog::logger> l, HttpHandler h)
        : options(std::move(o)),
          objects(objs),
          log(std::move(l)),
          http(std::move(h)),
          brake(options.wrongKeyDelay, options.wrongKeyMaxDelay) {}

    void addSession(std::uint64_t id, OpenSession session);
    // Runs `work` on the session's own thread; false when there is no such session.
    bool postToSession(std::uint64_t id, std::function<void(WsSession&)> work);
    void removeSession(std::uint64_t id);
    // Asks every WebSocket connection to close.
    void closeAllSessions();
    // Waits until the thread of every WebSocket connection has ended; false when the time ran
    // out first.
    bool waitForConnectionThreads(std::chrono::milliseconds timeout);
    void connectionThreadStarted();
    void connectionThreadEnded();
};

}  // namespace zorvanil::net
