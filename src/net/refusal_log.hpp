#pragma once

// The log lines of the requests that one connection refuses. Internal to net/.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include <spdlog/logger.h>

namespace zorvanil::net {

// Every request a connection refuses, WebSocket or HTTP, is logged here: one warning each, but a
// flood of them is summed up once a second, so that a client cannot fill the log.
class RefusalLog {
  public:
    void note(spdlog::logger& log, std::uint64_t connection, std::string_view why);

  private:
    std::chrono::steady_clock::time_point last_{};
    std::size_t suppressed_ = 0;
};

}  // namespace zorvanil::net
