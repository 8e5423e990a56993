#include "net/object_activity.hpp"

#include "common/text.hpp"

namespace zorvanil::net {

ObjectActivity::ObjectActivity(ServerActivity& server, std::uint64_t objectId,
                               std::uint64_t connectionId, std::string peer)
    : server_(server),
      objectId_(objectId),
      connectionId_(connectionId),
      peer_(std::move(peer)),
      connectedAt_(std::chrono::system_clock::now()),
      connectedSince_(Clock::now()),
      lastCallEnded_(ticks(connectedSince_)) {
    // Room for the longest text kept, so that keeping one never allocates.
    lastStatement_.reserve(kStatementBytes);
}

void ObjectActivity::callStarted(std::size_t operation, Clock::time_point now) noexcept {
    callSince_.store(ticks(now), std::memory_order_relaxed);
    operation_.store(static_cast<int>(operation), std::memory_order_release);
}

void ObjectActivity::callEnded(bool ok, int failedRows, Clock::time_point now) noexcept {
    const int operation = operation_.exchange(kNoCall, std::memory_order_acq_rel);
    if (operation == kNoCall) return;
    const Clock::duration took = now - at(callSince_.load(std::memory_order_relaxed));
    lastCallEnded_.store(ticks(now), std::memory_order_relaxed);
    calls_.fetch_add(1, std::memory_order_relaxed);
    server_.callEnded(static_cast<std::size_t>(operation), ok, took, failedRows, now);
}

void ObjectActivity::statementSent(std::string_view sql) noexcept {
    const std::string_view shown = cutToBytes(sql, kStatementBytes);
    std::lock_guard lock(statementMutex_);
    lastStatement_.assign(shown.data(), shown.size());
}

void ObjectActivity::transactionStarted(Clock::duration lockWait) noexcept {
    transactionSince_.store(ticks(Clock::now()), std::memory_order_relaxed);
    server_.lockWaited(lockWait);
}

void ObjectActivity::transactionEnded() noexcept {
    transactionSince_.store(0, std::memory_order_relaxed);
}

ObjectActivity::Snapshot ObjectActivity::snapshot(Clock::time_point now) const {
    Snapshot s;
    s.objectId = objectId_;
    s.connectionId = connectionId_;
    s.peer = peer_;
    s.connectedAt = connectedAt_;
    s.connectedFor = now - connectedSince_;
    s.calls = calls_.load(std::memory_order_relaxed);
    const int operation = operation_.load(std::memory_order_acquire);
    if (operation != kNoCall) {
        s.operation = packet::kRemoteOperations[static_cast<std::size_t>(operation)].method();
        s.callFor = now - at(callSince_.load(std::memory_order_relaxed));
    } else {
        s.idleFor = now - at(lastCallEnded_.load(std::memory_order_relaxed));
    }
    const std::int64_t transaction = transactionSince_.load(std::memory_order_relaxed);
    s.inTransaction = transaction != 0;
    if (s.inTransaction) s.transactionFor = now - at(transaction);
    {
        std::lock_guard lock(statementMutex_);
        s.lastStatement = lastStatement_;
    }
    return s;
}

bool ObjectActivity::idleInTransaction(Clock::duration limit, Clock::time_point now) const {
    if (transactionSince_.load(std::memory_order_relaxed) == 0) return false;
    if (operation_.load(std::memory_order_acquire) != kNoCall) return false;
    return now - at(lastCallEnded_.load(std::memory_order_relaxed)) >= limit;
}

}  // namespace zorvanil::net
