#include "net/ws_stream.hpp"

#include <unistd.h>

#include <utility>

#include <boost/asio/error.hpp>
#include <boost/asio/ssl/stream.hpp>
#include <boost/beast/core/flat_stream.hpp>
#include <boost/beast/core/stream_traits.hpp>
#include <boost/beast/websocket/ssl.hpp>
#include <boost/beast/websocket/stream.hpp>

#include "net/session_support.hpp"

namespace zorvanil::net {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace {

// TLS writes each buffer of a sequence as a record of its own; the flat stream joins a frame's
// header and payload into one.
using TlsLayer = beast::flat_stream<asio::ssl::stream<tcp::socket>>;

template <class NextLayer>
class WsStreamOver final : public WsStream {
  public:
    template <class... Args>
    explicit WsStreamOver(Args&&... args) : ws_(std::forward<Args>(args)...) {
        beast::error_code ec;
        // Answers are small and awaited: send them at once.
        beast::get_lowest_layer(ws_).set_option(tcp::no_delay(true), ec);
        ws_.set_option(websocket::stream_base::decorator(
            [](websocket::response_type& r) { r.set(http::field::server, kServerHeader); }));
    }

    void setOptions(const websocket::stream_base::timeout& timeouts,
                    std::size_t maxMessageBytes) override {
        ws_.set_option(timeouts);
        ws_.read_message_max(maxMessageBytes);
    }
    void accept(const UpgradeRequest& request, DoneHandler done) override {
        ws_.async_accept(request, std::move(done));
    }
    void readSome(beast::flat_buffer& buffer, std::size_t most, IoHandler done) override {
        ws_.async_read_some(buffer, most, std::move(done));
    }
    bool isMessageDone() const override { return ws_.is_message_done(); }
    void writeText(asio::const_buffer text, IoHandler done) override {
        ws_.text(true);
        ws_.async_write(text, std::move(done));
    }
    void close(const websocket::close_reason& reason, DoneHandler done) override {
        ws_.async_close(reason, std::move(done));
    }
    void cut() override {
        beast::error_code ec;
        beast::get_lowest_layer(ws_).close(ec);
    }

  private:
    websocket::stream<NextLayer> ws_;
};

}  // namespace

std::unique_ptr<WsStream> WsStream::adopt(asio::io_context& io, tcp::socket::protocol_type protocol,
                                          int handle, bool tls, TlsHandle session, ErrorCode& ec) {
    tcp::socket socket(io);
    socket.assign(protocol, handle, ec);
    // A TLS connection never goes on in clear text, whatever became of its session.
    if (!ec && tls && !session) ec = asio::error::no_protocol_option;
    if (ec) {
        if (!socket.is_open()) ::close(handle);
        return nullptr;
    }
    if (!tls) return std::make_unique<WsStreamOver<tcp::socket>>(std::move(socket));
    return std::make_unique<WsStreamOver<TlsLayer>>(std::move(socket), session.release());
}

}  // namespace zorvanil::net
