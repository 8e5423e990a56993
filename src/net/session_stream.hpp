#pragma once

// The two streams an HTTP session may read and write, plain TCP or TLS over it, and what differs
// between them: the start (TLS shakes hands first), the end (TLS says goodbye first) and what a
// WebSocket upgrade hands on. Internal to net/.

#include <chrono>
#include <memory>
#include <type_traits>
#include <utility>

#include <boost/asio/ssl/context.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>

#include "net/server_core.hpp"
#include "net/tls_handle.hpp"
#include "net/ws_stream.hpp"

namespace zorvanil::net {

using PlainStream = boost::beast::tcp_stream;
using TlsStream = boost::beast::ssl_stream<boost::beast::tcp_stream>;

// How long a TLS peer is given to answer the server's goodbye.
inline constexpr auto kTlsGoodbyeTimeout = std::chrono::seconds(5);

// The stream of an accepted socket.
template <class Stream>
Stream openStream(boost::asio::ip::tcp::socket socket, const NetServer::Core& core) {
    if constexpr (std::is_same_v<Stream, TlsStream>)
        return Stream(std::move(socket), *core.tls);
    else
        return Stream(std::move(socket));
}

// The start of the connection: nothing on plain TCP; the TLS handshake, within `timeout`.
template <class Handler>
void startStream(PlainStream&, std::chrono::milliseconds, Handler&& done) {
    done(boost::beast::error_code());
}
template <class Handler>
void startStream(TlsStream& stream, std::chrono::milliseconds timeout, Handler&& done) {
    boost::beast::get_lowest_layer(stream).expires_after(timeout);
    stream.async_handshake(boost::asio::ssl::stream_base::server, std::forward<Handler>(done));
}

// The server is done sending: TCP says so at once; TLS sends its goodbye (close_notify) and waits
// a moment for the peer's. `self` keeps the session alive until then.
template <class Self>
void endStream(PlainStream& stream, Self) {
    boost::beast::error_code ec;
    stream.socket().shutdown(boost::asio::ip::tcp::socket::shutdown_send, ec);
}
template <class Self>
void endStream(TlsStream& stream, Self self) {
    boost::beast::get_lowest_layer(stream).expires_after(kTlsGoodbyeTimeout);
    stream.async_shutdown([self](boost::beast::error_code) {});
}

// The connection as a WebSocket session takes it over.
inline Handover handOver(PlainStream& stream) {
    return {stream.release_socket(), false, {}};
}
inline Handover handOver(TlsStream& stream) {
    TlsHandle session = TlsHandle::takeFrom(stream.native_handle());
    return {boost::beast::get_lowest_layer(stream).release_socket(), true, std::move(session)};
}

}  // namespace zorvanil::net
