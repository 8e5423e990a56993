#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "net/object_activity.hpp"

namespace zorvanil::host {

// The activity of every live object of the process, for the console, the metrics and the watch
// over idle transactions. Its lock is held only to add, remove or copy the pointers, never while
// an object runs a call or a reader looks into one.
class ActivityBoard {
  public:
    void add(std::shared_ptr<net::ObjectActivity> activity);
    void remove(const net::ObjectActivity* activity);
    // The live objects' activities, oldest object first.
    std::vector<std::shared_ptr<net::ObjectActivity>> all() const;
    // The same, each read at once.
    std::vector<net::ObjectActivity::Snapshot> snapshots() const;

  private:
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<net::ObjectActivity>> activities_;
};

}  // namespace zorvanil::host
