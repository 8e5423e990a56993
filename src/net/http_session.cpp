#include "net/http_session.hpp"

#include <chrono>
#include <optional>

#include <spdlog/logger.h>
#include <boost/asio/dispatch.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include "net/connection_limits.hpp"
#include "net/session_support.hpp"
#include "net/ws_session.hpp"

namespace zorvanil::net {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace {

constexpr auto kHttpTimeout = std::chrono::seconds(30);
constexpr std::size_t kHttpBodyLimit = 64 * 1024;

// One accepted socket before it becomes a WebSocket: answers the pages, or refuses with 503 when
// the server has no slot left.
class HttpSession : public std::enable_shared_from_this<HttpSession> {
  public:
    HttpSession(std::shared_ptr<NetServer::Core> core, tcp::socket socket, bool counted)
        : core_(std::move(core)),
          stream_(std::move(socket)),
          slot_(counted ? ConnectionSlot(core_) : ConnectionSlot()),
          counted_(counted),
          id_(core_->nextConnectionId.fetch_add(1)),
          peer_(peerOf(stream_.socket())) {}

    void run() {
        if (!counted_)
            core_->log->warn("connection from {} refused: too many connections (at most {})", peer_,
                             core_->options.maxConnections);
        asio::dispatch(stream_.get_executor(),
                       beast::bind_front_handler(&HttpSession::read, shared_from_this()));
    }

  private:
    void read() {
        parser_.emplace();
        parser_->body_limit(kHttpBodyLimit);
        stream_.expires_after(kHttpTimeout);
        http::async_read(stream_, buffer_, *parser_,
                         beast::bind_front_handler(&HttpSession::onRead, shared_from_this()));
    }

    void onRead(beast::error_code ec, std::size_t) {
        if (ec == http::error::end_of_stream) {
            stream_.socket().shutdown(tcp::socket::shutdown_send, ec);
            return;
        }
        if (ec) return;
        http::request<http::string_body> request = parser_->release();

        if (!counted_) {
            reply(request,
                  {503, "text/plain; charset=utf-8",
                   "Too many connections: at most " +
                       std::to_string(core_->options.maxConnections) + "\n"},
                  false);
            return;
        }
        if (websocket::is_upgrade(request)) {
            if (pathOf(request.target()) != "/") {
                reply(request, {404, "text/plain; charset=utf-8", "Not found\n"}, false);
                return;
            }
            if (!core_->accepting || core_->stopping) {
                reply(request, {503, "text/plain; charset=utf-8", "The server is shutting down\n"},
                      false);
                return;
            }
            stream_.expires_never();
            WsSession::launch(core_, std::move(slot_), id_, peer_, stream_.release_socket(),
                              std::move(request));
            return;
        }
        core_->log->debug("connection {}: HTTP {} {}", id_, std::string(request.method_string()),
                          std::string(request.target()));
        if (request.method() != http::verb::get && request.method() != http::verb::head) {
            reply(request, {405, "text/plain; charset=utf-8", "Method not allowed\n"},
                  request.keep_alive());
            return;
        }
        std::optional<HttpReply> page =
            core_->http ? core_->http(request.target()) : std::optional<HttpReply>();
        if (!page) page = HttpReply{404, "text/plain; charset=utf-8", "Not found\n"};
        reply(request, std::move(*page), request.keep_alive());
    }

    void reply(const http::request<http::string_body>& request, HttpReply page, bool keepAlive) {
        auto response = std::make_shared<http::response<http::string_body>>(
            static_cast<http::status>(page.status), request.version());
        response->set(http::field::server, kServerHeader);
        response->set(http::field::content_type, page.contentType);
        response->set(http::field::cache_control, "no-store");
        response->keep_alive(keepAlive);
        if (request.method() != http::verb::head) response->body() = std::move(page.body);
        response->prepare_payload();
        http::async_write(
            stream_, *response,
            [self = shared_from_this(), response, keepAlive](beast::error_code ec, std::size_t) {
                if (ec) return;
                if (keepAlive) {
                    self->read();
                } else {
                    self->stream_.socket().shutdown(tcp::socket::shutdown_send, ec);
                }
            });
    }

    std::shared_ptr<NetServer::Core> core_;
    beast::tcp_stream stream_;
    ConnectionSlot slot_;
    bool counted_;
    std::uint64_t id_;
    std::string peer_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
};

}  // namespace

void startSession(std::shared_ptr<NetServer::Core> core, tcp::socket socket, bool counted) {
    std::make_shared<HttpSession>(std::move(core), std::move(socket), counted)->run();
}

}  // namespace zorvanil::net
