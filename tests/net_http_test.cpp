#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <spdlog/logger.h>
#include <spdlog/sinks/ringbuffer_sink.h>
#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include "app/zorvanil_handlers.hpp"
#include "catalogue/zorvanil_catalogue.hpp"
#include "host/object_host.hpp"
#include "net/net_server.hpp"
#include "server/server_environment.hpp"

namespace zorvanil::test {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

// Sends the raw request on a connection of its own; the answer's status, or 0 when the server
// closed the connection without answering.
unsigned exchange(std::uint16_t port, const std::string& request) {
    asio::io_context io;
    asio::ip::tcp::socket socket(io);
    socket.connect({asio::ip::make_address("127.0.0.1"), port});
    asio::write(socket, asio::buffer(request));
    beast::flat_buffer buffer;
    http::response<http::string_body> response;
    beast::error_code ec;
    http::read(socket, buffer, response, ec);
    return ec ? 0 : response.result_int();
}

// Every HTTP error answer, and every request too malformed to answer, leaves a warning in the
// log; a page served does not.
TEST(NetHttp, EveryErrorAnswerLeavesALogLine) {
    auto sink = std::make_shared<spdlog::sinks::ringbuffer_sink_mt>(64);
    sink->set_pattern("%v");
    auto log = std::make_shared<spdlog::logger>("http", sink);
    log->set_level(spdlog::level::warn);
    host::ObjectHost objects(catalogue::zorvanilCatalogue(), app::zorvanilHandlers(),
                             server::ServerEnvironment::makeDefault());
    net::NetOptions options;
    options.port = 0;
    options.ioThreads = 1;
    net::NetServer server(options, objects, log, [](const net::HttpRequest& request) {
        std::optional<net::HttpReply> page;
        if (request.method != "GET") return page;
        std::string_view target = request.target;
        if (target == "/page") page = net::HttpReply{200, "text/plain", "fine\n"};
        if (target == "/teapot") page = net::HttpReply{418, "text/plain", "short and stout\n"};
        if (target == "/broken") throw std::runtime_error("the page failed");
        return page;
    });
    server.start();

    struct Case {
        std::string request;
        unsigned status;
        std::string logLine;  // after "request refused: "; empty when none is expected
    };
    const std::string end = " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    const Case cases[] = {
        {"GET /page" + end, 200, ""},
        {"GET /nothing" + end, 404, "HTTP GET /nothing: 404 Not found"},
        {"POST /page" + end, 405, "HTTP POST /page: 405 Method not allowed"},
        {"GET /teapot" + end, 418, "HTTP GET /teapot: 418 short and stout"},
        {"GET /broken" + end, 500, "HTTP GET /broken: 500 the page failed"},
        {"GET /other HTTP/1.1\r\nHost: x\r\nConnection: Upgrade\r\nUpgrade: websocket\r\n"
         "Sec-WebSocket-Version: 13\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n",
         404, "HTTP GET /other: 404 Not found"},
        {"G(T / HTTP/1.1\r\n\r\n", 0, "HTTP request unreadable: bad method"},
    };
    for (const Case& c : cases) {
        std::size_t before = sink->last_formatted().size();
        EXPECT_EQ(exchange(server.port(), c.request), c.status) << c.request;
        std::vector<std::string> lines = sink->last_formatted();
        if (c.logLine.empty()) {
            EXPECT_EQ(lines.size(), before) << c.request;
            continue;
        }
        ASSERT_EQ(lines.size(), before + 1) << c.request;
        EXPECT_TRUE(lines.back().ends_with(": request refused: " + c.logLine + "\n"))
            << lines.back();
    }
    server.stop();
}

}  // namespace
}  // namespace zorvanil::test
