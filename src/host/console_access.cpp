#include "host/console_access.hpp"

#include <charconv>

#include "net/session_support.hpp"

namespace zorvanil::host {

ConsoleAccess consoleAccess(const net::HttpRequest& request, const std::string* accessKey) {
    if (accessKey)
        return request.accessKey && net::sameKey(*request.accessKey, *accessKey)
                   ? ConsoleAccess::Granted
                   : ConsoleAccess::WrongKey;
    return request.loopback && request.accessKey ? ConsoleAccess::Granted
                                                 : ConsoleAccess::NotLoopback;
}

std::optional<std::uint64_t> objectOfQuery(std::string_view query) {
    constexpr std::string_view kName = "?object=";
    if (!query.starts_with(kName)) return std::nullopt;
    query.remove_prefix(kName.size());
    std::uint64_t id = 0;
    auto [end, ec] = std::from_chars(query.data(), query.data() + query.size(), id);
    if (ec != std::errc() || end != query.data() + query.size()) return std::nullopt;
    return id;
}

}  // namespace zorvanil::host
