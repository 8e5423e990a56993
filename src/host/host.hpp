#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "catalogue/catalogue.hpp"
#include "host/idle_transactions.hpp"
#include "host/object_host.hpp"
#include "host/start_mode.hpp"
#include "host/status_page.hpp"
#include "net/net_server.hpp"
#include "server/handler_table.hpp"
#include "server/server_environment.hpp"

namespace zorvanil::host {

struct HostSettings {
    StartMode mode = StartMode::Normal;
    net::NetOptions net;
    // How long a server closed by a service manager waits for its clients to release.
    std::chrono::seconds shutdownGrace{30};
    // Whether SIGINT and SIGTERM close the server (off where the process is not the server's own).
    bool handleSignals = true;
    // Asks the operator whether to close while objects are alive (true: close). Empty when there
    // is nobody to ask (no terminal): the server then waits for its clients up to the grace
    // period.
    std::function<bool()> askToClose;
    std::string version;
    // A transaction that an object holds open while it makes no call for this long is rolled
    // back; 0: never.
    std::chrono::seconds maxTransactionIdle{0};
};

// The running server: its objects, the network side on its port, the status page, and when it
// ends: at SIGINT or SIGTERM (asking first on a terminal when objects are alive, or waiting for
// them to be released when there is no terminal), at the last release in automation mode, or when
// asked to.
class Host {
  public:
    Host(HostSettings settings, const catalogue::Catalogue& catalogue,
         const server::HandlerTable& handlers, std::shared_ptr<server::ServerEnvironment> env);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Binds the port and starts serving; fails when the port cannot be bound.
    void start();
    std::uint16_t port() const { return net_->port(); }
    std::string endpoint() const { return net_->endpoint(); }

    // Serves until the server is closed; returns the exit code. Runs on the main thread.
    int wait();
    // Ends wait() from any thread.
    void requestStop(std::string reason);

    int liveObjects() const { return objects_.liveObjects(); }
    StatusFacts status() const;
    // What the console shows, as GET /console.json answers it.
    std::string consoleJson() const;
    ObjectHost& objects() { return objects_; }

  private:
    std::optional<net::HttpReply> page(const net::HttpRequest& request);
    // POST /console/end?object=N: ends the object's connection for an operator who may.
    net::HttpReply endObject(const net::HttpRequest& request);
    void onSignal(int signal);
    void closeWithoutTerminal();
    bool stopRequested();
    std::string databaseAlias() const;

    HostSettings settings_;
    std::shared_ptr<server::ServerEnvironment> env_;
    std::shared_ptr<spdlog::logger> log_;
    std::chrono::steady_clock::time_point started_;
    ObjectHost objects_;
    std::unique_ptr<net::NetServer> net_;
    std::unique_ptr<IdleTransactionWatch> idleWatch_;

    std::mutex mutex_;
    std::condition_variable stopChanged_;
    std::optional<std::string> stopReason_;
    bool signalsBlocked_ = false;
};

}  // namespace zorvanil::host
