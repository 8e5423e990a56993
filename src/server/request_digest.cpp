#include "server/request_digest.hpp"

#include <stdexcept>

#include <openssl/evp.h>

#include "packet/json_codec.hpp"

namespace zorvanil::server {

namespace {

void addPart(std::string& text, std::string_view part) {
    text += std::to_string(part.size());
    text += ':';
    text += part;
}

}  // namespace

std::string sha256Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha256(), nullptr))
        throw std::runtime_error("SHA-256 failed");
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * size);
    for (unsigned int i = 0; i < size; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0x0F];
    }
    return hex;
}

std::string applyRequestDigest(std::string_view providerName, std::int32_t maxErrors,
                               const Variant& ownerData, const Variant& delta) {
    std::string text;
    addPart(text, providerName);
    addPart(text, std::to_string(maxErrors));
    addPart(text, ownerData.isUnassigned() ? std::string() : packet::jsonText(ownerData));
    addPart(text, packet::jsonText(delta));
    return sha256Hex(text);
}

}  // namespace zorvanil::server
