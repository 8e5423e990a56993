#include "net/ws_session.hpp"

#include <unistd.h>

#include <optional>
#include <thread>

#include <spdlog/logger.h>
#include <boost/beast/websocket/error.hpp>
#include <boost/json/monotonic_resource.hpp>
#include <boost/json/serialize.hpp>

#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"
#include "net/object_activity.hpp"
#include "net/openrpc.hpp"
#include "net/remote_call.hpp"
#include "net/session_support.hpp"
#include "server/call_status.hpp"
#include "server/remote_data_module.hpp"

namespace zorvanil::net {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace json = boost::json;
using tcp = asio::ip::tcp;

namespace {

// A message is read piece by piece. The first piece is counted against the server's bound on
// request bytes once it has been read, so that an idle connection holds nothing of the bound while
// it waits; every further piece is counted before it is read, as much of it as the bound has room
// for.
constexpr std::size_t kFirstPieceBytes = 4 * 1024;
constexpr std::size_t kPieceBytes = 64 * 1024;
// The buffer of a message larger than this is given back once the message has been parsed; a
// smaller one is kept for the next message.
constexpr std::size_t kKeptBufferBytes = 64 * 1024;

// Whether the operation answers the count of rows that failed to apply.
bool failedRowsAnswered(const packet::RemoteOperation& operation) {
    return operation.indexOf("ErrorCount") != packet::RemoteOperation::kNone;
}

}  // namespace

WsSession::WsSession(asio::io_context& io, std::shared_ptr<ConnectionLoop> loop,
                     std::shared_ptr<NetServer::Core> core, ConnectionSlot slot, std::uint64_t id,
                     std::string peer)
    : io_(io),
      loop_(std::move(loop)),
      core_(std::move(core)),
      slot_(std::move(slot)),
      id_(id),
      peer_(std::move(peer)),
      createTimer_(io),
      forceTimer_(io),
      brakeTimer_(io),
      rate_(core_->options.maxMessagesPerSecond),
      requestBytes_(core_->requestBytes) {}

WsSession::~WsSession() {
    if (!closed_) finish("closed");
}

void WsSession::launch(std::shared_ptr<NetServer::Core> core, ConnectionSlot slot, std::uint64_t id,
                       std::string peer, Handover handover,
                       http::request<http::string_body> request) {
    tcp::socket& socket = handover.socket;
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
                     tls = handover.tls, tlsSession = std::move(handover.session),
                     request = std::move(request)]() mutable {
            {
                // Destroyed last: the handlers it still holds own the session, whose
                // destruction destroys the object, on this thread.
                asio::io_context io(1);
                auto loop = std::make_shared<ConnectionLoop>(io);
                auto session = std::make_shared<WsSession>(io, loop, core, std::move(slot), id,
                                                           std::move(peer));
                session->open(protocol, handle, tls, std::move(tlsSession), std::move(request));
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

void WsSession::shutdown() {
    closeNow(websocket::close_code::going_away, msg::kShuttingDown,
             "closed by the server: it is shutting down");
}

void WsSession::endByOperator(const std::string& who) {
    if (closed_) return;
    core_->log->warn("connection {} from {}: ended from the console by {}", id_, peer_, who);
    rollbackOpenTransaction("its connection was ended from the console");
    if (object_.activity) object_.activity->server().objectEnded();
    closeNow(websocket::close_code::policy_error, msg::kEndedByOperator,
             "ended from the console by " + who);
}

void WsSession::rollbackIdleTransaction(std::chrono::milliseconds limit) {
    if (closed_ || !object_ || !object_.activity) return;
    // Checked again here, between calls: a call may have come since the check that sent this.
    if (!object_.activity->idleInTransaction(limit)) return;
    rollbackOpenTransaction(
        formatMessage(msg::kIdleTransactionRolledBack, {std::to_string(limit.count() / 1000)}));
    object_.activity->server().idleTransactionRolledBack();
}

void WsSession::rollbackOpenTransaction(std::string_view why) {
    if (!object_) return;
    db::SQLConnection& connection = object_.object->SQLConnection1();
    if (!connection.inTransaction()) return;
    try {
        connection.rollback({});
        core_->log->warn("connection {}: object {}: transaction rolled back: {}", id_, object_.id,
                         why);
    } catch (const std::exception& e) {
        // The connection's transaction is over whatever the driver said.
        core_->log->warn("connection {}: object {}: rolling back its transaction ({}) failed: {}",
                         id_, object_.id, why, e.what());
    }
}

void WsSession::closeNow(websocket::close_code code, std::string_view reason,
                         const std::string& why) {
    if (closed_) return;
    close(code, reason);
    finish(why);
    forceTimer_.expires_after(std::chrono::milliseconds(500));
    forceTimer_.async_wait([self = shared_from_this()](beast::error_code ec) {
        if (ec) return;
        self->ws_->cut();
        self->io_.stop();
    });
}

void WsSession::open(tcp::socket::protocol_type protocol, int handle, bool tls, TlsHandle session,
                     http::request<http::string_body> request) {
    beast::error_code ec;
    ws_ = WsStream::adopt(io_, protocol, handle, tls, std::move(session), ec);
    if (!ws_) {
        core_->log->warn("connection {}: cannot take over the connection: {}", id_, ec.message());
        closed_ = true;
        return;
    }
    websocket::stream_base::timeout timeouts;
    timeouts.handshake_timeout = std::chrono::seconds(30);
    timeouts.idle_timeout = core_->options.idleTimeout;
    timeouts.keep_alive_pings = true;
    ws_->setOptions(timeouts, core_->options.maxMessageBytes);
    ws_->accept(request, beast::bind_front_handler(&WsSession::onAccept, shared_from_this()));
}

void WsSession::onAccept(beast::error_code ec) {
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
        close(websocket::close_code::going_away, msg::kShuttingDown);
        finish("closed by the server: it is shutting down");
        return;
    }
    armCreateTimer();
    read();
}

void WsSession::read() {
    pieceCounted_ = buffer_.size() != 0;
    piece_ = pieceCounted_ ? requestBytes_.growUpTo(kPieceBytes) : kFirstPieceBytes;
    if (piece_ == 0) {
        refuseRequestBytes();
        return;
    }
    ws_->readSome(buffer_, piece_,
                  beast::bind_front_handler(&WsSession::onRead, shared_from_this()));
}

void WsSession::onRead(beast::error_code ec, std::size_t bytes) {
    if (pieceCounted_) {
        // What the piece did not fill goes back to the bound.
        requestBytes_.shrink(piece_ - bytes);
    } else if (!ec && !requestBytes_.grow(bytes)) {
        refuseRequestBytes();
        return;
    }
    if (ec) {
        if (ec == websocket::error::message_too_big)
            core_->log->warn(
                "connection {}: message larger than {} bytes refused; connection closed", id_,
                core_->options.maxMessageBytes);
        closed(ec);
        return;
    }
    if (!ws_->isMessageDone()) {
        read();
        return;
    }
    // The message is handled where it lies; the buffer is not read into until it is consumed.
    auto data = buffer_.data();
    handle(std::string_view(static_cast<const char*>(data.data()), data.size()));
    releaseMessage();
    requestBytes_.release();
    if (!closed_ && !braking_) read();
}

void WsSession::releaseMessage() {
    buffer_.clear();
    if (buffer_.capacity() > kKeptBufferBytes) buffer_.shrink_to_fit();
}

void WsSession::refuseRequestBytes() {
    core_->log->warn(
        "connection {}: message refused: the requests being served hold {} of at most {} bytes; "
        "connection closed",
        id_, core_->requestBytes.held(), core_->requestBytes.limit());
    requestBytes_.release();
    releaseMessage();
    if (closing_) return;
    closing_ = true;
    ws_->close(
        websocket::close_reason(websocket::close_code::try_again_later, msg::kRequestBytesInFlight),
        [self = shared_from_this()](beast::error_code ec) { self->closed(ec); });
}

void WsSession::handle(std::string_view text) {
    // A request is parsed into a buffer on the stack (and the heap beyond it, for a large
    // one), all given back at once when it has been read.
    unsigned char scratch[4096];
    std::optional<json::monotonic_resource> storage(std::in_place, scratch, sizeof scratch);
    if (!rate_.allow()) {
        ParsedMessage parsed = parseRequest(text, &*storage);
        const std::string& id = parsed.request ? parsed.request->id : parsed.errorId;
        refuse(id, parsed.request && parsed.request->notification,
               {rpc::kRateLimited,
                formatMessage(msg::kTooManyRequests,
                              {std::to_string(core_->options.maxMessagesPerSecond)}),
                std::nullopt});
        return;
    }
    ParsedMessage parsed = parseRequest(text, &*storage);
    // The text is no longer needed once parsed, but by a call whose packets are read from it.
    if (!parsed.request || !isRemoteOperation(parsed.request->method)) releaseMessage();
    if (!parsed.request) {
        refuse(parsed.errorId, false, parsed.error);
        return;
    }
    const RpcRequest& request = *parsed.request;
    bool debug = core_->log->should_log(spdlog::level::debug);
    if (debug) core_->log->debug("connection {}: {} (id {})", id_, request.method, request.id);
    if (request.method == "CreateObject")
        createObject(request);
    else if (request.method == "Release")
        release(request);
    else if (request.method == kDiscoverMethod)
        answer(request.notification, resultMessage(request.id, std::string_view(core_->openRpc)));
    else if (isRemoteOperation(request.method)) {
        // The call's arguments are read from the request, whose text and JSON then go before
        // the operation runs: only the decoded arguments are held while it does.
        RpcRequest head{request.id, request.notification, request.method, nullptr};
        auto decoded = readRemoteCall(request);
        releaseMessage();
        parsed = ParsedMessage();
        storage.reset();
        call(head, decoded);
    } else
        refuse(request.id, request.notification,
               {rpc::kMethodNotFound, formatMessage(msg::kMethodNotFound, {echoed(request.method)}),
                std::nullopt});
}

void WsSession::refuse(std::string_view id, bool notification, const RpcError& error) {
    refusals_.note(*core_->log, id_, error.message);
    answer(notification, errorMessage(id, error));
}

void WsSession::answer(bool notification, std::string text) {
    if (!notification) send(std::move(text));
}

void WsSession::createObject(const RpcRequest& request) {
    if (object_) {
        refuse(request.id, request.notification,
               {rpc::kObjectExists, msg::kObjectExists, std::nullopt});
        return;
    }
    if (core_->stopping || !core_->accepting) {
        refuse(request.id, request.notification,
               {rpc::kShuttingDown, msg::kShuttingDown, std::nullopt});
        return;
    }
    const json::object* params = request.params.if_object();
    // Members it does not know are refused as every method refuses them.
    if (params)
        for (const auto& member : *params)
            if (member.key() != "class" && member.key() != "accessKey") {
                refuse(
                    request.id, request.notification,
                    {rpc::kInvalidParams,
                     formatMessage(msg::kUnknownArgument, {echoed(member.key())}), std::nullopt});
                return;
            }
    const json::value* cls = params ? params->if_contains("class") : nullptr;
    const json::value* key = params ? params->if_contains("accessKey") : nullptr;
    if (!cls || !cls->is_string() || (key && !key->is_string())) {
        refuse(request.id, request.notification,
               {rpc::kInvalidParams, msg::kCreateObjectParams, std::nullopt});
        return;
    }
    std::string_view name = cls->get_string();
    if (!sameText(name, kProgId) && !sameText(name, kClassId)) {
        refuse(request.id, request.notification,
               {kClassNotRegistered, msg::kClassNotRegistered, std::nullopt});
        return;
    }
    if (core_->options.accessKey &&
        (!key || !sameKey(key->get_string(), *core_->options.accessKey))) {
        refuseKey(request);
        return;
    }
    if (core_->options.accessKey) core_->brake.succeeded(peerAddress(peer_));

    // Built here, on the connection's thread, which is the object's own from now on.
    server::CallStatus failure;
    try {
        object_ = core_->objects.build(id_, peer_);
    } catch (...) {
        failure = server::CallStatus(currentFailure());
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

void WsSession::refuseKey(const RpcRequest& request) {
    const AccessBrake::Verdict verdict = core_->brake.failed(peerAddress(peer_));
    const bool last = ++wrongKeys_ >= core_->options.maxWrongKeys;
    auto respond = [this, id = request.id, notification = request.notification, last] {
        refuse(id, notification, {rpc::kAccessDenied, msg::kAccessDenied, std::nullopt});
        if (!last) return;
        core_->log->warn("connection {} from {}: {} wrong access keys; closing", id_, peer_,
                         wrongKeys_);
        close(websocket::close_code::policy_error, msg::kTooManyWrongKeys);
    };
    if (verdict.delay.count() == 0) {
        respond();
        return;
    }
    core_->log->warn(
        "connection {} from {}: wrong access key {} in a row from this address; "
        "answered after {} ms",
        id_, peer_, verdict.failures, verdict.delay.count());
    braking_ = true;
    brakeTimer_.expires_after(verdict.delay);
    brakeTimer_.async_wait([self = shared_from_this(), respond](beast::error_code ec) {
        self->braking_ = false;
        if (ec || self->closed_) return;
        respond();
        if (!self->closed_) self->read();
    });
}

void WsSession::release(const RpcRequest& request) {
    if (!object_) {
        refuse(request.id, request.notification, {rpc::kNoObject, msg::kNoObject, std::nullopt});
        return;
    }
    core_->objects.destroy(object_);
    armCreateTimer();
    answer(request.notification, resultMessage(request.id, true));
}

void WsSession::call(const RpcRequest& request,
                     std::variant<packet::OperationCall, RpcError>& decoded) {
    if (!object_) {
        refuse(request.id, request.notification, {rpc::kNoObject, msg::kNoObject, std::nullopt});
        return;
    }
    Clock::time_point started = Clock::now();
    ObjectActivity* activity = object_.activity.get();
    if (activity) activity->callStarted(packet::remoteOperationIndex(request.method), started);
    std::variant<std::string, RpcError> result;
    int failedRows = 0;
    if (auto* operation = std::get_if<packet::OperationCall>(&decoded)) {
        result = runRemoteCall(*object_.object, *operation);
        if (activity && failedRowsAnswered(operation->operation()))
            failedRows = operation->integer("ErrorCount");
    } else {
        result = std::move(std::get<RpcError>(decoded));
    }
    decoded = RpcError();
    if (activity) activity->callEnded(std::holds_alternative<std::string>(result), failedRows);
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

void WsSession::send(std::string text) {
    if (closed_) return;
    outbox_.push_back(std::move(text));
    if (!writing_) write();
}

void WsSession::write() {
    writing_ = true;
    ws_->writeText(asio::buffer(outbox_.front()),
                   beast::bind_front_handler(&WsSession::onWrite, shared_from_this()));
}

void WsSession::onWrite(beast::error_code ec, std::size_t) {
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

void WsSession::armCreateTimer() {
    createTimer_.expires_after(core_->options.createObjectTimeout);
    createTimer_.async_wait([self = weak_from_this()](beast::error_code ec) {
        auto s = self.lock();
        if (ec || !s || s->object_ || s->closed_) return;
        auto seconds = std::chrono::duration<double>(s->core_->options.createObjectTimeout).count();
        s->core_->log->warn("connection {}: no object created within {} s; closing", s->id_,
                            seconds);
        s->close(websocket::close_code::policy_error, msg::kNoObjectInTime);
    });
}

void WsSession::close(websocket::close_code code, std::string_view reason) {
    if (closed_ || closing_) return;
    closing_ = true;
    ws_->close(websocket::close_reason(code, reason),
               [self = shared_from_this()](beast::error_code) {});
}

void WsSession::closed(beast::error_code ec) {
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

void WsSession::finish(const std::string& why) {
    closed_ = true;
    createTimer_.cancel();
    brakeTimer_.cancel();
    core_->objects.destroy(object_);
    core_->removeSession(id_);
    core_->log->info("connection {} closed ({})", id_, why);
}

}  // namespace zorvanil::net
