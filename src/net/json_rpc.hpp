#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <boost/json/object.hpp>
#include <boost/json/value.hpp>

namespace zorvanil::net {

// The error codes of JSON-RPC 2.0, and the ones this server adds in the range the protocol leaves
// to servers. A failed remote operation answers with its failure status instead.
namespace rpc {
inline constexpr std::int32_t kParseError = -32700;
inline constexpr std::int32_t kInvalidRequest = -32600;
inline constexpr std::int32_t kMethodNotFound = -32601;
inline constexpr std::int32_t kInvalidParams = -32602;
inline constexpr std::int32_t kInternalError = -32603;
// A connection exceeded its message rate.
inline constexpr std::int32_t kRateLimited = -32001;
// The access key in CreateObject is missing or wrong.
inline constexpr std::int32_t kAccessDenied = -32003;
// A call that needs the connection's object came before CreateObject or after Release.
inline constexpr std::int32_t kNoObject = -32004;
// CreateObject on a connection that already holds an object.
inline constexpr std::int32_t kObjectExists = -32005;
// The server is shutting down and builds no more objects.
inline constexpr std::int32_t kShuttingDown = -32006;
}  // namespace rpc

// The status a CreateObject of an unknown class answers with ("Class not registered").
inline constexpr std::int32_t kClassNotRegistered = static_cast<std::int32_t>(0x80040154u);

// One JSON-RPC request, checked for its shape.
struct RpcRequest {
    // The id as its JSON text, exactly as the request wrote it (a number keeps every digit);
    // "null" when the request carried none or a null one.
    std::string id = "null";
    bool notification = false;
    std::string method;
    // Null when absent. A member whose value is an object (a packet) holds an empty object in its
    // place: the packet is read from its text, in `objectTexts`, when the call's arguments are.
    boost::json::value params;
    // The text of each member of params whose value is an object, by name: views into the
    // message's text, which must stay until the call's arguments have been read.
    std::vector<std::pair<std::string, std::string_view>> objectTexts{};

    // The text of the object that the member `name` of params holds; empty when it holds none.
    std::string_view objectText(std::string_view name) const;
};

// An error answer: code, message and the optional data member.
struct RpcError {
    std::int32_t code = rpc::kInternalError;
    std::string message;
    std::optional<boost::json::object> data;
};

// Parsing a message either gives a request or the error to answer with; the id of that answer is
// the request's id when it could be read, else null. A request whose objects name a member twice
// is refused: which of the two was meant cannot be told.
struct ParsedMessage {
    std::optional<RpcRequest> request;
    RpcError error;
    std::string errorId = "null";
};
// Its values live in `storage` (the default heap when none is given). The packets in params are
// not parsed into it: see RpcRequest::params.
ParsedMessage parseRequest(std::string_view text, boost::json::storage_ptr storage = {});

// Answers to the request whose id is the JSON text `id`.
std::string resultMessage(std::string_view id, boost::json::value result);
// The same with the result already written as JSON text.
std::string resultMessage(std::string_view id, std::string_view resultJson);
std::string errorMessage(std::string_view id, const RpcError& error);

}  // namespace zorvanil::net
