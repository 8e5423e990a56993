#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace zorvanil::test {

// Polls until the condition holds; false after five seconds.
inline bool eventually(const std::function<bool()>& condition) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace zorvanil::test
