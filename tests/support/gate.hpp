#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace zorvanil::test {

// Where a call stops until the test lets it go, so that a call is "long" for exactly as long as
// the test wants.
class Gate {
  public:
    // Called by the call that is held: waits until the gate opens.
    void pass() {
        std::unique_lock lock(mutex_);
        ++entered_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return open_; });
    }
    // Waits until `count` calls have reached the gate; false after ten seconds.
    bool waitEntered(int count = 1) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return entered_ >= count; });
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int entered_ = 0;
    bool open_ = false;
};

}  // namespace zorvanil::test
