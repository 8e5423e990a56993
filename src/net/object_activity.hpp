#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "db/connection_watch.hpp"
#include "net/server_activity.hpp"

namespace zorvanil::net {

// What one server object is doing, as an operator sees it: its client, since when, the calls it
// has served, the call it is running and since when, the last statement it sent and whether it
// holds a transaction open. Its own thread writes it inside its calls; any thread reads it with
// snapshot(), which copies a few values and never waits for a call.
class ObjectActivity final : public db::ConnectionWatch {
  public:
    using Clock = std::chrono::steady_clock;
    // The last statement is kept up to this many bytes, cut where a character begins.
    static constexpr std::size_t kStatementBytes = 240;

    ObjectActivity(ServerActivity& server, std::uint64_t objectId, std::uint64_t connectionId,
                   std::string peer);

    std::uint64_t objectId() const { return objectId_; }
    std::uint64_t connectionId() const { return connectionId_; }
    ServerActivity& server() { return server_; }

    // Around each call of one of the operations (its place in the table).
    void callStarted(std::size_t operation, Clock::time_point now = Clock::now()) noexcept;
    void callEnded(bool ok, int failedRows, Clock::time_point now = Clock::now()) noexcept;

    void statementSent(std::string_view sql) noexcept override;
    void transactionStarted(Clock::duration lockWait) noexcept override;
    void transactionEnded() noexcept override;

    struct Snapshot {
        std::uint64_t objectId = 0;
        std::uint64_t connectionId = 0;
        std::string peer;
        std::chrono::system_clock::time_point connectedAt;
        Clock::duration connectedFor{};
        std::uint64_t calls = 0;
        std::optional<std::string_view> operation;  // the method of the call running now
        Clock::duration callFor{};
        std::string lastStatement;
        bool inTransaction = false;
        Clock::duration transactionFor{};
        Clock::duration idleFor{};  // since its last call ended; zero while one runs
    };
    Snapshot snapshot(Clock::time_point now = Clock::now()) const;

    // Whether it holds a transaction open, runs no call and has run none for `limit`.
    bool idleInTransaction(Clock::duration limit, Clock::time_point now = Clock::now()) const;

  private:
    static constexpr int kNoCall = -1;
    static std::int64_t ticks(Clock::time_point t) { return t.time_since_epoch().count(); }
    static Clock::time_point at(std::int64_t ticks) {
        return Clock::time_point(Clock::duration(ticks));
    }

    ServerActivity& server_;
    const std::uint64_t objectId_;
    const std::uint64_t connectionId_;
    const std::string peer_;
    const std::chrono::system_clock::time_point connectedAt_;
    const Clock::time_point connectedSince_;

    std::atomic<std::uint64_t> calls_{0};
    std::atomic<int> operation_{kNoCall};
    std::atomic<std::int64_t> callSince_{0};
    std::atomic<std::int64_t> lastCallEnded_;
    std::atomic<std::int64_t> transactionSince_{0};  // 0: none open

    mutable std::mutex statementMutex_;  // held only to copy the text in or out
    std::string lastStatement_;
};

}  // namespace zorvanil::net
