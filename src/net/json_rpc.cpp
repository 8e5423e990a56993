#include "net/json_rpc.hpp"

#include <cmath>

#include <boost/json/serialize.hpp>

#include "packet/json_parser.hpp"

namespace zorvanil::net {

namespace json = boost::json;

namespace {

ParsedMessage failure(std::int32_t code, std::string message, json::value id = nullptr) {
    ParsedMessage parsed;
    parsed.error = {code, std::move(message), std::nullopt};
    parsed.errorId = std::move(id);
    return parsed;
}

// A number beyond every 64-bit integer is refused: it reads as a double that no longer names the
// number sent (or as an infinity, which JSON cannot write back at all), so no answer could name it.
bool validId(const json::value& id) {
    if (id.is_double())
        return std::isfinite(id.get_double()) && id.get_double() > -0x1p63 &&
               id.get_double() < 0x1p64;
    return id.is_null() || id.is_string() || id.is_int64() || id.is_uint64();
}

}  // namespace

ParsedMessage parseRequest(std::string_view text, json::storage_ptr storage) {
    boost::system::error_code ec;
    json::value message = packet::parseJson(text, ec, std::move(storage));
    if (ec) return failure(rpc::kParseError, "Parse error: " + ec.message());
    if (message.is_array())
        return failure(rpc::kInvalidRequest, "Invalid Request: batch requests are not supported");
    if (!message.is_object())
        return failure(rpc::kInvalidRequest, "Invalid Request: the message is not an object");
    json::object& o = message.get_object();

    // Built in the message's storage, so that the params move over instead of being copied.
    RpcRequest request{json::value(message.storage()), false, {}, json::value(message.storage())};
    const json::value* id = o.if_contains("id");
    request.notification = id == nullptr;
    if (id) {
        if (!validId(*id))
            return failure(rpc::kInvalidRequest,
                           "Invalid Request: \"id\" must be a number, a string or null");
        request.id = *id;
    }
    const json::value* version = o.if_contains("jsonrpc");
    if (!version || !version->is_string() || version->get_string() != "2.0")
        return failure(rpc::kInvalidRequest, "Invalid Request: \"jsonrpc\" must be \"2.0\"",
                       request.id);
    const json::value* method = o.if_contains("method");
    if (!method || !method->is_string())
        return failure(rpc::kInvalidRequest, "Invalid Request: \"method\" must be a string",
                       request.id);
    request.method = std::string(method->get_string());
    if (json::value* params = o.if_contains("params")) {
        if (!params->is_object() && !params->is_array())
            return failure(rpc::kInvalidRequest,
                           "Invalid Request: \"params\" must be an object or an array", request.id);
        request.params = std::move(*params);
    }
    ParsedMessage parsed;
    parsed.request = std::move(request);
    return parsed;
}

std::string resultMessage(const json::value& id, json::value result) {
    return resultMessage(id, json::serialize(result));
}

std::string resultMessage(const json::value& id, std::string_view resultJson) {
    std::string idJson = json::serialize(id);
    std::string message;
    message.reserve(resultJson.size() + idJson.size() + 32);
    message += R"({"jsonrpc":"2.0","result":)";
    message += resultJson;
    message += R"(,"id":)";
    message += idJson;
    message += '}';
    return message;
}

std::string errorMessage(const json::value& id, const RpcError& error) {
    json::object e;
    e["code"] = error.code;
    e["message"] = error.message;
    if (error.data) e["data"] = *error.data;
    json::object o;
    o["jsonrpc"] = "2.0";
    o["error"] = std::move(e);
    o["id"] = id;
    return json::serialize(o);
}

}  // namespace zorvanil::net
