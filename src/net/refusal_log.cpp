#include "net/refusal_log.hpp"

namespace zorvanil::net {

void RefusalLog::note(spdlog::logger& log, std::uint64_t connection, std::string_view why) {
    auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::seconds(1)) {
        ++suppressed_;
        return;
    }
    if (suppressed_ > 0)
        log.warn("connection {}: {} more requests refused", connection, suppressed_);
    log.warn("connection {}: request refused: {}", connection, why);
    last_ = now;
    suppressed_ = 0;
}

}  // namespace zorvanil::net
