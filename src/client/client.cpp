#include "client/client.hpp"

#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <thread>
#include <type_traits>
#include <variant>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>

#include "client/answer_parser.hpp"
#include "common/error.hpp"
#include "common/json_writer.hpp"
#include "common/messages.hpp"
#include "packet/json_codec.hpp"
#include "packet/operation_call.hpp"
#include "packet/remote_operations.hpp"

namespace zorvanil::client {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
namespace json = boost::json;
namespace ssl = asio::ssl;
using tcp = asio::ip::tcp;

ServerAddress ServerAddress::parse(std::string_view text) {
    ServerAddress address;
    std::string_view rest = text;
    if (rest.starts_with("ws://")) {
        rest.remove_prefix(5);
    } else if (rest.starts_with("wss://")) {
        rest.remove_prefix(6);
        address.tls = true;
    }
    if (auto slash = rest.find('/'); slash != std::string_view::npos) rest = rest.substr(0, slash);
    auto colon = rest.rfind(':');
    if (colon == std::string_view::npos) {
        if (!rest.empty()) address.host = std::string(rest);
        return address;
    }
    std::string_view host = rest.substr(0, colon);
    std::string_view port = rest.substr(colon + 1);
    if (host.starts_with('[') && host.ends_with(']')) host = host.substr(1, host.size() - 2);
    if (!host.empty()) address.host = std::string(host);
    unsigned value = 0;
    auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (ec != std::errc() || end != port.data() + port.size() || value == 0 || value > 65535)
        raise<ConnectionError>(msg::kNotAPortNumber, {port});
    address.port = static_cast<std::uint16_t>(value);
    return address;
}

namespace {

using PlainWebSocket = websocket::stream<tcp::socket>;
using TlsWebSocket = websocket::stream<beast::ssl_stream<tcp::socket>>;

// A context that trusts the authorities of the CA file, or the system's when none is named.
std::unique_ptr<ssl::context> clientContext(const TlsSettings& settings) {
    auto context = std::make_unique<ssl::context>(ssl::context::tls_client);
    SSL_CTX_set_min_proto_version(context->native_handle(), TLS1_2_VERSION);
    context->set_verify_mode(ssl::verify_peer);
    if (settings.caFile.empty()) {
        boost::system::error_code ec;
        context->set_default_verify_paths(ec);
        return context;
    }
    if (!std::ifstream(settings.caFile, std::ios::binary))
        raise<ConnectionError>(msg::kCannotReadCaFile, {settings.caFile, std::strerror(errno)});
    boost::system::error_code ec;
    context->load_verify_file(settings.caFile, ec);
    if (ec) raise<ConnectionError>(msg::kCannotReadCaFile, {settings.caFile, ec.message()});
    return context;
}

// The TLS handshake with the server, whose certificate must name `host` (a name or an address).
void shakeHands(beast::ssl_stream<tcp::socket>& stream, const ServerAddress& address) {
    SSL* session = stream.native_handle();
    // One connection's buffers are kept between messages rather than allocated for each.
    SSL_clear_mode(session, SSL_MODE_RELEASE_BUFFERS);
    boost::system::error_code ec;
    asio::ip::make_address(address.host, ec);
    if (ec) {
        // The name the client asks for (SNI), and the name the certificate must carry.
        SSL_set_tlsext_host_name(session, address.host.c_str());
        SSL_set1_host(session, address.host.c_str());
    } else {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(session), address.host.c_str());
    }
    stream.handshake(ssl::stream_base::client, ec);
    if (!ec) return;
    const long verdict = SSL_get_verify_result(session);
    if (verdict != X509_V_OK)
        raise<ConnectionError>(
            msg::kCertificateNotTrusted,
            {address.host, std::to_string(address.port), X509_verify_cert_error_string(verdict)});
    throw boost::system::system_error(ec);
}

}  // namespace

struct Client::Impl {
    using WebSocket = std::variant<PlainWebSocket, TlsWebSocket>;

    Impl(const ServerAddress& address, const TlsSettings& settings)
        : tls(address.tls ? clientContext(settings) : nullptr),
          ws(address.tls ? WebSocket(std::in_place_type<TlsWebSocket>, io, *tls)
                         : WebSocket(std::in_place_type<PlainWebSocket>, io)) {}

    // Runs `f` on the WebSocket stream, whichever it is.
    template <class F>
    decltype(auto) with(F&& f) {
        return std::visit(std::forward<F>(f), ws);
    }
    tcp::socket& socket() {
        return with([](auto& s) -> tcp::socket& { return beast::get_lowest_layer(s); });
    }

    asio::io_context io;
    std::unique_ptr<ssl::context> tls;  // for a server that speaks TLS
    WebSocket ws;
    beast::flat_buffer buffer;
    // Every value read from an answer is copied out of it before the call returns.
    AnswerParser answers;
};

std::string newRequestId() {
    // Four draws of 32 bits, each a read of the system's random source.
    std::random_device seed;
    unsigned char bytes[16];
    for (int word = 0; word < 4; ++word) {
        const std::uint32_t bits = seed();
        for (int i = 0; i < 4; ++i)
            bytes[4 * word + i] = static_cast<unsigned char>(bits >> (8 * i));
    }
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += kHex[bytes[i] >> 4];
        text += kHex[bytes[i] & 0x0F];
    }
    return text;
}

Client::Client(const ServerAddress& address, const TlsSettings& tls)
    : address_(address), tls_(tls) {
    connect();
}

void Client::connect() {
    impl_ = std::make_unique<Impl>(address_, tls_);
    try {
        tcp::resolver resolver(impl_->io);
        auto endpoints = resolver.resolve(address_.host, std::to_string(address_.port));
        asio::connect(impl_->socket(), endpoints);
        impl_->socket().set_option(tcp::no_delay(true));
        impl_->with([&](auto& ws) {
            if constexpr (std::is_same_v<std::decay_t<decltype(ws)>, TlsWebSocket>)
                shakeHands(ws.next_layer(), address_);
            ws.handshake(address_.host + ":" + std::to_string(address_.port), "/");
            ws.text(true);
            ws.read_message_max(0);
        });
    } catch (const boost::system::system_error& e) {
        raise<ConnectionError>(msg::kCannotConnect,
                               {address_.host, std::to_string(address_.port), e.code().message()});
    }
}

void Client::reconnect() {
    abort();
    connect();
    if (accessKey_) createObject(*accessKey_, className_);
}

Client::~Client() {
    close();
}

void Client::close() {
    if (!impl_ || !impl_->socket().is_open()) return;
    impl_->with([](auto& ws) {
        if (!ws.is_open()) return;
        beast::error_code ec;
        ws.close(websocket::close_code::normal, ec);
    });
}

void Client::abort() {
    if (!impl_) return;
    tcp::socket& socket = impl_->socket();
    beast::error_code ec;
    socket.set_option(asio::socket_base::linger(true, 0), ec);
    socket.close(ec);
}

void Client::sendText(std::string_view text) {
    try {
        impl_->with([&](auto& ws) { ws.write(asio::buffer(text.data(), text.size())); });
    } catch (const boost::system::system_error& e) {
        raise<ConnectionError>(msg::kSendingFailed, {e.code().message()});
    }
}

std::string_view Client::receive() {
    try {
        impl_->buffer.clear();
        impl_->with([&](auto& ws) { ws.read(impl_->buffer); });
    } catch (const boost::system::system_error& e) {
        // A server that closes the connection says why: that is what the caller reads.
        const std::string reason = impl_->with([](auto& ws) {
            return std::string(ws.reason().reason.data(), ws.reason().reason.size());
        });
        if (e.code() == websocket::error::closed && !reason.empty())
            raise<ConnectionError>(msg::kClosedByServer, {reason});
        raise<ConnectionError>(msg::kReceivingFailed, {e.code().message()});
    }
    auto data = impl_->buffer.data();
    return {static_cast<const char*>(data.data()), data.size()};
}

std::string Client::receiveText() {
    return std::string(receive());
}

json::value Client::request(std::string_view method, std::string_view paramsJson) {
    std::int64_t id = nextId_++;
    std::string text;
    JsonWriter(text)
        .beginObject()
        .key("jsonrpc")
        .string("2.0")
        .key("method")
        .string(method)
        .key("params")
        .raw(paramsJson)
        .key("id")
        .integer(id)
        .endObject();
    sendText(text);
    for (;;) {
        boost::system::error_code ec;
        json::value answer = impl_->answers.parse(receive(), ec);
        if (ec) raise<ConnectionError>(msg::kAnswerNotJson, {ec.message()});
        json::object* o = answer.if_object();
        if (!o) raise<ConnectionError>(msg::kAnswerNotObject);
        const json::value* answerId = o->if_contains("id");
        // An answer to an earlier request that was given up on: skip it.
        if (answerId && answerId->is_int64() && answerId->get_int64() != id) continue;
        if (const json::value* error = o->if_contains("error")) {
            const json::object* e = error->if_object();
            if (!e) raise<ConnectionError>(msg::kErrorAnswerNotObject);
            std::int32_t code = 0;
            if (auto c = e->if_contains("code"); c && c->is_int64())
                code = static_cast<std::int32_t>(c->get_int64());
            std::string message;
            if (auto m = e->if_contains("message"); m && m->is_string())
                message = std::string(m->get_string());
            std::string interfaceName, source;
            std::int32_t helpContext = 0;
            if (auto d = e->if_contains("data"); d && d->is_object()) {
                const json::object& data = d->get_object();
                if (auto v = data.if_contains("interface"); v && v->is_string())
                    interfaceName = std::string(v->get_string());
                if (auto v = data.if_contains("source"); v && v->is_string())
                    source = std::string(v->get_string());
                if (auto v = data.if_contains("helpContext"); v && v->is_int64())
                    helpContext = static_cast<std::int32_t>(v->get_int64());
            }
            throw RemoteError(code, message, interfaceName, source, helpContext);
        }
        if (json::value* result = o->if_contains("result")) return std::move(*result);
        raise<ConnectionError>(msg::kAnswerWithoutOutcome);
    }
}

namespace {

using packet::ArgumentType;
using packet::OperationCall;
using packet::remoteOperation;

// An answer member that is a variant; an absent one is unassigned.
Variant variantMember(const json::object& answer, std::string_view name) {
    const json::value* v = answer.if_contains(name);
    return v ? packet::variantFromJson(*v) : Variant();
}

std::int32_t integerMember(const json::object& answer, std::string_view name) {
    const json::value* v = answer.if_contains(name);
    if (!v || !v->is_int64()) raise<ConnectionError>(msg::kResultLacks, {name});
    return static_cast<std::int32_t>(v->get_int64());
}

bool booleanMember(const json::object& answer, std::string_view name) {
    const json::value* v = answer.if_contains(name);
    if (!v || !v->is_bool()) raise<ConnectionError>(msg::kResultLacks, {name});
    return v->get_bool();
}

std::string textMember(const json::object& answer, std::string_view name) {
    const json::value* v = answer.if_contains(name);
    if (!v || !v->is_string()) raise<ConnectionError>(msg::kResultLacks, {name});
    return std::string(v->get_string());
}

// The result of an answer and every argument the operation answers, copied out of the answer.
void readAnswer(const json::value& answer, OperationCall& call) {
    const json::object* members = answer.if_object();
    if (!members) raise<ConnectionError>(msg::kResultNotObject);
    const packet::RemoteOperation& operation = call.operation();
    if (operation.hasResult()) call.result() = variantMember(*members, "result");
    auto arguments = operation.arguments();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (!arguments[i].answered()) continue;
        std::string_view name = arguments[i].name;
        switch (arguments[i].type) {
            case ArgumentType::Text:
                call.at(i) = textMember(*members, name);
                break;
            case ArgumentType::Integer:
                call.at(i) = integerMember(*members, name);
                break;
            case ArgumentType::Boolean:
                call.at(i) = booleanMember(*members, name);
                break;
            case ArgumentType::Variant:
                call.at(i) = variantMember(*members, name);
                break;
        }
    }
}

}  // namespace

void Client::createObject(std::optional<std::string> accessKey, std::string_view className) {
    packet::JsonObjectText params;
    params.text("class", className);
    if (accessKey) params.text("accessKey", *accessKey);
    request("CreateObject", params.take());
    accessKey_ = std::move(accessKey);
    className_ = std::string(className);
}

void Client::release() {
    request("Release", "{}");
    accessKey_.reset();
}

void Client::invoke(OperationCall& call) {
    readAnswer(request(call.operation().method(), call.requestParams()), call);
}

std::vector<std::string> Client::getProviderNames() {
    OperationCall call(remoteOperation("AS_GetProviderNames"));
    invoke(call);
    std::vector<std::string> result;
    if (call.result().type() != Variant::Type::Array) return result;
    for (const Variant& name : call.result().asArray())
        result.push_back(name.toString());
    return result;
}

GetRecordsResult Client::getRecords(std::string_view providerName, std::int32_t count,
                                    const Variant& ownerData, std::int32_t options,
                                    std::string_view commandText, const Variant& params) {
    OperationCall call(remoteOperation("AS_GetRecords"));
    call.text("ProviderName") = providerName;
    call.integer("Count") = count;
    call.integer("Options") = options;
    call.text("CommandText") = commandText;
    call.variant("Params") = params;
    call.variant("OwnerData") = ownerData;
    invoke(call);
    return {std::move(call.result()), call.integer("RecsOut"), std::move(call.variant("Params")),
            std::move(call.variant("OwnerData"))};
}

ApplyUpdatesResult Client::applyUpdates(std::string_view providerName, const Variant& delta,
                                        std::int32_t maxErrors, const Variant& ownerData,
                                        const ApplyOptions& options) {
    OperationCall call(remoteOperation("AS_ApplyUpdates"));
    std::string requestId;
    if (!options.withoutRequestId)
        requestId = options.requestId.empty() ? newRequestId() : options.requestId;
    // Sent again only under an id, or as a dry run, which changes nothing.
    const int retries = requestId.empty() && !options.dryRun ? 0 : std::max(0, options.retries);
    std::chrono::milliseconds wait = options.backoff;
    int attempt = 1;
    for (;; ++attempt) {
        call.text("ProviderName") = providerName;
        call.variant("Delta") = delta;
        call.integer("MaxErrors") = maxErrors;
        call.variant("OwnerData") = ownerData;
        call.text("RequestId") = requestId;
        call.boolean("DryRun") = options.dryRun;
        try {
            if (attempt > 1) {
                reconnect();
                if (onReconnect) onReconnect(*this);
            }
            invoke(call);
            break;
        } catch (const ConnectionError&) {
            if (attempt > retries) throw;
            std::this_thread::sleep_for(wait);
            wait *= 2;
        }
    }
    return {std::move(call.result()),
            call.integer("ErrorCount"),
            std::move(call.variant("OwnerData")),
            std::move(call.variant("Statements")),
            std::move(requestId),
            attempt};
}

Variant Client::dataRequest(std::string_view providerName, const Variant& data) {
    OperationCall call(remoteOperation("AS_DataRequest"));
    call.text("ProviderName") = providerName;
    call.variant("Data") = data;
    invoke(call);
    return std::move(call.result());
}

ResultWithOwnerData Client::getParams(std::string_view providerName, const Variant& ownerData) {
    OperationCall call(remoteOperation("AS_GetParams"));
    call.text("ProviderName") = providerName;
    call.variant("OwnerData") = ownerData;
    invoke(call);
    return {std::move(call.result()), std::move(call.variant("OwnerData"))};
}

ResultWithOwnerData Client::rowRequest(std::string_view providerName, const Variant& row,
                                       std::int32_t requestType, const Variant& ownerData) {
    OperationCall call(remoteOperation("AS_RowRequest"));
    call.text("ProviderName") = providerName;
    call.variant("Row") = row;
    call.integer("RequestType") = requestType;
    call.variant("OwnerData") = ownerData;
    invoke(call);
    return {std::move(call.result()), std::move(call.variant("OwnerData"))};
}

ExecuteResult Client::execute(std::string_view providerName, std::string_view commandText,
                              const Variant& params, const Variant& ownerData) {
    OperationCall call(remoteOperation("AS_Execute"));
    call.text("ProviderName") = providerName;
    call.text("CommandText") = commandText;
    call.variant("Params") = params;
    call.variant("OwnerData") = ownerData;
    invoke(call);
    return {std::move(call.variant("Params")), std::move(call.variant("OwnerData"))};
}

}  // namespace zorvanil::client
