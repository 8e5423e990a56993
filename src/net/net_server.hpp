#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <spdlog/logger.h>

namespace zorvanil::net {

class ObjectFactory;

// The programmatic and the class identifier by which CreateObject names the server object.
inline constexpr std::string_view kProgId = "ZORVANIL.AZORVANIL";
inline constexpr std::string_view kClassId = "{F66B33AA-8B49-4301-8D74-CDD98EA1FA4A}";

// What the HTTP side of the port answers for one request; none gives 404 to a GET and 405 to any
// other method.
struct HttpReply {
    unsigned status = 200;
    std::string contentType = "text/plain; charset=utf-8";
    std::string body;
};
// An HTTP request as the pages see it.
struct HttpRequest {
    std::string_view method;  // "GET", "HEAD" or "POST"
    std::string_view target;
    std::string_view peer;  // the client's address, without its port
    bool loopback = false;  // whether that address is a loopback one
    // The X-Access-Key header; none when the request carries none.
    std::optional<std::string_view> accessKey;
};
inline constexpr std::string_view kAccessKeyHeader = "X-Access-Key";
using HttpHandler = std::function<std::optional<HttpReply>(const HttpRequest& request)>;

// The certificate (with the chain up to its authority, in PEM) and the private key (PEM, not
// protected by a pass phrase) of a port that serves TLS.
struct TlsFiles {
    std::string certificateFile;
    std::string keyFile;
};

// The port and the limits that keep the server alive whatever its clients send.
struct NetOptions {
    std::string address = "127.0.0.1";
    std::uint16_t port = 8211;  // 0: any free port
    // Largest message a client may send; a larger one closes its connection (code 1009).
    std::size_t maxMessageBytes = 16 * 1024 * 1024;
    // The bytes of the requests the connections hold at once, from their first byte read until
    // they have been answered; a message that would take the server beyond it closes its
    // connection (code 1013). 0: no bound.
    std::size_t maxRequestBytesInFlight = 256 * 1024 * 1024;
    // Connections beyond this number are answered 503 and closed.
    std::size_t maxConnections = 1024;
    // A WebSocket connection that holds no object for this long is closed (code 1008).
    std::chrono::milliseconds createObjectTimeout{30000};
    // Messages a connection may send per second, with bursts of as many; 0: no limit.
    unsigned maxMessagesPerSecond = 2000;
    // A peer that answers no ping for this long is taken as gone and its connection closed.
    std::chrono::seconds idleTimeout{120};
    // When set, CreateObject must carry this key.
    std::optional<std::string> accessKey;
    // Wrong (or missing) access keys one connection may send; the last of them closes it (1008).
    unsigned maxWrongKeys = 5;
    // The answer to the second wrong key in a row from one address waits this long, each later
    // one twice as long as the one before, up to wrongKeyMaxDelay.
    std::chrono::milliseconds wrongKeyDelay{250};
    std::chrono::milliseconds wrongKeyMaxDelay{30000};
    // When set, the port speaks TLS only (wss:// and https://): a connection without it is refused.
    std::optional<TlsFiles> tls;
    // A connection that has not finished its TLS handshake after this long is closed.
    std::chrono::milliseconds tlsHandshakeTimeout{10000};
    // Threads that accept connections, serve the pages and answer the WebSocket handshakes (each
    // WebSocket connection then runs on a thread of its own).
    int ioThreads = 2;
};

// The WebSocket JSON-RPC transport and the HTTP pages on one TCP port. The pages and the
// handshakes are served by a few network threads; each WebSocket connection then runs on a thread
// of its own with its own event loop, on which its server object (one at a time) is built, called
// and destroyed. Its calls thus run one at a time in arrival order, and a long call holds up
// nothing but its own connection. Closing the connection destroys the object.
class NetServer {
  public:
    // Each connection builds and destroys its object through `objects`, on its own thread.
    NetServer(NetOptions options, ObjectFactory& objects, std::shared_ptr<spdlog::logger> logger,
              HttpHandler http);
    // Stops (waiting for every object thread) when still running.
    ~NetServer();
    NetServer(const NetServer&) = delete;
    NetServer& operator=(const NetServer&) = delete;

    // Binds the port and starts serving; fails when the address cannot be bound, or when the TLS
    // certificate or key cannot be used (then before anything listens).
    void start();
    // The bound port (the one chosen by the system when the options named 0).
    std::uint16_t port() const;
    // "address:port" as bound.
    std::string endpoint() const;

    // No new WebSocket connections (503) and no new objects; the open connections and their
    // objects go on, and the pages are still served (the health page answers 503) until stop().
    void stopAccepting();
    bool accepting() const;
    // Closes every connection (code 1001) and destroys their objects after the calls they are
    // running; waits up to `wait` for the connection threads to end, then stops the network
    // threads and closes every socket left. False when connection threads were still running
    // (a call that does not end): the caller must then end the process without destroying this
    // server.
    bool stop(std::chrono::milliseconds wait = std::chrono::milliseconds::max());
    // Open connections (HTTP and WebSocket).
    std::size_t connections() const;

    // Ends the WebSocket connection at an operator's request (`who` says who asked): the
    // transaction its object holds is rolled back, the connection closes with a reason that says
    // so and its object is destroyed, on the connection's thread once the call it runs (if any)
    // has ended. False when there is no such connection.
    bool endConnection(std::uint64_t connectionId, std::string who);
    // Rolls back the transaction that the connection's object holds open, on the connection's
    // thread, if by then it has still run no call for `limit`. False when there is no such
    // connection.
    bool rollbackIdleTransaction(std::uint64_t connectionId, std::chrono::milliseconds limit);

    struct Core;

  private:
    std::shared_ptr<Core> core_;
    std::uint16_t port_ = 0;
    struct Runtime;
    std::unique_ptr<Runtime> runtime_;
};

}  // namespace zorvanil::net
