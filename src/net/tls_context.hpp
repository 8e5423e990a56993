#pragma once

// What the server's port needs to speak TLS: its certificate, its key and the protocols and
// ciphers it accepts. Internal to net/.

#include <memory>

#include <boost/asio/ssl/context.hpp>

#include "net/net_server.hpp"

namespace zorvanil::net {

// A server context for TLS 1.2 and later with the certificate chain and the private key of
// `files`. Fails, naming the file and the reason, when either cannot be read or the key is not
// the certificate's.
std::shared_ptr<boost::asio::ssl::context> makeServerTlsContext(const TlsFiles& files);

}  // namespace zorvanil::net
