#pragma once

#include <atomic>

namespace zorvanil::host {

// The number of live server objects of the process: raised when an object has been built,
// lowered when it has been destroyed. Object threads change it concurrently, with atomic
// operations only. One instance belongs to the process's host.
class ObjectCount {
  public:
    // Each returns the count after the change.
    int increment() { return count_.fetch_add(1, std::memory_order_acq_rel) + 1; }
    int decrement() { return count_.fetch_sub(1, std::memory_order_acq_rel) - 1; }
    int value() const { return count_.load(std::memory_order_acquire); }

  private:
    std::atomic<int> count_{0};
};

}  // namespace zorvanil::host
