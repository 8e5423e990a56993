#pragma once

#include <initializer_list>
#include <string_view>

#include "common/error.hpp"
#include "common/messages.hpp"

namespace zorvanil::packet {

// A packet that cannot be read, in either encoding: the message says what is wrong with it, with
// the markers of `pattern` filled from `args`.
[[noreturn]] inline void invalidPacket(std::string_view pattern,
                                       std::initializer_list<std::string_view> args = {}) {
    throw Error(formatMessage(msg::kInvalidPacket, {formatMessage(pattern, args)}));
}

}  // namespace zorvanil::packet
