#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <boost/json/value.hpp>

#include "common/variant.hpp"

namespace zorvanil::packet {
class OperationCall;
}

namespace zorvanil::client {

// An error answer of the server: a failed operation (code = its failure status, with the
// interface, source and help context of its error record) or a refused request (a JSON-RPC code).
class RemoteError : public std::runtime_error {
  public:
    RemoteError(std::int32_t code, const std::string& message, std::string interfaceName = {},
                std::string source = {}, std::int32_t helpContext = 0)
        : std::runtime_error(message),
          code_(code),
          interface_(std::move(interfaceName)),
          source_(std::move(source)),
          helpContext_(helpContext) {}

    std::int32_t code() const { return code_; }
    // The failure status of an operation; the same as code().
    std::int32_t status() const { return code_; }
    const std::string& interfaceName() const { return interface_; }
    const std::string& source() const { return source_; }
    std::int32_t helpContext() const { return helpContext_; }

  private:
    std::int32_t code_;
    std::string interface_;
    std::string source_;
    std::int32_t helpContext_;
};

// The connection failed or the server answered something that is no answer.
class ConnectionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Where a server listens: "ws://HOST:PORT/", "HOST:PORT", or "wss://HOST:PORT/" for a server that
// speaks TLS.
struct ServerAddress {
    std::string host = "127.0.0.1";
    std::uint16_t port = 8211;
    bool tls = false;
    static ServerAddress parse(std::string_view text);
};

// How a client trusts a server that speaks TLS: its certificate must be signed by an authority of
// the CA file (PEM), or of the system's default ones when none is named, and must name the host
// the client connects to.
struct TlsSettings {
    std::string caFile;
};

struct GetRecordsResult {
    Variant data;  // the data packet
    std::int32_t recsOut = 0;
    Variant params;
    Variant ownerData;
};

struct ApplyUpdatesResult {
    Variant result;  // the packet of rows that failed or were changed by the server, or Null
    std::int32_t errorCount = 0;
    Variant ownerData;
    Variant statements;     // of a dry run: every statement it ran, as pairs [text, [params]]
    std::string requestId;  // the id the apply was sent with; empty for none
    int attempts = 1;       // how many times it was sent
};

// How an apply is sent. Every apply carries a request id unless told otherwise, so that it can
// be sent again after the connection dropped before its answer came: the server answers an apply
// it has already made under the id with the answer it gave, and makes it only once.
struct ApplyOptions {
    // The apply's request id; when empty the client makes a new one, a random UUID.
    std::string requestId;
    // Sends no request id: the apply is not recorded, and is never sent again.
    bool withoutRequestId = false;
    // The server runs the apply and rolls it back, answering the statements it ran as well.
    bool dryRun = false;
    // How many times the apply is sent again after a dropped connection, each time after the
    // connection has been made again and the object created again (with the same access key).
    int retries = 3;
    // The wait before the first resend; it doubles for each one after it.
    std::chrono::milliseconds backoff{100};
};

// A new random (version 4) UUID in its usual text form, lower case.
std::string newRequestId();

struct ResultWithOwnerData {
    Variant result;
    Variant ownerData;
};

struct ExecuteResult {
    Variant params;
    Variant ownerData;
};

// A blocking client of one server connection. Not for use by two threads at once; open one
// client per thread instead.
class Client {
  public:
    explicit Client(const ServerAddress& address, const TlsSettings& tls = {});
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // Builds the connection's server object; fails with the construction error.
    void createObject(std::optional<std::string> accessKey = std::nullopt,
                      std::string_view className = "ZORVANIL.AZORVANIL");
    // Destroys the object; the connection stays open for another createObject.
    void release();

    // The seven operations. Unassigned arguments are left out of the request.
    std::vector<std::string> getProviderNames();
    GetRecordsResult getRecords(std::string_view providerName, std::int32_t count,
                                const Variant& ownerData = {}, std::int32_t options = 0,
                                std::string_view commandText = {}, const Variant& params = {});
    ApplyUpdatesResult applyUpdates(std::string_view providerName, const Variant& delta,
                                    std::int32_t maxErrors, const Variant& ownerData = {},
                                    const ApplyOptions& options = {});

    // Runs after the connection has been made again and its object created again, before an
    // apply is sent again: a client whose reads gave the object's datasets their statements (a
    // document's lines are written to the table their read names) reads again here.
    std::function<void(Client&)> onReconnect;
    Variant dataRequest(std::string_view providerName, const Variant& data);
    ResultWithOwnerData getParams(std::string_view providerName, const Variant& ownerData = {});
    ResultWithOwnerData rowRequest(std::string_view providerName, const Variant& row,
                                   std::int32_t requestType, const Variant& ownerData = {});
    ExecuteResult execute(std::string_view providerName, std::string_view commandText,
                          const Variant& params = {}, const Variant& ownerData = {});

    // The raw messages, for tools that speak the protocol themselves.
    void sendText(std::string_view text);
    std::string receiveText();

    // Makes the connection again, and the object again when the connection held one.
    void reconnect();

    // Closes the connection properly (WebSocket close handshake).
    void close();
    // Drops the connection at once, without the close handshake, as a client that crashed would.
    void abort();

  private:
    // Sends a request whose params are JSON text and returns its result; an error answer throws
    // RemoteError.
    boost::json::value request(std::string_view method, std::string_view paramsJson);
    // Sends the call's arguments and reads its result and answered arguments back into it.
    void invoke(packet::OperationCall& call);
    // Reads the next message; the text lives until the next read.
    std::string_view receive();

    void connect();

    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::int64_t nextId_ = 1;
    ServerAddress address_;
    TlsSettings tls_;
    // What the object was created with, to create it again after a reconnect.
    std::optional<std::optional<std::string>> accessKey_;
    std::string className_;
};

}  // namespace zorvanil::client
