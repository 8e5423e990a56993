#include "support/loopback_http.hpp"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

namespace zorvanil::test {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

HttpAnswer httpAsk(std::uint16_t port, http::verb verb, const std::string& target,
                   const std::optional<std::string>& key) {
    asio::io_context io;
    asio::ip::tcp::resolver resolver(io);
    beast::tcp_stream stream(io);
    stream.connect(resolver.resolve("127.0.0.1", std::to_string(port)));
    http::request<http::empty_body> request(verb, target, 11);
    request.set(http::field::host, "127.0.0.1");
    if (key) request.set("X-Access-Key", *key);
    http::write(stream, request);
    beast::flat_buffer buffer;
    http::response<http::string_body> response;
    http::read(stream, buffer, response);
    return {response.result_int(), std::string(response[http::field::content_type]),
            response.body()};
}

std::uint16_t freePort() {
    asio::io_context io;
    asio::ip::tcp::acceptor acceptor(io, {asio::ip::make_address("127.0.0.1"), 0});
    return acceptor.local_endpoint().port();
}

}  // namespace zorvanil::test
