#include "net/openrpc.hpp"

#include <cstdint>
#include <initializer_list>
#include <limits>

#include <boost/json/array.hpp>
#include <boost/json/serialize.hpp>

#include "common/messages.hpp"
#include "net/json_rpc.hpp"
#include "net/net_server.hpp"
#include "packet/remote_operations.hpp"
#include "server/call_status.hpp"

namespace zorvanil::net {

namespace json = boost::json;
using packet::Argument;
using packet::ArgumentType;
using packet::Presence;
using packet::RemoteOperation;

namespace {

// The status of a failed operation that carries no status of its own.
constexpr std::int32_t kGeneralFailure = static_cast<std::int32_t>(0x8000FFFFu);

struct ErrorCode {
    std::int32_t code;
    std::string_view message;
};

// What every operation may answer besides its result.
constexpr ErrorCode kOperationErrors[] = {
    {kGeneralFailure,
     "The operation failed: the message is the error's text unchanged, data holds the interface, "
     "the source and the help context; an error with a negative status of its own answers that "
     "status instead"},
    {rpc::kInvalidParams, "Invalid params: unknown, missing or mistyped members"},
    {rpc::kNoObject, msg::kNoObject},
    {rpc::kRateLimited, "Too many requests: the connection's message rate is exceeded"},
    {rpc::kInternalError, "Internal error: the answer could not be written"},
};

constexpr ErrorCode kCreateObjectErrors[] = {
    {kGeneralFailure, "The object could not be built: the message is the construction error's"},
    {kClassNotRegistered, msg::kClassNotRegistered},
    {rpc::kInvalidParams, msg::kCreateObjectParams},
    {rpc::kAccessDenied, msg::kAccessDenied},
    {rpc::kObjectExists, msg::kObjectExists},
    {rpc::kShuttingDown, msg::kShuttingDown},
};

constexpr ErrorCode kReleaseErrors[] = {
    {rpc::kNoObject, msg::kNoObject},
};

json::array errorsOf(std::span<const ErrorCode> errors) {
    json::array out;
    for (const ErrorCode& e : errors)
        out.push_back(json::object{{"code", e.code}, {"message", e.message}});
    return out;
}

json::object schemaOf(ArgumentType type) {
    switch (type) {
        case ArgumentType::Text:
            return {{"type", json::array{"string", "null"}},
                    {"description", "a text; null reads as the empty text"}};
        case ArgumentType::Integer:
            return {{"type", "integer"},
                    {"minimum", std::numeric_limits<std::int32_t>::min()},
                    {"maximum", std::numeric_limits<std::int32_t>::max()}};
        case ArgumentType::Boolean:
            return {{"type", "boolean"}, {"description", "true or false; absent reads as false"}};
        case ArgumentType::Variant:
            break;
    }
    return {{"description",
             "a variant: absent is unassigned, null is Null, numbers, texts and arrays as JSON, "
             "a data or change packet as an object"}};
}

json::object param(std::string_view name, json::object schema, bool required) {
    return {{"name", name}, {"required", required}, {"schema", std::move(schema)}};
}

json::object method(std::string_view name, std::string_view summary, json::array params,
                    json::object result, std::span<const ErrorCode> errors) {
    return {{"name", name},
            {"summary", summary},
            {"paramStructure", "by-name"},
            {"params", std::move(params)},
            {"result", std::move(result)},
            {"errors", errorsOf(errors)}};
}

json::object operationMethod(const RemoteOperation& operation) {
    json::array params;
    json::object answered;
    if (operation.hasResult()) answered["result"] = schemaOf(ArgumentType::Variant);
    for (const Argument& argument : operation.arguments()) {
        if (argument.sent())
            params.push_back(param(
                argument.name, schemaOf(argument.type),
                argument.type != ArgumentType::Variant && argument.presence == Presence::Required));
        if (argument.answered()) answered[argument.name] = schemaOf(argument.type);
    }
    json::object result{{"name", std::string(operation.method()) + "Result"},
                        {"schema", json::object{{"type", "object"},
                                                {"properties", std::move(answered)},
                                                {"additionalProperties", false}}}};
    return method(operation.method(),
                  "An operation of the connection's server object: its result as `result` and "
                  "every out or in/out argument under its own name",
                  std::move(params), std::move(result), kOperationErrors);
}

}  // namespace

json::object openRpcDocument() {
    json::array methods;
    json::object created{
        {"type", "object"},
        {"properties",
         json::object{{"object", json::object{{"type", "integer"}}},
                      {"interface", json::object{{"const", server::CallStatus::kInterface}}}}},
        {"required", json::array{"object", "interface"}}};
    methods.push_back(method(
        "CreateObject",
        "Builds the connection's server object, which opens its database connection; the first "
        "call of a connection",
        json::array{param("class",
                          json::object{{"type", "string"},
                                       {"enum", json::array{kProgId, kClassId}},
                                       {"description", "either name, in any letter case"}},
                          true),
                    param("accessKey", json::object{{"type", "string"}}, false)},
        json::object{{"name", "CreateObjectResult"}, {"schema", std::move(created)}},
        kCreateObjectErrors));
    methods.push_back(
        method("Release", "Destroys the connection's server object", json::array{},
               json::object{{"name", "Released"}, {"schema", json::object{{"const", true}}}},
               kReleaseErrors));
    for (const RemoteOperation& operation : packet::kRemoteOperations)
        methods.push_back(operationMethod(operation));
    return {{"openrpc", "1.2.6"},
            {"info", json::object{{"title", "Zorvanil server"},
                                  {"version", "1.0"},
                                  {"description",
                                   "JSON-RPC 2.0 over WebSocket on /: one server object per "
                                   "connection, built by CreateObject"}}},
            {"methods", std::move(methods)}};
}

std::string openRpcText() {
    return json::serialize(openRpcDocument());
}

}  // namespace zorvanil::net
