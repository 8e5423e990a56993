#pragma once

// The bytes of requests that the connections of one server hold at once: read, or being read, and
// not yet answered. One bound for the whole server keeps its memory in proportion to the bound,
// however many connections there are. Internal to net/.

#include <atomic>
#include <cstddef>

namespace zorvanil::net {

class RequestBudget {
  public:
    // 0: no bound.
    explicit RequestBudget(std::size_t limit) : limit_(limit) {}
    RequestBudget(const RequestBudget&) = delete;
    RequestBudget& operator=(const RequestBudget&) = delete;

    // Takes `bytes` more when they fit within the bound, else takes nothing and answers false.
    bool take(std::size_t bytes);
    // Takes as much of `bytes` as fits within the bound; answers how much.
    std::size_t takeUpTo(std::size_t bytes);
    void giveBack(std::size_t bytes) { held_.fetch_sub(bytes); }
    std::size_t held() const { return held_.load(); }
    std::size_t limit() const { return limit_; }

  private:
    const std::size_t limit_;
    std::atomic<std::size_t> held_{0};
};

// What one connection holds of the budget; all of it goes back when the share is destroyed.
class BudgetShare {
  public:
    explicit BudgetShare(RequestBudget& budget) : budget_(budget) {}
    ~BudgetShare() { release(); }
    BudgetShare(const BudgetShare&) = delete;
    BudgetShare& operator=(const BudgetShare&) = delete;

    bool grow(std::size_t bytes) {
        if (!budget_.take(bytes)) return false;
        bytes_ += bytes;
        return true;
    }
    std::size_t growUpTo(std::size_t bytes) {
        std::size_t taken = budget_.takeUpTo(bytes);
        bytes_ += taken;
        return taken;
    }
    // Gives back part of the share, at most all of it.
    void shrink(std::size_t bytes) {
        if (bytes > bytes_) bytes = bytes_;
        budget_.giveBack(bytes);
        bytes_ -= bytes;
    }
    void release() { shrink(bytes_); }
    std::size_t bytes() const { return bytes_; }

  private:
    RequestBudget& budget_;
    std::size_t bytes_ = 0;
};

}  // namespace zorvanil::net
