#include "client/client.hpp"

#include <charconv>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

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
using tcp = asio::ip::tcp;

ServerAddress ServerAddress::parse(std::string_view text) {
    ServerAddress address;
    std::string_view rest = text;
    if (rest.starts_with("ws://")) rest.remove_prefix(5);
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

struct Client::Impl {
    asio::io_context io;
    websocket::stream<tcp::socket> ws{io};
    beast::flat_buffer buffer;
    // Every value read from an answer is copied out of it before the call returns.
    AnswerParser answers;
};

Client::Client(const ServerAddress& address) : impl_(std::make_unique<Impl>()) {
    try {
        tcp::resolver resolver(impl_->io);
        auto endpoints = resolver.resolve(address.host, std::to_string(address.port));
        asio::connect(impl_->ws.next_layer(), endpoints);
        impl_->ws.next_layer().set_option(tcp::no_delay(true));
        impl_->ws.handshake(address.host + ":" + std::to_string(address.port), "/");
        impl_->ws.text(true);
        impl_->ws.read_message_max(0);
    } catch (const boost::system::system_error& e) {
        raise<ConnectionError>(msg::kCannotConnect,
                               {address.host, std::to_string(address.port), e.code().message()});
    }
}

Client::~Client() {
    close();
}

void Client::close() {
    if (!impl_ || !impl_->ws.is_open() || !impl_->ws.next_layer().is_open()) return;
    beast::error_code ec;
    impl_->ws.close(websocket::close_code::normal, ec);
}

void Client::abort() {
    if (!impl_) return;
    tcp::socket& socket = impl_->ws.next_layer();
    beast::error_code ec;
    socket.set_option(asio::socket_base::linger(true, 0), ec);
    socket.close(ec);
}

void Client::sendText(std::string_view text) {
    try {
        impl_->ws.write(asio::buffer(text.data(), text.size()));
    } catch (const boost::system::system_error& e) {
        raise<ConnectionError>(msg::kSendingFailed, {e.code().message()});
    }
}

std::string_view Client::receive() {
    try {
        impl_->buffer.clear();
        impl_->ws.read(impl_->buffer);
    } catch (const boost::system::system_error& e) {
        // A server that closes the connection says why: that is what the caller reads.
        const std::string reason(impl_->ws.reason().reason.data(),
                                 impl_->ws.reason().reason.size());
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
}

void Client::release() {
    request("Release", "{}");
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
                                        std::int32_t maxErrors, const Variant& ownerData) {
    OperationCall call(remoteOperation("AS_ApplyUpdates"));
    call.text("ProviderName") = providerName;
    call.variant("Delta") = delta;
    call.integer("MaxErrors") = maxErrors;
    call.variant("OwnerData") = ownerData;
    invoke(call);
    return {std::move(call.result()), call.integer("ErrorCount"),
            std::move(call.variant("OwnerData"))};
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
