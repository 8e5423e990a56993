#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/variant.hpp"

namespace zorvanil::server {

// The digest that tells whether a call under a request id repeats the apply recorded under it:
// SHA-256, as 64 lower-case hex digits, of what decides what an apply does: the provider name,
// MaxErrors, the owner data and the change packet, each as its canonical JSON text. Each part
// is preceded by its length, so that no two requests give the same text.
std::string applyRequestDigest(std::string_view providerName, std::int32_t maxErrors,
                               const Variant& ownerData, const Variant& delta);

// SHA-256 of the bytes, as 64 lower-case hex digits.
std::string sha256Hex(std::string_view bytes);

}  // namespace zorvanil::server
