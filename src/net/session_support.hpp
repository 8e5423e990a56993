#pragma once

// Small pieces that the HTTP and the WebSocket sessions share. Internal to net/.

#include <string>
#include <string_view>

#include <boost/asio/ip/tcp.hpp>

namespace zorvanil::net {

// The Server header of every HTTP answer and of the WebSocket handshake.
inline constexpr const char* kServerHeader = "zorvanil-server";

// Compares without stopping at the first difference, so that the time taken tells nothing.
bool sameKey(std::string_view a, std::string_view b);

// "address:port" of the socket's peer; "?" when it is unknown.
std::string peerOf(const boost::asio::ip::tcp::socket& socket);

// The address of a peer written by peerOf, without its port.
std::string peerAddress(std::string_view peer);

// The path of a request target, without its query.
std::string_view pathOf(std::string_view target);

}  // namespace zorvanil::net
