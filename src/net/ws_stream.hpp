#pragma once

// The WebSocket stream of one connection, over plain TCP or over TLS, as its session drives it.
// Internal to net/.

#include <cstddef>
#include <functional>
#include <memory>

#include <boost/asio/buffer.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/error.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/websocket/rfc6455.hpp>
#include <boost/beast/websocket/stream_base.hpp>

#include "net/tls_handle.hpp"

namespace zorvanil::net {

// What the HTTP side of the port hands on to a WebSocket connection: its socket and, when the
// port speaks TLS, the session that its handshake set up.
struct Handover {
    boost::asio::ip::tcp::socket socket;
    bool tls = false;
    TlsHandle session;
};

// The one session code drives either stream through this interface.
class WsStream {
  public:
    using ErrorCode = boost::beast::error_code;
    using UpgradeRequest = boost::beast::http::request<boost::beast::http::string_body>;
    using DoneHandler = std::function<void(ErrorCode)>;
    using IoHandler = std::function<void(ErrorCode, std::size_t)>;

    // Takes a connection over on the connection's own loop: its socket by descriptor and, for
    // TLS, its session. Null (the descriptor closed, `ec` set) when that fails.
    static std::unique_ptr<WsStream> adopt(boost::asio::io_context& io,
                                           boost::asio::ip::tcp::socket::protocol_type protocol,
                                           int handle, bool tls, TlsHandle session, ErrorCode& ec);
    virtual ~WsStream() = default;

    virtual void setOptions(const boost::beast::websocket::stream_base::timeout& timeouts,
                            std::size_t maxMessageBytes) = 0;
    virtual void accept(const UpgradeRequest& request, DoneHandler done) = 0;
    virtual void readSome(boost::beast::flat_buffer& buffer, std::size_t most, IoHandler done) = 0;
    virtual bool isMessageDone() const = 0;
    virtual void writeText(boost::asio::const_buffer text, IoHandler done) = 0;
    virtual void close(const boost::beast::websocket::close_reason& reason, DoneHandler done) = 0;
    // Closes the socket at once, without a word to the peer.
    virtual void cut() = 0;
};

}  // namespace zorvanil::net
