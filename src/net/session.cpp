#include "net/session.hpp"

#include <chrono>
#include <deque>
#include <optional>

#include <spdlog/logger.h>
#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/json/serialize.hpp>
#include <boost/json/value.hpp>

#include "common/text.hpp"
#include "host/object_host.hpp"
#include "net/json_rpc.hpp"
#include "net/remote_call.hpp"
#include "server/remote_data_module.hpp"

namespace zorvanil::net {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace json = boost::json;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kHttpTimeout = std::chrono::seconds(30);
constexpr std::size_t kHttpBodyLimit = 64 * 1024;
constexpr const char* kServerHeader = "zorvanil-server";

// Holds one of the server's connection slots and gives it back when the connection ends.
class ConnectionSlot {
  public:
    ConnectionSlot() = default;
    explicit ConnectionSlot(std::shared_ptr<NetServer::Core> core) : core_(std::move(core)) {}
    ConnectionSlot(ConnectionSlot&& other) noexcept : core_(std::move(other.core_)) {}
    ConnectionSlot& operator=(ConnectionSlot&&) = delete;
    ~ConnectionSlot() {
        if (core_) core_->connections.fetch_sub(1);
    }

  private:
    std::shared_ptr<NetServer::Core> core_;
};

// Messages per second with bursts of one second's worth.
class RateLimit {
  public:
    explicit RateLimit(unsigned perSecond)
        : rate_(perSecond), tokens_(perSecond), last_(Clock::now()) {}
    bool allow() {
        if (rate_ == 0) return true;
        auto now = Clock::now();
        tokens_ = std::min<double>(
            rate_, tokens_ + rate_ * std::chrono::duration<double>(now - last_).count());
        last_ = now;
        if (tokens_ < 1) return false;
        tokens_ -= 1;
        return true;
    }

  private:
    unsigned rate_;
    double tokens_;
    Clock::time_point last_;
};

// Compares without stopping at the first difference, so that the time taken tells nothing.
bool sameKey(std::string_view a, std::string_view b) {
    unsigned char diff = a.size() == b.size() ? 0 : 1;
    for (std::size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ (i < b.size() ? b[i] : 0));
    return diff == 0;
}

std::string peerOf(const tcp::socket& socket) {
    boost::system::error_code ec;
    auto endpoint = socket.remote_endpoint(ec);
    if (ec) return "?";
    return endpoint.address().to_string() + ":" + std::to_string(endpoint.port());
}

std::string_view pathOf(std::string_view target) {
    return target.substr(0, target.find('?'));
}

}  // namespace

// One WebSocket client connection and the server object it may hold.
class WsSession : public std::enable_shared_from_this<WsSession> {
  public:
    WsSession(std::shared_ptr<NetServer::Core> core, beast::tcp_stream stream, ConnectionSlot slot,
              std::uint64_t id, std::string peer)
        : core_(std::move(core)),
          ws_(std::move(stream)),
          slot_(std::move(slot)),
          id_(id),
          peer_(std::move(peer)),
          createTimer_(ws_.get_executor()),
          rate_(core_->options.maxMessagesPerSecond) {}

    void run(http::request<http::string_body> request) {
        beast::get_lowest_layer(ws_).expires_never();
        websocket::stream_base::timeout timeouts;
        timeouts.handshake_timeout = std::chrono::seconds(30);
        timeouts.idle_timeout = core_->options.idleTimeout;
        timeouts.keep_alive_pings = true;
        ws_.set_option(timeouts);
        ws_.set_option(websocket::stream_base::decorator(
            [](websocket::response_type& r) { r.set(http::field::server, kServerHeader); }));
        ws_.read_message_max(core_->options.maxMessageBytes);
        ws_.async_accept(request,
                         beast::bind_front_handler(&WsSession::onAccept, shared_from_this()));
    }

    // Closes the connection because the server stops. The object goes at once, without waiting
    // for the peer to answer the close.
    void shutdown() {
        asio::dispatch(ws_.get_executor(), [self = shared_from_this()] {
            if (self->closed_) return;
            self->close(websocket::close_code::going_away, "The server is shutting down");
            self->finish("closed by the server: it is shutting down");
        });
    }

  private:
    enum class State { NoObject, Creating, Ready };

    void onAccept(beast::error_code ec) {
        if (ec) {
            core_->log->warn("connection {} from {}: WebSocket handshake failed: {}", id_, peer_,
                             ec.message());
            return;
        }
        core_->addSession(id_, weak_from_this());
        core_->log->info("connection {} opened from {}", id_, peer_);
        armCreateTimer();
        read();
    }

    void read() {
        ws_.async_read(buffer_, beast::bind_front_handler(&WsSession::onRead, shared_from_this()));
    }

    void onRead(beast::error_code ec, std::size_t) {
        if (ec) {
            if (ec == websocket::error::message_too_big)
                core_->log->warn(
                    "connection {}: message larger than {} bytes refused; connection closed", id_,
                    core_->options.maxMessageBytes);
            closed(ec);
            return;
        }
        std::string text = beast::buffers_to_string(buffer_.data());
        buffer_.consume(buffer_.size());
        handle(text);
        read();
    }

    void handle(std::string_view text) {
        if (!rate_.allow()) {
            ParsedMessage parsed = parseRequest(text);
            json::value id = parsed.request ? parsed.request->id : parsed.errorId;
            refuse(
                id, parsed.request && parsed.request->notification,
                {rpc::kRateLimited,
                 "Too many requests: at most " +
                     std::to_string(core_->options.maxMessagesPerSecond) + " messages per second",
                 std::nullopt});
            return;
        }
        ParsedMessage parsed = parseRequest(text);
        if (!parsed.request) {
            refuse(parsed.errorId, false, parsed.error);
            return;
        }
        RpcRequest& request = *parsed.request;
        core_->log->debug("connection {}: {} (id {})", id_, request.method,
                          json::serialize(request.id));
        if (request.method == "CreateObject")
            createObject(request);
        else if (request.method == "Release")
            release(request);
        else if (isRemoteOperation(request.method))
            call(std::move(request));
        else
            refuse(request.id, request.notification,
                   {rpc::kMethodNotFound, "Method not found: " + request.method, std::nullopt});
    }

    // Answers an error for a request that goes no further, and logs it.
    void refuse(const json::value& id, bool notification, const RpcError& error) {
        Clock::time_point now = Clock::now();
        // One line per refusal, but a flood of them is summed up once a second.
        if (now - lastRefusalLog_ >= std::chrono::seconds(1)) {
            if (suppressedRefusals_ > 0)
                core_->log->warn("connection {}: {} more requests refused", id_,
                                 suppressedRefusals_);
            core_->log->warn("connection {}: request refused: {}", id_, error.message);
            lastRefusalLog_ = now;
            suppressedRefusals_ = 0;
        } else {
            ++suppressedRefusals_;
        }
        if (!notification) send(errorMessage(id, error));
    }

    void createObject(const RpcRequest& request) {
        if (state_ != State::NoObject) {
            refuse(request.id, request.notification,
                   {rpc::kObjectExists, "The connection already holds an object", std::nullopt});
            return;
        }
        if (core_->stopping) {
            refuse(request.id, request.notification,
                   {rpc::kShuttingDown, "The server is shutting down", std::nullopt});
            return;
        }
        const json::object* params = request.params.if_object();
        const json::value* cls = params ? params->if_contains("class") : nullptr;
        const json::value* key = params ? params->if_contains("accessKey") : nullptr;
        if (!cls || !cls->is_string() || (key && !key->is_string())) {
            refuse(request.id, request.notification,
                   {rpc::kInvalidParams,
                    "Invalid params: CreateObject takes {\"class\": text, \"accessKey\"?: text}",
                    std::nullopt});
            return;
        }
        std::string_view name = cls->get_string();
        if (!sameText(name, kProgId) && !sameText(name, kClassId)) {
            refuse(request.id, request.notification,
                   {kClassNotRegistered, "Class not registered", std::nullopt});
            return;
        }
        if (core_->options.accessKey &&
            (!key || !sameKey(key->get_string(), *core_->options.accessKey))) {
            refuse(
                request.id, request.notification,
                {rpc::kAccessDenied, "Access denied: wrong or missing access key", std::nullopt});
            return;
        }

        state_ = State::Creating;
        createTimer_.cancel();
        std::weak_ptr<WsSession> self = weak_from_this();
        auto executor = ws_.get_executor();
        json::value id = request.id;
        bool notification = request.notification;
        try {
            object_ = core_->objects.start(
                id_, [self, executor, id, notification](const host::CreationOutcome& outcome) {
                    asio::post(executor, [self, outcome, id, notification] {
                        if (auto s = self.lock()) s->created(outcome, id, notification);
                    });
                });
        } catch (const std::exception& e) {
            state_ = State::NoObject;
            armCreateTimer();
            refuse(id, notification,
                   {rpc::kInternalError, std::string("Cannot start an object thread: ") + e.what(),
                    std::nullopt});
        }
    }

    void created(const host::CreationOutcome& outcome, const json::value& id, bool notification) {
        if (closed_) return;
        // An object released or dropped while it was being built is answered for, but the
        // connection's state has moved on.
        bool current = object_ && object_->objectId() == outcome.objectId;
        if (outcome.created) {
            if (current) state_ = State::Ready;
            json::object result;
            result["object"] = outcome.objectId;
            result["interface"] = server::CallStatus::kInterface;
            if (!notification) send(resultMessage(id, std::move(result)));
            return;
        }
        if (current) {
            state_ = State::NoObject;
            object_.reset();
            armCreateTimer();
        }
        if (!notification) send(errorMessage(id, failureError(outcome.failure)));
    }

    void release(const RpcRequest& request) {
        if (state_ == State::NoObject) {
            refuse(request.id, request.notification,
                   {rpc::kNoObject, "No object: call CreateObject first", std::nullopt});
            return;
        }
        std::weak_ptr<WsSession> self = weak_from_this();
        auto executor = ws_.get_executor();
        json::value id = request.id;
        bool notification = request.notification;
        object_->release([self, executor, id, notification] {
            asio::post(executor, [self, id, notification] {
                auto s = self.lock();
                if (s && !notification) s->send(resultMessage(id, true));
            });
        });
        object_.reset();
        state_ = State::NoObject;
        armCreateTimer();
    }

    void call(RpcRequest request) {
        if (state_ == State::NoObject) {
            refuse(request.id, request.notification,
                   {rpc::kNoObject, "No object: call CreateObject first", std::nullopt});
            return;
        }
        if (pending_ >= core_->options.maxPendingCalls) {
            refuse(request.id, request.notification,
                   {rpc::kTooManyPending,
                    "Too many pending calls: at most " +
                        std::to_string(core_->options.maxPendingCalls) +
                        " calls may wait for the object",
                    std::nullopt});
            return;
        }
        ++pending_;
        std::weak_ptr<WsSession> self = weak_from_this();
        auto executor = ws_.get_executor();
        auto log = core_->log;
        std::uint64_t connection = id_;
        json::value id = request.id;
        bool notification = request.notification;
        bool queued = object_->post([self, executor, log, connection,
                                     request = std::move(request)](server::TAZORVANIL* object) {
            Clock::time_point started = Clock::now();
            std::string reply;
            if (!object) {
                reply = errorMessage(
                    request.id, {rpc::kNoObject, "No object: it could not be built", std::nullopt});
            } else {
                auto answer = callRemoteOperation(*object, request.method, request.params);
                if (auto* result = std::get_if<json::value>(&answer)) {
                    reply = resultMessage(request.id, std::move(*result));
                } else {
                    const RpcError& error = std::get<RpcError>(answer);
                    log->debug("connection {}: {} failed: {}", connection, request.method,
                               error.message);
                    reply = errorMessage(request.id, error);
                }
            }
            log->debug("connection {}: {} answered in {} us", connection, request.method,
                       std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started)
                           .count());
            asio::post(executor,
                       [self, notification = request.notification, reply = std::move(reply)] {
                           if (auto s = self.lock()) s->answered(reply, notification);
                       });
        });
        // The object's thread takes no more calls: its construction failed meanwhile.
        if (!queued) {
            --pending_;
            refuse(id, notification,
                   {rpc::kNoObject, "No object: it could not be built", std::nullopt});
        }
    }

    void answered(const std::string& reply, bool notification) {
        --pending_;
        if (!notification) send(reply);
    }

    void send(std::string text) {
        if (closed_) return;
        outbox_.push_back(std::move(text));
        if (!writing_) write();
    }

    void write() {
        writing_ = true;
        ws_.text(true);
        ws_.async_write(asio::buffer(outbox_.front()),
                        beast::bind_front_handler(&WsSession::onWrite, shared_from_this()));
    }

    void onWrite(beast::error_code ec, std::size_t) {
        if (ec) {
            writing_ = false;
            closed(ec);
            return;
        }
        outbox_.pop_front();
        if (outbox_.empty() || closed_)
            writing_ = false;
        else
            write();
    }

    void armCreateTimer() {
        createTimer_.expires_after(core_->options.createObjectTimeout);
        createTimer_.async_wait([self = weak_from_this()](beast::error_code ec) {
            auto s = self.lock();
            if (ec || !s || s->state_ != State::NoObject || s->closed_) return;
            auto seconds =
                std::chrono::duration<double>(s->core_->options.createObjectTimeout).count();
            s->core_->log->warn("connection {}: no object created within {} s; closing", s->id_,
                                seconds);
            s->close(websocket::close_code::policy_error, "No object created in time");
        });
    }

    void close(websocket::close_code code, std::string_view reason) {
        if (closed_ || closing_) return;
        closing_ = true;
        ws_.async_close(websocket::close_reason(code, reason),
                        [self = shared_from_this()](beast::error_code) {});
    }

    // The connection is gone: its object is abandoned, which destroys it after the call it may be
    // running.
    void closed(beast::error_code ec) {
        if (closed_) return;
        if (closing_)
            finish("closed by the server");
        else if (ec == websocket::error::closed)
            finish("closed by the peer");
        else
            finish(ec.message());
    }

    void finish(const std::string& why) {
        closed_ = true;
        createTimer_.cancel();
        if (object_) {
            object_->abandon();
            object_.reset();
            state_ = State::NoObject;
        }
        core_->removeSession(id_);
        core_->log->info("connection {} closed ({})", id_, why);
    }

    std::shared_ptr<NetServer::Core> core_;
    websocket::stream<beast::tcp_stream> ws_;
    ConnectionSlot slot_;
    std::uint64_t id_;
    std::string peer_;
    beast::flat_buffer buffer_;
    std::deque<std::string> outbox_;
    bool writing_ = false;
    bool closing_ = false;
    bool closed_ = false;
    asio::steady_timer createTimer_;
    State state_ = State::NoObject;
    std::shared_ptr<host::ObjectThread> object_;
    std::size_t pending_ = 0;
    RateLimit rate_;
    Clock::time_point lastRefusalLog_{};
    std::size_t suppressedRefusals_ = 0;
};

namespace {

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
            std::string peer = peer_;
            std::make_shared<WsSession>(core_, std::move(stream_), std::move(slot_), id_,
                                        std::move(peer))
                ->run(std::move(request));
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

void NetServer::Core::addSession(std::uint64_t id, std::weak_ptr<WsSession> session) {
    std::lock_guard lock(sessionsMutex);
    sessions.emplace(id, std::move(session));
}

void NetServer::Core::removeSession(std::uint64_t id) {
    std::lock_guard lock(sessionsMutex);
    sessions.erase(id);
}

void NetServer::Core::closeAllSessions() {
    std::vector<std::shared_ptr<WsSession>> open;
    {
        std::lock_guard lock(sessionsMutex);
        for (auto& [id, weak] : sessions)
            if (auto s = weak.lock()) open.push_back(std::move(s));
    }
    for (auto& s : open)
        s->shutdown();
}

void startSession(std::shared_ptr<NetServer::Core> core, tcp::socket socket, bool counted) {
    std::make_shared<HttpSession>(std::move(core), std::move(socket), counted)->run();
}

}  // namespace zorvanil::net
