#pragma once

// What keeps the connections of one server within bounds: a slot of the server's connection
// count, held for as long as a connection lives, and the message rate of one connection.
// Internal to net/.

#include <chrono>
#include <memory>

#include "net/server_core.hpp"

namespace zorvanil::net {

// Holds one of the server's connection slots and gives it back when the connection ends.
class ConnectionSlot {
  public:
    ConnectionSlot() = default;
    explicit ConnectionSlot(std::shared_ptr<NetServer::Core> core) : core_(std::move(core)) {}
    ConnectionSlot(ConnectionSlot&& other) noexcept : core_(std::move(other.core_)) {}
    ConnectionSlot& operator=(ConnectionSlot&&) = delete;
    ~ConnectionSlot() {
        if (core_) core_->connections.fetch_sub(1);
    }

  private:
    std::shared_ptr<NetServer::Core> core_;
};

// Messages per second with bursts of one second's worth.
class RateLimit {
  public:
    explicit RateLimit(unsigned perSecond);
    // Whether one more message may pass now; it then uses up its share.
    bool allow();

  private:
    using Clock = std::chrono::steady_clock;
    unsigned rate_;
    double tokens_;
    Clock::time_point last_;
};

}  // namespace zorvanil::net
