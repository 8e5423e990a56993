#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/net_server.hpp"

namespace zorvanil::host {

enum class ConsoleAccess { Granted, WrongKey, NotLoopback };

// Who may end an object from the console. With an access key configured: whoever presents it in
// the X-Access-Key header. Without one: a client on a loopback address, and only when its request
// carries the header (with any value): a browser sends a header of its own on a request to
// another site only after asking that site, which this server never grants, so that no page
// the operator opens elsewhere can end objects through the operator's browser.
ConsoleAccess consoleAccess(const net::HttpRequest& request, const std::string* accessKey);

// The number in "?object=N"; none when the query names no such number.
std::optional<std::uint64_t> objectOfQuery(std::string_view query);

}  // namespace zorvanil::host
