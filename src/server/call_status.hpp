#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "common/error.hpp"

namespace zorvanil::server {

// What a remote operation answers: 0 for success, or a failure status with the error's message.
// The error record names the interface and the programmatic identifier of the server object.
struct CallStatus {
    static constexpr std::string_view kInterface = "IZORVANIL3";
    static constexpr std::string_view kSource = "ZORVANIL.AZORVANIL";

    std::int32_t status = 0;
    std::string message;
    std::int32_t helpContext = 0;

    CallStatus() = default;
    explicit CallStatus(Failure failure)
        : status(failure.status),
          message(std::move(failure.message)),
          helpContext(failure.helpContext) {}

    bool ok() const { return status >= 0; }
};

}  // namespace zorvanil::server
