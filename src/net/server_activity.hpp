#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "packet/remote_operations.hpp"

namespace zorvanil::net {

// What the calls of every object of the process add up to: calls by operation and outcome with
// their latencies, applies and their failed rows, the waits for the database's write lock, and the
// calls and errors of each of the last 60 seconds. Object threads add to it with atomic operations
// only; readers take what they find, without stopping anyone.
class ServerActivity {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kOperations = std::size(packet::kRemoteOperations);
    // Upper bounds of the latency buckets, in seconds; a last bucket takes every longer call.
    static constexpr std::array<double, 14> kLatencyBounds = {
        0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10};
    static constexpr std::size_t kSecondsKept = 60;

    ServerActivity();

    // A call of the operation at that place of the table ended; `failedRows` counts for applies.
    void callEnded(std::size_t operation, bool ok, Clock::duration took, int failedRows,
                   Clock::time_point now = Clock::now());
    void lockWaited(Clock::duration wait);
    void idleTransactionRolledBack() { idleRollbacks_.fetch_add(1, std::memory_order_relaxed); }
    void objectEnded() { objectsEnded_.fetch_add(1, std::memory_order_relaxed); }

    struct OperationTotals {
        std::uint64_t ok = 0;
        std::uint64_t failed = 0;
        // Calls per bucket of kLatencyBounds, the last one beyond them; not summed up.
        std::array<std::uint64_t, kLatencyBounds.size() + 1> buckets{};
        double seconds = 0;  // the time of every call together
    };
    OperationTotals operation(std::size_t index) const;

    std::uint64_t applies() const { return applies_.load(std::memory_order_relaxed); }
    std::uint64_t failedRows() const { return failedRows_.load(std::memory_order_relaxed); }
    double lockWaitSeconds() const;
    std::uint64_t lockWaits() const { return lockWaits_.load(std::memory_order_relaxed); }
    std::uint64_t idleRollbacks() const { return idleRollbacks_.load(std::memory_order_relaxed); }
    std::uint64_t objectsEnded() const { return objectsEnded_.load(std::memory_order_relaxed); }

    // The calls and errors of the last kSecondsKept complete seconds, and the calls per second
    // of the last kRateSeconds of them.
    struct LastMinute {
        std::uint64_t calls = 0;
        std::uint64_t errors = 0;
        double callsPerSecond = 0;
    };
    static constexpr std::size_t kRateSeconds = 10;
    LastMinute lastMinute(Clock::time_point now = Clock::now()) const;

  private:
    // A count of one second: the second (since the activity began) in the high half, the count
    // in the low half, changed together so that a count never lands in a second it was not
    // made in.
    class SecondCount {
      public:
        void add(std::uint32_t second);
        // The count when it is of that second, else 0.
        std::uint64_t of(std::uint32_t second) const;

      private:
        std::atomic<std::uint64_t> word_{0};
    };
    std::uint32_t secondOf(Clock::time_point t) const;

    struct Operation {
        std::atomic<std::uint64_t> ok{0};
        std::atomic<std::uint64_t> failed{0};
        std::array<std::atomic<std::uint64_t>, kLatencyBounds.size() + 1> buckets{};
        std::atomic<std::uint64_t> nanoseconds{0};
    };

    Clock::time_point began_;
    std::array<Operation, kOperations> operations_;
    std::atomic<std::uint64_t> applies_{0};
    std::atomic<std::uint64_t> failedRows_{0};
    std::atomic<std::uint64_t> lockWaitNanoseconds_{0};
    std::atomic<std::uint64_t> lockWaits_{0};
    std::atomic<std::uint64_t> idleRollbacks_{0};
    std::atomic<std::uint64_t> objectsEnded_{0};
    std::array<SecondCount, kSecondsKept> calls_;
    std::array<SecondCount, kSecondsKept> errors_;
};

}  // namespace zorvanil::net
