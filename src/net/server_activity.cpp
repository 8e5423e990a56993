#include "net/server_activity.hpp"

#include <algorithm>

namespace zorvanil::net {

namespace {

constexpr std::size_t kApplyUpdates = packet::remoteOperationIndex("AS_ApplyUpdates");
static_assert(kApplyUpdates < ServerActivity::kOperations);

std::uint64_t nanosecondsOf(ServerActivity::Clock::duration d) {
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    return ns > 0 ? static_cast<std::uint64_t>(ns) : 0;
}

}  // namespace

ServerActivity::ServerActivity() : began_(Clock::now()) {}

void ServerActivity::SecondCount::add(std::uint32_t second) {
    const std::uint64_t stamp = static_cast<std::uint64_t>(second) << 32;
    std::uint64_t seen = word_.load(std::memory_order_relaxed);
    std::uint64_t next;
    do {
        next = (seen & ~0xFFFFFFFFull) == stamp ? seen + 1 : stamp | 1;
    } while (!word_.compare_exchange_weak(seen, next, std::memory_order_relaxed));
}

std::uint64_t ServerActivity::SecondCount::of(std::uint32_t second) const {
    const std::uint64_t word = word_.load(std::memory_order_relaxed);
    return (word >> 32) == second ? (word & 0xFFFFFFFFull) : 0;
}

std::uint32_t ServerActivity::secondOf(Clock::time_point t) const {
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::seconds>(t - began_).count());
}

void ServerActivity::callEnded(std::size_t operation, bool ok, Clock::duration took, int failedRows,
                               Clock::time_point now) {
    const std::uint32_t second = secondOf(now);
    calls_[second % kSecondsKept].add(second);
    if (!ok) errors_[second % kSecondsKept].add(second);
    if (operation >= kOperations) return;
    Operation& o = operations_[operation];
    (ok ? o.ok : o.failed).fetch_add(1, std::memory_order_relaxed);
    const double seconds = std::chrono::duration<double>(took).count();
    const auto bucket = static_cast<std::size_t>(
        std::lower_bound(kLatencyBounds.begin(), kLatencyBounds.end(), seconds) -
        kLatencyBounds.begin());
    o.buckets[bucket].fetch_add(1, std::memory_order_relaxed);
    o.nanoseconds.fetch_add(nanosecondsOf(took), std::memory_order_relaxed);
    if (operation == kApplyUpdates && ok) {
        applies_.fetch_add(1, std::memory_order_relaxed);
        if (failedRows > 0)
            failedRows_.fetch_add(static_cast<std::uint64_t>(failedRows),
                                  std::memory_order_relaxed);
    }
}

void ServerActivity::lockWaited(Clock::duration wait) {
    lockWaits_.fetch_add(1, std::memory_order_relaxed);
    lockWaitNanoseconds_.fetch_add(nanosecondsOf(wait), std::memory_order_relaxed);
}

double ServerActivity::lockWaitSeconds() const {
    return static_cast<double>(lockWaitNanoseconds_.load(std::memory_order_relaxed)) / 1e9;
}

ServerActivity::OperationTotals ServerActivity::operation(std::size_t index) const {
    OperationTotals totals;
    const Operation& o = operations_.at(index);
    totals.ok = o.ok.load(std::memory_order_relaxed);
    totals.failed = o.failed.load(std::memory_order_relaxed);
    for (std::size_t b = 0; b < totals.buckets.size(); ++b)
        totals.buckets[b] = o.buckets[b].load(std::memory_order_relaxed);
    totals.seconds = static_cast<double>(o.nanoseconds.load(std::memory_order_relaxed)) / 1e9;
    return totals;
}

ServerActivity::LastMinute ServerActivity::lastMinute(Clock::time_point now) const {
    LastMinute minute;
    const std::uint32_t current = secondOf(now);
    std::uint64_t recent = 0;
    for (std::uint32_t back = 1; back <= kSecondsKept && back <= current; ++back) {
        const std::uint32_t second = current - back;
        const std::uint64_t calls = calls_[second % kSecondsKept].of(second);
        minute.calls += calls;
        minute.errors += errors_[second % kSecondsKept].of(second);
        if (back <= kRateSeconds) recent += calls;
    }
    const std::uint32_t rateSeconds = std::min<std::uint32_t>(kRateSeconds, current);
    if (rateSeconds > 0) minute.callsPerSecond = static_cast<double>(recent) / rateSeconds;
    return minute;
}

}  // namespace zorvanil::net
