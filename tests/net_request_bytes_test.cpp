#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/websocket.hpp>

#include "common/messages.hpp"
#include "support/case_names.hpp"
#include "support/running_server.hpp"

namespace zorvanil::test {
namespace {

namespace asio = boost::asio;
namespace websocket = boost::beast::websocket;

// A request of `bytes` bytes (blanks before its closing brace make up the size).
std::string paddedRequest(std::string head, std::size_t bytes) {
    head.resize(std::max(bytes, head.size() + 1) - 1, ' ');
    return head + "}";
}

// A connection that speaks WebSocket itself, to see how the server closes it.
class RawConnection {
  public:
    explicit RawConnection(const client::ServerAddress& address) : ws_(io_) {
        asio::ip::tcp::resolver resolver(io_);
        asio::connect(ws_.next_layer(),
                      resolver.resolve(address.host, std::to_string(address.port)));
        ws_.handshake(address.host, "/");
    }
    // Sends the text and reads the answer: nullopt when the server closed the connection instead
    // (its close reason is then reason()).
    std::optional<std::string> exchange(const std::string& text) {
        ws_.text(true);
        boost::beast::error_code ec;
        ws_.write(asio::buffer(text), ec);
        if (ec) return std::nullopt;
        boost::beast::flat_buffer answer;
        ws_.read(answer, ec);
        if (ec) return std::nullopt;
        return boost::beast::buffers_to_string(answer.data());
    }
    const websocket::close_reason& reason() const { return ws_.reason(); }

  private:
    asio::io_context io_;
    websocket::stream<asio::ip::tcp::socket> ws_;
};

struct RequestBytesCase {
    const char* name;
    std::size_t bound;      // the server's bound on request bytes in flight (0: none)
    std::size_t heldBytes;  // a call of this size waits inside the server meanwhile (0: none)
    std::size_t sentBytes;  // the message that is then sent on another connection
    bool served;            // whether that one is answered, or its connection closed (1013)
};

void PrintTo(const RequestBytesCase& c, std::ostream* os) {
    *os << "bound " << c.bound << ", held " << c.heldBytes << ", sent " << c.sentBytes;
}

constexpr std::size_t kKiB = 1024;

const RequestBytesCase kRequestBytesCases[] = {
    {"AMessageWithinTheBoundIsServed", 64 * kKiB, 0, 30 * kKiB, true},
    {"AMessageBeyondTheBoundClosesItsConnection", 64 * kKiB, 0, 100 * kKiB, false},
    {"ACallBeingServedHoldsItsBytes", 64 * kKiB, 40 * kKiB, 30 * kKiB, false},
    {"CallsWithinTheBoundTogetherAreServed", 128 * kKiB, 40 * kKiB, 30 * kKiB, true},
    {"WithoutABoundAnyNumberOfBytes", 0, 40 * kKiB, 200 * kKiB, true},
};

class RequestBytes : public ::testing::TestWithParam<RequestBytesCase> {};

TEST_P(RequestBytes, TheServerHoldsAtMostItsBoundOfRequestBytes) {
    const RequestBytesCase& c = GetParam();
    net::NetOptions options;
    options.maxRequestBytesInFlight = c.bound;
    options.maxMessagesPerSecond = 0;
    RunningServer server(options);
    const std::string providerNames =
        paddedRequest(R"({"jsonrpc":"2.0","id":2,"method":"AS_GetProviderNames")", c.sentBytes);

    auto held = server.connect();
    if (c.heldBytes) {
        held->sendText(paddedRequest(
            R"({"jsonrpc":"2.0","id":1,"method":"AS_GetRecords","params":{"ProviderName":)"
            R"("DSPQ_MAXIMO","Count":-1,"Options":1,"CommandText":"SELECT MAX(ID) AS TOP FROM T"})",
            c.heldBytes));
        ASSERT_TRUE(server.gate->waitEntered());
    }
    RawConnection sender(server.address());
    std::optional<std::string> answer = sender.exchange(providerNames);
    if (c.served) {
        ASSERT_TRUE(answer.has_value());
        // Answered, though without an object: the message was read and parsed.
        EXPECT_NE(answer->find("\"id\":2"), std::string::npos) << *answer;
    } else {
        EXPECT_FALSE(answer.has_value()) << *answer;
        EXPECT_EQ(sender.reason().code, websocket::close_code::try_again_later);
        EXPECT_EQ(std::string(sender.reason().reason.data(), sender.reason().reason.size()),
                  msg::kRequestBytesInFlight);
    }

    // The held call is answered, and every byte went back: a message as large as the bound
    // allows is read on a new connection.
    server.gate->open();
    if (c.heldBytes) {
        EXPECT_NE(held->receiveText().find("\"id\":1"), std::string::npos);
    }
    EXPECT_EQ(held->getProviderNames().size(), 56u);
    std::size_t largest = c.bound ? c.bound : c.sentBytes;
    RawConnection later(server.address());
    EXPECT_TRUE(later
                    .exchange(paddedRequest(
                        R"({"jsonrpc":"2.0","id":3,"method":"AS_GetProviderNames")", largest))
                    .has_value());
}

INSTANTIATE_TEST_SUITE_P(Bounds, RequestBytes, ::testing::ValuesIn(kRequestBytesCases), CaseName());

}  // namespace
}  // namespace zorvanil::test
