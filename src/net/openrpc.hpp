#pragma once

#include <string>
#include <string_view>

#include <boost/json/object.hpp>

namespace zorvanil::net {

// The method that answers the description of the protocol.
inline constexpr std::string_view kDiscoverMethod = "rpc.discover";

// The OpenRPC 1.2 description of every method a connection answers: CreateObject, Release and
// the seven operations of the server object, with their params, results and error codes. The
// operations are described from their table, so that the description follows every change of it.
boost::json::object openRpcDocument();
// The same as JSON text, the answer of rpc.discover and of GET /openrpc.json.
std::string openRpcText();

}  // namespace zorvanil::net
