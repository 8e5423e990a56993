#include "net/remote_call.hpp"

#include <iterator>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"
#include "packet/json_codec.hpp"
#include "packet/operation_call.hpp"
#include "packet/remote_operations.hpp"
#include "server/remote_data_module.hpp"

namespace zorvanil::net {

namespace json = boost::json;
using packet::Argument;
using packet::ArgumentType;
using packet::OperationCall;
using packet::Presence;
using packet::RemoteOperation;
using server::CallStatus;
using server::TAZORVANIL;

namespace {

// Each operation of the table bound to the member of the server object that it calls, in the
// order of the table.
struct Binding {
    std::string_view method;
    CallStatus (*call)(TAZORVANIL& object, OperationCall& c);
};

constexpr Binding kBindings[] = {
    {"AS_ApplyUpdates",
     [](TAZORVANIL& o, OperationCall& c) {
         // The call's own delta is moved in: the object applies it without a copy.
         return o.AS_ApplyUpdates(
             c.text("ProviderName"), std::move(c.variant("Delta")), c.integer("MaxErrors"),
             c.integer("ErrorCount"), c.variant("OwnerData"), c.result(),
             {c.text("RequestId"), c.boolean("DryRun"), &c.variant("Statements")});
     }},
    {"AS_GetRecords",
     [](TAZORVANIL& o, OperationCall& c) {
         return o.AS_GetRecords(c.text("ProviderName"), c.integer("Count"), c.integer("RecsOut"),
                                c.integer("Options"), c.text("CommandText"), c.variant("Params"),
                                c.variant("OwnerData"), c.result());
     }},
    {"AS_DataRequest",
     [](TAZORVANIL& o, OperationCall& c) {
         return o.AS_DataRequest(c.text("ProviderName"), c.variant("Data"), c.result());
     }},
    {"AS_GetProviderNames",
     [](TAZORVANIL& o, OperationCall& c) { return o.AS_GetProviderNames(c.result()); }},
    {"AS_GetParams",
     [](TAZORVANIL& o, OperationCall& c) {
         return o.AS_GetParams(c.text("ProviderName"), c.variant("OwnerData"), c.result());
     }},
    {"AS_RowRequest",
     [](TAZORVANIL& o, OperationCall& c) {
         return o.AS_RowRequest(c.text("ProviderName"), c.variant("Row"), c.integer("RequestType"),
                                c.variant("OwnerData"), c.result());
     }},
    {"AS_Execute",
     [](TAZORVANIL& o, OperationCall& c) {
         return o.AS_Execute(c.text("ProviderName"), c.text("CommandText"), c.variant("Params"),
                             c.variant("OwnerData"));
     }},
};

constexpr bool bindingsFollowTheTable() {
    if (std::size(kBindings) != std::size(packet::kRemoteOperations)) return false;
    for (std::size_t i = 0; i < std::size(kBindings); ++i)
        if (kBindings[i].method != packet::kRemoteOperations[i].method()) return false;
    return true;
}
static_assert(bindingsFollowTheTable(), "every remote operation is bound, in the table's order");

struct InvalidParams : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void invalid(std::string_view pattern,
                          std::initializer_list<std::string_view> args = {}) {
    throw InvalidParams(formatMessage(pattern, args));
}

// The members of a call's params; null when it has none (no params, null, or an empty array).
// Members that the operation is not sent are refused, so that a misspelt name does not silently
// become an unassigned argument.
const json::object* paramsObject(const RemoteOperation& operation, const json::value& params) {
    if (params.is_null() || (params.is_array() && params.get_array().empty())) return nullptr;
    if (!params.is_object()) invalid(msg::kParamsNotObject);
    for (const auto& member : params.get_object()) {
        std::size_t index = operation.indexOf(member.key());
        if (index == RemoteOperation::kNone || !operation.arguments()[index].sent())
            invalid(msg::kUnknownArgument, {echoed(member.key())});
    }
    return &params.get_object();
}

// A text argument; null reads as the empty text.
std::string textOf(const Argument& argument, const json::value* v) {
    if (!v) {
        if (argument.presence == Presence::Optional) return {};
        invalid(msg::kMissingArgument, {argument.name});
    }
    if (v->is_null()) return {};
    if (!v->is_string()) invalid(msg::kArgumentNotText, {argument.name});
    return std::string(v->get_string());
}

std::int32_t integerOf(const Argument& argument, const json::value* v) {
    if (!v) {
        if (argument.presence == Presence::Optional) return 0;
        invalid(msg::kMissingArgument, {argument.name});
    }
    constexpr auto lo = std::numeric_limits<std::int32_t>::min();
    constexpr auto hi = std::numeric_limits<std::int32_t>::max();
    if (v->is_int64() && v->get_int64() >= lo && v->get_int64() <= hi)
        return static_cast<std::int32_t>(v->get_int64());
    if (v->is_uint64() && v->get_uint64() <= static_cast<std::uint64_t>(hi))
        return static_cast<std::int32_t>(v->get_uint64());
    invalid(msg::kArgumentNotInteger, {argument.name});
}

bool booleanOf(const Argument& argument, const json::value* v) {
    if (!v) {
        if (argument.presence == Presence::Optional) return false;
        invalid(msg::kMissingArgument, {argument.name});
    }
    if (!v->is_bool()) invalid(msg::kArgumentNotBoolean, {argument.name});
    return v->get_bool();
}

// A variant argument: an absent member is unassigned, null is null. A packet is read from its
// text, which the request keeps in place of its parsed JSON.
Variant variantOf(const Argument& argument, const json::value* v, const RpcRequest& request) {
    if (!v) return {};
    try {
        if (std::string_view text = request.objectText(argument.name);
            v->is_object() && !text.empty())
            return Variant(packet::PacketPtr(
                std::make_shared<packet::DataPacket>(packet::dataPacketFromJsonText(text))));
        return packet::variantFromJson(*v);
    } catch (const std::exception& e) {
        invalid(msg::kUnreadableArgument, {argument.name, e.what()});
    }
}

// Every argument the operation is sent, read from the params in the order of the table.
void readParams(OperationCall& call, const RpcRequest& request) {
    const RemoteOperation& operation = call.operation();
    const json::object* members = paramsObject(operation, request.params);
    auto arguments = operation.arguments();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const Argument& argument = arguments[i];
        if (!argument.sent()) continue;
        const json::value* v = members ? members->if_contains(argument.name) : nullptr;
        switch (argument.type) {
            case ArgumentType::Text:
                call.at(i) = textOf(argument, v);
                break;
            case ArgumentType::Integer:
                call.at(i) = integerOf(argument, v);
                break;
            case ArgumentType::Boolean:
                call.at(i) = booleanOf(argument, v);
                break;
            case ArgumentType::Variant:
                call.at(i) = variantOf(argument, v, request);
                break;
        }
    }
}

}  // namespace

bool isRemoteOperation(std::string_view method) {
    return packet::findRemoteOperation(method) != nullptr;
}

RpcError failureError(const CallStatus& status) {
    json::object data;
    data["interface"] = CallStatus::kInterface;
    data["source"] = CallStatus::kSource;
    data["helpContext"] = status.helpContext;
    return {status.status, status.message, std::move(data)};
}

std::variant<OperationCall, RpcError> readRemoteCall(const RpcRequest& request) {
    const RemoteOperation* operation = packet::findRemoteOperation(request.method);
    if (!operation)
        return RpcError{rpc::kMethodNotFound,
                        formatMessage(msg::kMethodNotFound, {echoed(request.method)}),
                        {}};
    try {
        OperationCall call(*operation);
        readParams(call, request);
        return call;
    } catch (const InvalidParams& e) {
        return RpcError{rpc::kInvalidParams, e.what(), {}};
    } catch (const std::exception& e) {
        return RpcError{rpc::kInternalError, std::string("Internal error: ") + e.what(), {}};
    }
}

std::variant<std::string, RpcError> runRemoteCall(TAZORVANIL& object, OperationCall& call) {
    const RemoteOperation& operation = call.operation();
    try {
        CallStatus status = kBindings[&operation - packet::kRemoteOperations].call(object, call);
        if (!status.ok()) return failureError(status);
        return call.answer();
    } catch (const std::exception& e) {
        // Encoding the answer failed; the operation itself catches its own errors.
        return RpcError{rpc::kInternalError, std::string("Internal error: ") + e.what(), {}};
    }
}

}  // namespace zorvanil::net
