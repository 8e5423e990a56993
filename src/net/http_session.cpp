#include "net/http_session.hpp"

#include <chrono>
#include <optional>

#include <spdlog/logger.h>
#include <boost/asio/dispatch.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include "common/error.hpp"
#include "common/messages.hpp"
#include "net/connection_limits.hpp"
#include "net/refusal_log.hpp"
#include "net/session_stream.hpp"
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
constexpr const char* kPlainText = "text/plain; charset=utf-8";

// One accepted socket before it becomes a WebSocket: answers the pages, or refuses with 503 when
// the server has no slot left. `Stream` is plain TCP or TLS (session_stream.hpp).
template <class Stream>
class HttpSession : public std::enable_shared_from_this<HttpSession<Stream>> {
  public:
    using Request = http::request<http::string_body>;

    HttpSession(std::shared_ptr<NetServer::Core> core, tcp::socket socket, bool counted)
        : core_(std::move(core)),
          stream_(openStream<Stream>(std::move(socket), *core_)),
          slot_(counted ? ConnectionSlot(core_) : ConnectionSlot()),
          counted_(counted),
          id_(core_->nextConnectionId.fetch_add(1)),
          peer_(peerOf(beast::get_lowest_layer(stream_).socket())) {
        boost::system::error_code ec;
        auto remote = beast::get_lowest_layer(stream_).socket().remote_endpoint(ec);
        auto address = remote.address();
        // A server listening on "::" sees IPv4 clients as mapped IPv6 addresses.
        if (address.is_v6() && address.to_v6().is_v4_mapped())
            address = boost::asio::ip::make_address_v4(boost::asio::ip::v4_mapped, address.to_v6());
        loopback_ = !ec && address.is_loopback();
    }

    void run() {
        if (!counted_)
            core_->log->warn("connection from {} refused: too many connections (at most {})", peer_,
                             core_->options.maxConnections);
        asio::dispatch(stream_.get_executor(),
                       beast::bind_front_handler(&HttpSession::start, this->shared_from_this()));
    }

  private:
    void start() {
        startStream(stream_, core_->options.tlsHandshakeTimeout,
                    beast::bind_front_handler(&HttpSession::onStart, this->shared_from_this()));
    }

    // A handshake that TLS refused (a plain client on a TLS port, a client that does not trust
    // the certificate) is a refusal; a peer that went away or stayed silent leaves a debug line.
    void onStart(beast::error_code ec) {
        if (!ec) {
            read();
            return;
        }
        if (ec.category() == asio::error::get_ssl_category())
            refusals_.note(*core_->log, id_,
                           formatMessage(msg::kTlsHandshakeFailed, {ec.message()}));
        else
            core_->log->debug("connection {}: TLS handshake ended: {}", id_, ec.message());
    }

    void read() {
        parser_.emplace();
        parser_->body_limit(kHttpBodyLimit);
        beast::get_lowest_layer(stream_).expires_after(kHttpTimeout);
        http::async_read(stream_, buffer_, *parser_,
                         beast::bind_front_handler(&HttpSession::onRead, this->shared_from_this()));
    }

    void onRead(beast::error_code ec, std::size_t) {
        if (ec == http::error::end_of_stream) {
            endStream(stream_, this->shared_from_this());
            return;
        }
        if (ec) {
            unreadable(ec);
            return;
        }
        Request request = parser_->release();

        if (!counted_) {
            refuse(request,
                   {503, kPlainText,
                    formatMessage(msg::kTooManyConnections,
                                  {std::to_string(core_->options.maxConnections)}) +
                        "\n"},
                   false);
            return;
        }
        if (websocket::is_upgrade(request)) {
            upgrade(std::move(request));
            return;
        }
        core_->log->debug("connection {}: HTTP {} {}", id_, std::string(request.method_string()),
                          std::string(request.target()));
        if (request.method() != http::verb::get && request.method() != http::verb::head &&
            request.method() != http::verb::post) {
            refuse(request, {405, kPlainText, "Method not allowed\n"}, request.keep_alive());
            return;
        }
        answerPage(request);
    }

    // A request that could not be read goes unanswered. A malformed one is refused; a peer that
    // went away or stayed silent leaves a debug line only.
    void unreadable(beast::error_code ec) {
        static const boost::system::error_category& httpErrors =
            http::make_error_code(http::error::bad_target).category();
        if (ec.category() == httpErrors)
            refusals_.note(*core_->log, id_, "HTTP request unreadable: " + ec.message());
        else
            core_->log->debug("connection {}: HTTP connection ended: {}", id_, ec.message());
    }

    void upgrade(Request request) {
        if (pathOf(request.target()) != "/") {
            refuse(request, {404, kPlainText, "Not found\n"}, false);
            return;
        }
        if (!core_->accepting || core_->stopping) {
            refuse(request, {503, kPlainText, std::string(msg::kShuttingDown) + "\n"}, false);
            return;
        }
        beast::get_lowest_layer(stream_).expires_never();
        WsSession::launch(core_, std::move(slot_), id_, peer_, handOver(stream_),
                          std::move(request));
    }

    // The page the server's handler gives for the target; 404 when it has none, 500 when it fails.
    void answerPage(const Request& request) {
        std::optional<HttpReply> page;
        const std::string address = peerAddress(peer_);
        HttpRequest asked{request.method_string(), request.target(), address, loopback_, {}};
        if (auto key = request.find(kAccessKeyHeader); key != request.end())
            asked.accessKey = key->value();
        try {
            if (core_->http) page = core_->http(asked);
        } catch (...) {
            refuse(request, {500, kPlainText, "Internal error\n"}, false, currentFailure().message);
            return;
        }
        if (!page && request.method() == http::verb::post)
            page = HttpReply{405, kPlainText, "Method not allowed\n"};
        if (!page) page = HttpReply{404, kPlainText, "Not found\n"};
        if (page->status >= 400)
            refuse(request, std::move(*page), request.keep_alive());
        else
            reply(request, std::move(*page), request.keep_alive());
    }

    // Every error answer passes here and leaves a log line with the request, the status and why
    // (the answer's text unless told otherwise).
    void refuse(const Request& request, HttpReply page, bool keepAlive, std::string why = {}) {
        if (why.empty()) why = page.body.substr(0, page.body.find('\n'));
        refusals_.note(*core_->log, id_,
                       "HTTP " + std::string(request.method_string()) + " " +
                           std::string(request.target()) + ": " + std::to_string(page.status) +
                           " " + why);
        reply(request, std::move(page), keepAlive);
    }

    void reply(const Request& request, HttpReply page, bool keepAlive) {
        auto response = std::make_shared<http::response<http::string_body>>(
            static_cast<http::status>(page.status), request.version());
        response->set(http::field::server, kServerHeader);
        response->set(http::field::content_type, page.contentType);
        response->set(http::field::cache_control, "no-store");
        response->keep_alive(keepAlive);
        if (request.method() != http::verb::head) response->body() = std::move(page.body);
        response->prepare_payload();
        http::async_write(stream_, *response,
                          [self = this->shared_from_this(), response, keepAlive](
                              beast::error_code ec, std::size_t) {
                              if (ec) return;
                              if (keepAlive)
                                  self->read();
                              else
                                  endStream(self->stream_, self);
                          });
    }

    std::shared_ptr<NetServer::Core> core_;
    Stream stream_;
    ConnectionSlot slot_;
    bool counted_;
    std::uint64_t id_;
    std::string peer_;
    bool loopback_ = false;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    RefusalLog refusals_;
};

}  // namespace

void startSession(std::shared_ptr<NetServer::Core> core, tcp::socket socket, bool counted) {
    if (core->tls)
        std::make_shared<HttpSession<TlsStream>>(std::move(core), std::move(socket), counted)
            ->run();
    else
        std::make_shared<HttpSession<PlainStream>>(std::move(core), std::move(socket), counted)
            ->run();
}

}  // namespace zorvanil::net
