#pragma once

// The HTTP side of the server's port: one session for each accepted socket. Internal to net/.

#include <memory>

#include <boost/asio/ip/tcp.hpp>

#include "net/server_core.hpp"

namespace zorvanil::net {

// Serves one accepted socket: answers the pages, or hands the socket of a WebSocket upgrade on to
// a WebSocket session. `counted` tells whether the socket took a connection slot; one that did not
// (the limit was reached) is answered 503.
void startSession(std::shared_ptr<NetServer::Core> core, boost::asio::ip::tcp::socket socket,
                  bool counted);

}  // namespace zorvanil::net
