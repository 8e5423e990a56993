#include "host/memory_trim.hpp"

#include <malloc.h>

#include <algorithm>

namespace zorvanil::host {

void configureHeap() {
    unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    ::mallopt(M_ARENA_MAX, static_cast<int>(2 * cores));
    ::mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
}

MemoryTrim::MemoryTrim(std::chrono::milliseconds quiet)
    : quiet_(quiet), thread_([this] { run(); }) {}

MemoryTrim::~MemoryTrim() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void MemoryTrim::objectDestroyed() {
    {
        std::lock_guard lock(mutex_);
        pending_ = true;
        lastDestroyed_ = Clock::now();
    }
    changed_.notify_all();
}

int MemoryTrim::trims() const {
    std::lock_guard lock(mutex_);
    return trims_;
}

void MemoryTrim::run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (!pending_) {
            changed_.wait(lock);
            continue;
        }
        Clock::time_point due = lastDestroyed_ + quiet_;
        if (Clock::now() < due) {
            changed_.wait_until(lock, due);
            continue;
        }
        pending_ = false;
        lock.unlock();
        ::malloc_trim(0);
        lock.lock();
        ++trims_;
    }
}

}  // namespace zorvanil::host
