#include "net/request_budget.hpp"

#include <algorithm>

namespace zorvanil::net {

bool RequestBudget::take(std::size_t bytes) {
    std::size_t held = held_.load();
    do {
        if (limit_ != 0 && (bytes > limit_ || held > limit_ - bytes)) return false;
    } while (!held_.compare_exchange_weak(held, held + bytes));
    return true;
}

std::size_t RequestBudget::takeUpTo(std::size_t bytes) {
    std::size_t held = held_.load();
    std::size_t taken = 0;
    do {
        taken = limit_ == 0 ? bytes : held >= limit_ ? 0 : std::min(bytes, limit_ - held);
        if (taken == 0) return 0;
    } while (!held_.compare_exchange_weak(held, held + taken));
    return taken;
}

}  // namespace zorvanil::net
