#pragma once

#include <memory>
#include <string>
#include <thread>
#include <utility>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

#include "client/client.hpp"

namespace zorvanil::bench {

// A WebSocket server on a thread of its own that answers every message with the same bytes,
// without looking at what came: the least a WebSocket round trip can cost.
class EchoServer {
    using tcp = boost::asio::ip::tcp;

  public:
    explicit EchoServer(std::string reply)
        : reply_(std::move(reply)),
          acceptor_(io_, {boost::asio::ip::make_address("127.0.0.1"), 0}) {
        accept();
        thread_ = std::thread([this] { io_.run(); });
    }
    ~EchoServer() {
        io_.stop();
        thread_.join();
    }
    EchoServer(const EchoServer&) = delete;
    EchoServer& operator=(const EchoServer&) = delete;

    client::ServerAddress address() const {
        return {"127.0.0.1", acceptor_.local_endpoint().port()};
    }

  private:
    class Session : public std::enable_shared_from_this<Session> {
      public:
        Session(tcp::socket socket, const std::string& reply)
            : ws_(std::move(socket)), reply_(reply) {}
        void run() {
            boost::beast::error_code ignored;
            ws_.next_layer().set_option(tcp::no_delay(true), ignored);
            ws_.async_accept(boost::beast::bind_front_handler(&Session::read, shared_from_this()));
        }

      private:
        void read(boost::beast::error_code ec) {
            if (ec) return;
            ws_.async_read(buffer_,
                           boost::beast::bind_front_handler(&Session::answer, shared_from_this()));
        }
        void answer(boost::beast::error_code ec, std::size_t) {
            if (ec) return;
            buffer_.consume(buffer_.size());
            ws_.text(true);
            ws_.async_write(boost::asio::buffer(reply_),
                            [self = shared_from_this()](boost::beast::error_code written,
                                                        std::size_t) { self->read(written); });
        }

        boost::beast::websocket::stream<tcp::socket> ws_;
        boost::beast::flat_buffer buffer_;
        const std::string& reply_;
    };

    void accept() {
        acceptor_.async_accept([this](boost::beast::error_code ec, tcp::socket socket) {
            if (ec) return;
            std::make_shared<Session>(std::move(socket), reply_)->run();
            accept();
        });
    }

    std::string reply_;
    boost::asio::io_context io_{1};
    tcp::acceptor acceptor_;
    std::thread thread_;
};

}  // namespace zorvanil::bench
