#include "net/access_brake.hpp"

#include <algorithm>

namespace zorvanil::net {

AccessBrake::Verdict AccessBrake::failed(const std::string& address, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    auto found = records_.find(address);
    if (found == records_.end()) {
        makeRoom(now);
        found = records_.emplace(address, Record{}).first;
    }
    Record& record = found->second;
    if (record.failures > 0 && now - record.last >= kForgetAfter) record.failures = 0;
    record.last = now;
    ++record.failures;

    Verdict verdict;
    verdict.failures = record.failures;
    if (record.failures > 1) {
        // Doubled once per failure after the second, without overflowing on the way.
        std::chrono::milliseconds delay = firstDelay_;
        for (unsigned i = 2; i < record.failures && delay < maxDelay_; ++i)
            delay *= 2;
        verdict.delay = std::min(delay, maxDelay_);
    }
    return verdict;
}

void AccessBrake::succeeded(const std::string& address) {
    std::lock_guard lock(mutex_);
    records_.erase(address);
}

void AccessBrake::makeRoom(Clock::time_point now) {
    if (records_.size() < kMaxAddresses) return;
    std::erase_if(records_, [&](const auto& r) { return now - r.second.last >= kForgetAfter; });
    if (records_.size() < kMaxAddresses) return;
    // Still full: the address that has been quiet longest goes.
    auto oldest = std::min_element(
        records_.begin(), records_.end(),
        [](const auto& a, const auto& b) { return a.second.last < b.second.last; });
    records_.erase(oldest);
}

}  // namespace zorvanil::net
