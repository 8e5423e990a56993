#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <boost/beast/http/verb.hpp>

namespace zorvanil::test {

struct HttpAnswer {
    unsigned status = 0;
    std::string contentType;
    std::string body;
};

// One plain HTTP request to the server on loopback; `key` is sent as the X-Access-Key header.
HttpAnswer httpAsk(std::uint16_t port, boost::beast::http::verb verb, const std::string& target,
                   const std::optional<std::string>& key = std::nullopt);

// A loopback port on which nothing listens now.
std::uint16_t freePort();

}  // namespace zorvanil::test
