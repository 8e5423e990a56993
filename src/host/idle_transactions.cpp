#include "host/idle_transactions.hpp"

namespace zorvanil::host {

IdleTransactionWatch::IdleTransactionWatch(std::chrono::seconds limit, const ActivityBoard& board,
                                           RollBack rollBack)
    : limit_(limit), board_(board), rollBack_(std::move(rollBack)), thread_([this] { run(); }) {}

IdleTransactionWatch::~IdleTransactionWatch() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stopChanged_.notify_all();
    thread_.join();
}

void IdleTransactionWatch::run() {
    std::unique_lock lock(mutex_);
    while (!stopChanged_.wait_for(lock, kLook, [&] { return stopping_; })) {
        lock.unlock();
        const auto now = net::ObjectActivity::Clock::now();
        for (const auto& activity : board_.all())
            if (activity->idleInTransaction(limit_, now)) rollBack_(*activity, limit_);
        lock.lock();
    }
}

}  // namespace zorvanil::host
