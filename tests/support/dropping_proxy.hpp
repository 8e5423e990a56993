#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "client/client.hpp"

namespace zorvanil::test {

// A TCP proxy on a free loopback port that forwards each connection to a server, and loses one
// answer: the first message from a server that holds `marker` is not passed on, and that
// connection is closed on both sides, as a network that fails between the server's commit and the
// client's read would. The first connection goes to the first target, every later one to the last
// target (so that a client's retry may reach another server process).
class DroppingProxy {
  public:
    DroppingProxy(std::vector<client::ServerAddress> targets, std::string marker);
    ~DroppingProxy();
    DroppingProxy(const DroppingProxy&) = delete;
    DroppingProxy& operator=(const DroppingProxy&) = delete;

    client::ServerAddress address() const { return {"127.0.0.1", port_}; }
    // Whether the answer has been dropped.
    bool dropped() const { return dropped_; }

  private:
    void acceptLoop();
    void forward(int client, client::ServerAddress target);

    std::vector<client::ServerAddress> targets_;
    std::string marker_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> dropped_{false};
    std::thread acceptor_;
    std::vector<std::thread> connections_;
};

}  // namespace zorvanil::test
