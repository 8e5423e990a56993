#include "net/json_rpc.hpp"

#include <algorithm>

#include <boost/json/serialize.hpp>

#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"
#include "net/json_members.hpp"
#include "packet/json_parser.hpp"

namespace zorvanil::net {

namespace json = boost::json;

namespace {

ParsedMessage failure(std::int32_t code, std::string message, std::string id = "null") {
    ParsedMessage parsed;
    parsed.error = {code, std::move(message), std::nullopt};
    parsed.errorId = std::move(id);
    return parsed;
}

bool validId(const json::value& id) {
    return id.is_null() || id.is_string() || id.is_int64() || id.is_uint64() || id.is_double();
}

}  // namespace

std::string_view RpcRequest::objectText(std::string_view name) const {
    for (const auto& [member, text] : objectTexts)
        if (member == name) return text;
    return {};
}

ParsedMessage parseRequest(std::string_view text, json::storage_ptr storage) {
    boost::system::error_code ec;
    // A packet in params is read from its text later, straight into the packet: parsed here, its
    // JSON would be held beside the packet while that is read, twice the text over.
    json::value message =
        packet::JsonParser().parseLeavingOut(text, "params", ec, std::move(storage));
    if (ec) return failure(rpc::kParseError, formatMessage(msg::kParseError, {ec.message()}));
    if (message.is_array()) return failure(rpc::kInvalidRequest, msg::kBatchRequest);
    if (!message.is_object()) return failure(rpc::kInvalidRequest, msg::kRequestNotObject);
    json::object& o = message.get_object();
    const JsonMembers members = scanJsonMembers(text);

    // Built in the message's storage, so that the params move over instead of being copied.
    RpcRequest request{"null", false, {}, json::value(message.storage())};
    const json::value* id = o.if_contains("id");
    request.notification = id == nullptr;
    if (id) {
        if (!validId(*id)) return failure(rpc::kInvalidRequest, msg::kInvalidId);
        // Of two ids neither is the one to answer with.
        const auto ids = std::count_if(members.top.begin(), members.top.end(),
                                       [](const auto& m) { return m.first == "id"; });
        if (ids == 1) request.id = std::string(members.valueText("id"));
    }
    if (!members.repeated.empty())
        return failure(rpc::kInvalidRequest,
                       formatMessage(msg::kRepeatedMember, {echoed(members.repeated)}), request.id);
    const json::value* version = o.if_contains("jsonrpc");
    if (!version || !version->is_string() || version->get_string() != "2.0")
        return failure(rpc::kInvalidRequest, msg::kInvalidVersion, request.id);
    const json::value* method = o.if_contains("method");
    if (!method || !method->is_string())
        return failure(rpc::kInvalidRequest, msg::kInvalidMethod, request.id);
    request.method = std::string(method->get_string());
    if (json::value* params = o.if_contains("params")) {
        if (!params->is_object() && !params->is_array())
            return failure(rpc::kInvalidRequest, msg::kInvalidParams, request.id);
        request.params = std::move(*params);
        for (const auto& [name, value] : members.params)
            if (value.starts_with('{')) request.objectTexts.emplace_back(name, value);
    }
    ParsedMessage parsed;
    parsed.request = std::move(request);
    return parsed;
}

std::string resultMessage(std::string_view id, json::value result) {
    return resultMessage(id, json::serialize(result));
}

std::string resultMessage(std::string_view idJson, std::string_view resultJson) {
    std::string message;
    message.reserve(resultJson.size() + idJson.size() + 32);
    message += R"({"jsonrpc":"2.0","result":)";
    message += resultJson;
    message += R"(,"id":)";
    message += idJson;
    message += '}';
    return message;
}

std::string errorMessage(std::string_view id, const RpcError& error) {
    json::object e;
    e["code"] = error.code;
    e["message"] = error.message;
    if (error.data) e["data"] = *error.data;
    std::string message = R"({"jsonrpc":"2.0","error":)";
    message += json::serialize(e);
    message += R"(,"id":)";
    message += id;
    message += '}';
    return message;
}

}  // namespace zorvanil::net
