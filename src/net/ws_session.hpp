#pragma once

// One WebSocket client connection and the server object it may hold. Internal to net/.

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket/rfc6455.hpp>
#include <boost/json/value.hpp>

#include "net/connection_limits.hpp"
#include "net/json_rpc.hpp"
#include "net/object_factory.hpp"
#include "net/refusal_log.hpp"
#include "net/request_budget.hpp"
#include "net/server_core.hpp"
#include "net/ws_stream.hpp"
#include "packet/operation_call.hpp"

namespace zorvanil::net {

// The connection runs on a thread of its own with an event loop of its own: the object is built,
// called and destroyed in the loop's handlers, so that its calls run one at a time in arrival
// order and a long call holds up no other connection. While a call runs, the connection reads
// nothing more; messages wait in the socket.
class WsSession : public std::enable_shared_from_this<WsSession> {
  public:
    using Socket = boost::asio::ip::tcp::socket;
    using UpgradeRequest = boost::beast::http::request<boost::beast::http::string_body>;

    WsSession(boost::asio::io_context& io, std::shared_ptr<ConnectionLoop> loop,
              std::shared_ptr<NetServer::Core> core, ConnectionSlot slot, std::uint64_t id,
              std::string peer);
    // Whatever way the connection ended, its object goes with it, on this thread.
    ~WsSession();

    // Takes over the connection of an upgrade request and serves it on a thread of its own, with
    // an event loop of its own, until it closes.
    static void launch(std::shared_ptr<NetServer::Core> core, ConnectionSlot slot, std::uint64_t id,
                       std::string peer, Handover handover, UpgradeRequest request);

    // Closes the connection because the server stops; runs on the connection's thread. Its
    // object goes at once; a peer that does not answer the close is cut off after a moment.
    void shutdown();
    // Ends the connection at an operator's request, on the connection's thread: the object's
    // transaction is rolled back, the client is told why, and the object goes at once.
    void endByOperator(const std::string& who);
    // Rolls back the transaction the object holds open when it has run no call for `limit`.
    void rollbackIdleTransaction(std::chrono::milliseconds limit);

  private:
    using Clock = std::chrono::steady_clock;
    using ErrorCode = boost::beast::error_code;
    using CloseCode = boost::beast::websocket::close_code;

    void open(Socket::protocol_type protocol, int handle, bool tls, TlsHandle session,
              UpgradeRequest request);
    void onAccept(ErrorCode ec);
    void read();
    void onRead(ErrorCode ec, std::size_t bytes);
    // The text of the message read is no longer needed: a large buffer goes back at once.
    void releaseMessage();
    // The server holds as many request bytes as it may: the connection is closed (1013).
    void refuseRequestBytes();
    void handle(std::string_view text);
    // Answers an error for a request that goes no further, and logs it: every refusal passes here.
    void refuse(std::string_view id, bool notification, const RpcError& error);
    void answer(bool notification, std::string text);
    void createObject(const RpcRequest& request);
    // Refuses a wrong or missing access key, after the delay its address has earned; the last
    // one a connection may send closes it.
    void refuseKey(const RpcRequest& request);
    void release(const RpcRequest& request);
    // Runs a call read from its request (or answers the error that reading it gave); the call's
    // arguments are dropped once it has run.
    void call(const RpcRequest& request, std::variant<packet::OperationCall, RpcError>& decoded);
    void send(std::string text);
    void write();
    void onWrite(ErrorCode ec, std::size_t);
    void armCreateTimer();
    void close(CloseCode code, std::string_view reason);
    // Closes at once, destroys the object, and cuts off a peer that does not answer the close.
    void closeNow(CloseCode code, std::string_view reason, const std::string& why);
    // Rolls back the transaction the object holds open, if any; says in the log why.
    void rollbackOpenTransaction(std::string_view why);
    // Reading or writing failed: the connection is over, and so is its event loop.
    void closed(ErrorCode ec);
    // The connection is over: its object is destroyed.
    void finish(const std::string& why);

    boost::asio::io_context& io_;           // the connection's own event loop
    std::shared_ptr<ConnectionLoop> loop_;  // the same loop, as other threads reach it
    std::shared_ptr<NetServer::Core> core_;
    std::unique_ptr<WsStream> ws_;  // set once the connection is taken over
    ConnectionSlot slot_;
    std::uint64_t id_;
    std::string peer_;
    boost::beast::flat_buffer buffer_;
    std::size_t piece_ = 0;      // the most the read under way may add to the buffer
    bool pieceCounted_ = false;  // whether that piece is counted against the bound already
    std::deque<std::string> outbox_;
    bool writing_ = false;
    bool closing_ = false;
    bool closed_ = false;
    boost::asio::steady_timer createTimer_;
    boost::asio::steady_timer forceTimer_;
    boost::asio::steady_timer brakeTimer_;
    bool braking_ = false;  // an answer is held back: nothing more is read meanwhile
    unsigned wrongKeys_ = 0;
    HostedObject object_;
    RateLimit rate_;
    RefusalLog refusals_;
    BudgetShare requestBytes_;  // what the message being read and its call hold of the bound
};

}  // namespace zorvanil::net
