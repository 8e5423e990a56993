#pragma once

#include <string>
#include <string_view>
#include <variant>

#include <boost/json/object.hpp>
#include <boost/json/value.hpp>

#include "net/json_rpc.hpp"
#include "packet/operation_call.hpp"
#include "server/call_status.hpp"

namespace zorvanil::server {
class TAZORVANIL;
}

namespace zorvanil::net {

// Whether the method is one of the seven operations of the server object.
bool isRemoteOperation(std::string_view method);

// One of the seven operations in two steps, so that the request's JSON can go before the
// operation runs. First the call's arguments are read from the request's named params (its
// packets from the message's text, which must still be there), or the error to answer with:
// params that are not an object, unknown members, missing or mistyped arguments give an
// invalid-params error.
std::variant<packet::OperationCall, RpcError> readRemoteCall(const RpcRequest& request);
// Then the call runs on the object and gives the answer as JSON text: an object holding `result`
// (absent when the operation has none or it is unassigned) and every out or in/out argument under
// its own name; or the error to answer with.
std::variant<std::string, RpcError> runRemoteCall(server::TAZORVANIL& object,
                                                  packet::OperationCall& call);

// The error answer of a failed operation: its status, its message unchanged and the error record
// (interface, source, help context).
RpcError failureError(const server::CallStatus& status);

}  // namespace zorvanil::net
