#include "net/connection_limits.hpp"

#include <algorithm>

namespace zorvanil::net {

RateLimit::RateLimit(unsigned perSecond)
    : rate_(perSecond), tokens_(perSecond), last_(Clock::now()) {}

bool RateLimit::allow() {
    if (rate_ == 0) return true;
    auto now = Clock::now();
    tokens_ = std::min<double>(
        rate_, tokens_ + rate_ * std::chrono::duration<double>(now - last_).count());
    last_ = now;
    if (tokens_ < 1) return false;
    tokens_ -= 1;
    return true;
}

}  // namespace zorvanil::net
