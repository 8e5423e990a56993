#pragma once

#include <exception>
#include <functional>
#include <string>

namespace zorvanil::test {

// The message of the error the call raises, or "(no error)".
inline std::string messageOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace zorvanil::test
