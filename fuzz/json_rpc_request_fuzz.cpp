// A WebSocket text frame as the server reads it: a JSON-RPC request, or the error it is answered
// with. A request written out again must read as the same request, and every answer, an error or
// a result, must be JSON that names the request's id. Each packet of its params left to be read
// from the text is an object there, and an empty one in the params.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <boost/json/serialize.hpp>

#include "net/json_rpc.hpp"
#include "packet/json_parser.hpp"
#include "round_trip.hpp"

namespace json = boost::json;
using namespace zorvanil;

namespace {

// Whether a value holds an infinity, which boost::json::serialize writes as no JSON number
// ("Infinity"); the server never writes a request back, and writes infinities as 1e99999.
bool holdsInfinity(const json::value& v) {
    if (v.is_double()) return std::isinf(v.get_double());
    if (v.is_array())
        for (const json::value& item : v.get_array())
            if (holdsInfinity(item)) return true;
    if (v.is_object())
        for (const auto& member : v.get_object())
            if (holdsInfinity(member.value())) return true;
    return false;
}

// The request written out again; its id goes back as the text it was read from.
std::string written(const net::RpcRequest& request) {
    json::object o;
    o["jsonrpc"] = "2.0";
    o["method"] = request.method;
    if (!request.params.is_null()) o["params"] = request.params;
    std::string text = json::serialize(o);
    if (!request.notification) {
        text.pop_back();
        text += R"(,"id":)" + request.id + "}";
    }
    return text;
}

// An answer must read as JSON and end with the id as the request wrote it.
void expectAnswerNames(const char* what, const std::string& id, const std::string& answer) {
    boost::system::error_code ec;
    packet::parseJson(answer, ec);
    fuzz::expectSame("an answer read as JSON", "no error", ec ? ec.message() : "no error");
    const std::string end = R"(,"id":)" + id + "}";
    const bool named = answer.size() >= end.size() && answer.ends_with(end);
    fuzz::expectSame(what, end, named ? end : answer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    net::ParsedMessage parsed = net::parseRequest(text);
    if (!parsed.request) {
        expectAnswerNames("the id of an error answer", parsed.errorId,
                          net::errorMessage(parsed.errorId, parsed.error));
        return 0;
    }
    const net::RpcRequest& request = *parsed.request;
    expectAnswerNames("the id of a result", request.id,
                      net::resultMessage(request.id, std::string_view("null")));
    expectAnswerNames("the id of an error answer", request.id,
                      net::errorMessage(request.id, {net::rpc::kInternalError, "x", {}}));

    for (const auto& [name, object] : request.objectTexts) {
        boost::system::error_code ec;
        const json::value value = packet::parseJson(object, ec);
        fuzz::expectSame("a packet's text", "an object",
                         !ec && value.is_object() ? "an object" : object);
        const json::value* member = request.params.as_object().if_contains(name);
        fuzz::expectSame("a packet's place in params", "{}",
                         member ? json::serialize(*member) : "none");
    }

    if (const json::object* params = request.params.if_object())
        for (const auto& member : *params)
            if (member.value().is_object())
                fuzz::expectSame("a packet in params", "its text",
                                 request.objectText(member.key()).empty() ? "none" : "its text");

    if (holdsInfinity(request.params)) return 0;
    const std::string again = written(request);
    net::ParsedMessage reread = net::parseRequest(again);
    fuzz::expectSame("a request written out", "a request", reread.request ? "a request" : again);
    fuzz::expectSame("a request written out", again, written(*reread.request));
    return 0;
}
