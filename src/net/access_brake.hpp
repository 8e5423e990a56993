#pragma once

// The brake on guessing the access key. Internal to net/.

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace zorvanil::net {

// Counts the wrong access keys that each address sent and tells how long to hold back the answer
// to the next one: nothing for the first, then a delay that doubles with every further failure, up
// to a bound. A right key from the address, or a quiet spell, starts the count again. Shared by
// the connections of one server.
class AccessBrake {
  public:
    using Clock = std::chrono::steady_clock;

    AccessBrake(std::chrono::milliseconds firstDelay, std::chrono::milliseconds maxDelay)
        : firstDelay_(firstDelay), maxDelay_(maxDelay) {}

    // A wrong key from `address`: how long to wait before answering it, and how many wrong keys
    // the address has sent in a row.
    struct Verdict {
        std::chrono::milliseconds delay{0};
        unsigned failures = 0;
    };
    Verdict failed(const std::string& address, Clock::time_point now = Clock::now());
    void succeeded(const std::string& address);

    // A failure this long after the address's previous one counts as its first again.
    static constexpr std::chrono::minutes kForgetAfter{15};
    // The addresses remembered at most; past it the ones gone quiet are forgotten first.
    static constexpr std::size_t kMaxAddresses = 4096;

  private:
    struct Record {
        unsigned failures = 0;
        Clock::time_point last{};
    };
    void makeRoom(Clock::time_point now);

    const std::chrono::milliseconds firstDelay_;
    const std::chrono::milliseconds maxDelay_;
    std::mutex mutex_;
    std::unordered_map<std::string, Record> records_;
};

}  // namespace zorvanil::net
