#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "host/activity_board.hpp"

namespace zorvanil::host {

// Watches, on a thread of its own, for objects that hold a transaction open and have made no call
// for `limit`, and hands each to `rollBack`, which rolls its transaction back on the object's own
// thread (where it is checked again, so that a call that came meanwhile keeps its transaction).
class IdleTransactionWatch {
  public:
    using RollBack = std::function<void(const net::ObjectActivity&, std::chrono::milliseconds)>;

    IdleTransactionWatch(std::chrono::seconds limit, const ActivityBoard& board, RollBack rollBack);
    ~IdleTransactionWatch();
    IdleTransactionWatch(const IdleTransactionWatch&) = delete;
    IdleTransactionWatch& operator=(const IdleTransactionWatch&) = delete;

    // How often the objects are looked at.
    static constexpr std::chrono::milliseconds kLook{250};

  private:
    void run();

    const std::chrono::milliseconds limit_;
    const ActivityBoard& board_;
    RollBack rollBack_;
    std::mutex mutex_;
    std::condition_variable stopChanged_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace zorvanil::host
