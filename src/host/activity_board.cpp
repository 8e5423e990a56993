#include "host/activity_board.hpp"

#include <algorithm>

namespace zorvanil::host {

void ActivityBoard::add(std::shared_ptr<net::ObjectActivity> activity) {
    std::lock_guard lock(mutex_);
    activities_.push_back(std::move(activity));
}

void ActivityBoard::remove(const net::ObjectActivity* activity) {
    std::lock_guard lock(mutex_);
    std::erase_if(activities_, [&](const auto& a) { return a.get() == activity; });
}

std::vector<std::shared_ptr<net::ObjectActivity>> ActivityBoard::all() const {
    std::lock_guard lock(mutex_);
    return activities_;
}

std::vector<net::ObjectActivity::Snapshot> ActivityBoard::snapshots() const {
    std::vector<net::ObjectActivity::Snapshot> out;
    const auto now = net::ObjectActivity::Clock::now();
    for (const auto& activity : all())
        out.push_back(activity->snapshot(now));
    return out;
}

}  // namespace zorvanil::host
