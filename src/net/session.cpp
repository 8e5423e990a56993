#include "net/session.hpp"

#include <unistd.h>

#include <chrono>
#include <deque>
#include <optional>
#include <thread>

#include <spdlog/logger.h>
#include <boost/asio/dispatch.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/json/monotonic_resource.hpp>
#include <boost/json/serialize.hpp>
#include <boost/json/value.hpp>

#include "common/error.hpp"
#include "common/text.hpp"
#include "host/object_host.hpp"
#include "net/json_rpc.hpp"
#include "net/remote_call.hpp"
#include "server/call_status.hpp"
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

// One WebSocket client connection and the server object it may hold. The connection runs on a
// thread of its own with an event loop of its own: the object is built, called and destroyed in
// the loop's handlers, so that its calls run one at a time in arrival order and a long call holds
// up no other connection. While a call runs, the connection reads nothing more; messages wait in
// the socket.
class WsSession : public std::enable_shared_from_this<WsSession> {
  public:
    WsSession(asio::io_context& io, std::shared_ptr<ConnectionLoop> loop,
              std::shared_ptr<NetServer::Core> core, ConnectionSlot slot, std::uint64_t id,
              std::string peer)
        : io_(io),
          loop_(std::move(loop)),
          core_(std::move(core)),
          ws_(io),
          slot_(std::move(slot)),
          id_(id),
          peer_(std::move(peer)),
          createTimer_(io),
          forceTimer_(io),
          rate_(core_->options.maxMessagesPerSecond) {}

    // Whatever way the connection ended, its object goes with it, on this thread.
    ~WsSession() {
        if (!closed_) finish("closed");
    }

    // Takes over the socket of an upgrade request and serves the connection on a thread of its
    // own, with an event loop of its own, until it closes.
    static void launch(std::shared_ptr<NetServer::Core> core, ConnectionSlot slot, std::uint64_t id,
                       std::string peer, tcp::socket socket,
                       http::request<http::string_body> request) {
        boost::system::error_code ec;
        auto protocol = socket.local_endpoint(ec).protocol();
        // The descriptor leaves the network threads' loop, open, for the connection's own.
        int handle = ec ? -1 : socket.release(ec);
        if (ec) {
            core->log->warn("connection {}: cannot take over the socket: {}", id, ec.message());
            return;
        }
        core->connectionThreadStarted();
        try {
            std::thread([core, slot = std::move(slot), id, peer = std::move(peer), protocol, handle,
                         request = std::move(request)]() mutable {
                {
                    // Destroyed last: the handlers it still holds own the session, whose
                    // destruction destroys the object, on this thread.
                    asio::io_context io(1);
                    auto loop = std::make_shared<ConnectionLoop>(io);
                    auto session = std::make_shared<WsSession>(io, loop, core, std::move(slot), id,
                                                               std::move(peer));
                    session->open(protocol, handle, std::move(request));
                    session.reset();
                    io.run();
                    loop->end();
                }
                core->connectionThreadEnded();
            }).detach();
        } catch (const std::exception& e) {
            ::close(handle);
            core->connectionThreadEnded();
            core->log->error("connection {}: no thread for it: {}", id, e.what());
        }
    }

    // Closes the connection because the server stops; runs on the connection's thread. Its
    // object goes at once; a peer that does not answer the close is cut off after a moment.
    void shutdown() {
        if (closed_) return;
        close(websocket::close_code::going_away, "The server is shutting down");
        finish("closed by the server: it is shutting down");
        forceTimer_.expires_after(std::chrono::milliseconds(500));
        forceTimer_.async_wait([self = shared_from_this()](beast::error_code ec) {
            if (ec) return;
            self->ws_.next_layer().close(ec);
            self->io_.stop();
        });
    }

  private:
    void open(tcp::socket::protocol_type protocol, int handle,
              http::request<http::string_body> request) {
        beast::error_code ec;
        ws_.next_layer().assign(protocol, handle, ec);
        if (ec) {
            ::close(handle);
            closed_ = true;
            return;
        }
        // Answers are small and awaited: send them at once.
        ws_.next_layer().set_option(tcp::no_delay(true), ec);
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

    void onAccept(beast::error_code ec) {
        if (ec) {
            core_->log->warn("connection {} from {}: WebSocket handshake failed: {}", id_, peer_,
                             ec.message());
            closed_ = true;
            io_.stop();
            return;
        }
        core_->addSession(id_, {weak_from_this(), loop_});
        core_->log->info("connection {} opened from {}", id_, peer_);
        if (core_->stopping) {
            close(websocket::close_code::going_away, "The server is shutting down");
            finish("closed by the server: it is shutting down");
            return;
        }
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
        // The message is handled where it lies; the buffer is not read into until it is consumed.
        auto data = buffer_.data();
        handle(std::string_view(static_cast<const char*>(data.data()), data.size()));
        buffer_.consume(buffer_.size());
        if (!closed_) read();
    }

    void handle(std::string_view text) {
        // A request is parsed into a buffer on the stack (and the heap beyond it, for a large
        // one), all given back at once when it has been answered.
        unsigned char scratch[4096];
        json::monotonic_resource storage(scratch, sizeof scratch);
        if (!rate_.allow()) {
            ParsedMessage parsed = parseRequest(text, &storage);
            json::value id = parsed.request ? parsed.request->id : parsed.errorId;
            refuse(
                id, parsed.request && parsed.request->notification,
                {rpc::kRateLimited,
                 "Too many requests: at most " +
                     std::to_string(core_->options.maxMessagesPerSecond) + " messages per second",
                 std::nullopt});
            return;
        }
        ParsedMessage parsed = parseRequest(text, &storage);
        if (!parsed.request) {
            refuse(parsed.errorId, false, parsed.error);
            return;
        }
        const RpcRequest& request = *parsed.request;
        bool debug = core_->log->should_log(spdlog::level::debug);
        if (debug)
            core_->log->debug("connection {}: {} (id {})", id_, request.method,
                              json::serialize(request.id));
        if (request.method == "CreateObject")
            createObject(request);
        else if (request.method == "Release")
            release(request);
        else if (isRemoteOperation(request.method))
            call(request);
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
        answer(notification, errorMessage(id, error));
    }

    void answer(bool notification, std::string text) {
        if (!notification) send(std::move(text));
    }

    void createObject(const RpcRequest& request) {
        if (object_) {
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

        // Built here, on the connection's thread, which is the object's own from now on.
        server::CallStatus failure;
        try {
            object_ = core_->objects.build(id_);
        } catch (const Error& e) {
            failure = {e.status() < 0 ? e.status() : kGeneralFailure, e.what(), e.helpContext()};
        } catch (const std::exception& e) {
            failure = {kGeneralFailure, e.what(), 0};
        }
        if (!object_) {
            answer(request.notification, errorMessage(request.id, failureError(failure)));
            return;
        }
        createTimer_.cancel();
        json::object result;
        result["object"] = object_.id;
        result["interface"] = server::CallStatus::kInterface;
        answer(request.notification, resultMessage(request.id, std::move(result)));
    }

    void release(const RpcRequest& request) {
        if (!object_) {
            refuse(request.id, request.notification,
                   {rpc::kNoObject, "No object: call CreateObject first", std::nullopt});
            return;
        }
        core_->objects.destroy(object_);
        armCreateTimer();
        answer(request.notification, resultMessage(request.id, true));
    }

    void call(const RpcRequest& request) {
        if (!object_) {
            refuse(request.id, request.notification,
                   {rpc::kNoObject, "No object: call CreateObject first", std::nullopt});
            return;
        }
        Clock::time_point started = Clock::now();
        auto result = callRemoteOperation(*object_.object, request.method, request.params);
        std::string reply;
        if (auto* text = std::get_if<std::string>(&result)) {
            reply = resultMessage(request.id, std::string_view(*text));
        } else {
            const RpcError& error = std::get<RpcError>(result);
            core_->log->debug("connection {}: {} failed: {}", id_, request.method, error.message);
            reply = errorMessage(request.id, error);
        }
        core_->log->debug(
            "connection {}: {} answered in {} us", id_, request.method,
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started).count());
        answer(request.notification, std::move(reply));
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
            if (ec || !s || s->object_ || s->closed_) return;
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

    // Reading or writing failed: the connection is over, and so is its event loop.
    void closed(beast::error_code ec) {
        if (!closed_) {
            if (closing_)
                finish("closed by the server");
            else if (ec == websocket::error::closed)
                finish("closed by the peer");
            else
                finish(ec.message());
        }
        io_.stop();
    }

    // The connection is over: its object is destroyed.
    void finish(const std::string& why) {
        closed_ = true;
        createTimer_.cancel();
        core_->objects.destroy(object_);
        core_->removeSession(id_);
        core_->log->info("connection {} closed ({})", id_, why);
    }

    asio::io_context& io_;                  // the connection's own event loop
    std::shared_ptr<ConnectionLoop> loop_;  // the same loop, as other threads reach it
    std::shared_ptr<NetServer::Core> core_;
    websocket::stream<tcp::socket> ws_;
    ConnectionSlot slot_;
    std::uint64_t id_;
    std::string peer_;
    beast::flat_buffer buffer_;
    std::deque<std::string> outbox_;
    bool writing_ = false;
    bool closing_ = false;
    bool closed_ = false;
    asio::steady_timer createTimer_;
    asio::steady_timer forceTimer_;
    host::HostedObject object_;
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

void ConnectionLoop::post(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    if (io_) asio::post(*io_, std::move(work));
}

void ConnectionLoop::end() {
    std::lock_guard lock(mutex_);
    io_ = nullptr;
}

void NetServer::Core::addSession(std::uint64_t id, OpenSession session) {
    std::lock_guard lock(sessionsMutex);
    sessions.emplace(id, std::move(session));
}

void NetServer::Core::removeSession(std::uint64_t id) {
    std::lock_guard lock(sessionsMutex);
    sessions.erase(id);
}

void NetServer::Core::closeAllSessions() {
    // Each session is reached on its own thread: one held here could outlive its loop, were its
    // connection to end meanwhile, and a session must go before its loop does.
    std::vector<OpenSession> open;
    {
        std::lock_guard lock(sessionsMutex);
        for (auto& [id, s] : sessions)
            open.push_back(s);
    }
    for (OpenSession& s : open)
        s.loop->post([weak = std::move(s.session)] {
            if (auto self = weak.lock()) self->shutdown();
        });
}

bool NetServer::Core::waitForConnectionThreads(std::chrono::milliseconds timeout) {
    std::unique_lock lock(sessionsMutex);
    auto none = [&] { return connectionThreads == 0; };
    if (timeout == std::chrono::milliseconds::max()) {
        threadsChanged.wait(lock, none);
        return true;
    }
    return threadsChanged.wait_for(lock, timeout, none);
}

void NetServer::Core::connectionThreadStarted() {
    std::lock_guard lock(sessionsMutex);
    ++connectionThreads;
}

void NetServer::Core::connectionThreadEnded() {
    // Notified under the lock: a waiting server cannot go on before this thread lets go.
    std::lock_guard lock(sessionsMutex);
    --connectionThreads;
    threadsChanged.notify_all();
}

void startSession(std::shared_ptr<NetServer::Core> core, tcp::socket socket, bool counted) {
    std::make_shared<HttpSession>(std::move(core), std::move(socket), counted)->run();
}

}  // namespace zorvanil::net
