#include "net/net_server.hpp"

#include <thread>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/beast/core/error.hpp>

#include "common/error.hpp"
#include "common/messages.hpp"
#include "net/http_session.hpp"
#include "net/server_core.hpp"
#include "net/tls_context.hpp"
#include "net/ws_session.hpp"

namespace zorvanil::net {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

struct NetServer::Runtime {
    asio::io_context io;
    tcp::acceptor acceptor{asio::make_strand(io)};
    std::vector<std::thread> threads;
};

namespace {

void accept(std::shared_ptr<NetServer::Core> core, tcp::acceptor& acceptor, asio::io_context& io) {
    acceptor.async_accept(
        asio::make_strand(io),
        [core, &acceptor, &io](boost::system::error_code ec, tcp::socket socket) {
            if (ec == asio::error::operation_aborted || !acceptor.is_open()) return;
            if (ec) {
                // Out of descriptors, most likely: wait a moment rather than spin on the error.
                core->log->warn("accepting a connection failed: {}", ec.message());
                auto pause = std::make_shared<asio::steady_timer>(acceptor.get_executor(),
                                                                  std::chrono::milliseconds(100));
                pause->async_wait([core, &acceptor, &io, pause](boost::system::error_code) {
                    if (acceptor.is_open()) accept(core, acceptor, io);
                });
                return;
            }
            bool counted = core->connections.fetch_add(1) < core->options.maxConnections;
            if (!counted) core->connections.fetch_sub(1);
            startSession(core, std::move(socket), counted);
            accept(core, acceptor, io);
        });
}

}  // namespace

NetServer::NetServer(NetOptions options, ObjectFactory& objects,
                     std::shared_ptr<spdlog::logger> logger, HttpHandler http)
    : core_(
          std::make_shared<Core>(std::move(options), objects, std::move(logger), std::move(http))),
      runtime_(std::make_unique<Runtime>()) {}

NetServer::~NetServer() {
    stop();
}

void NetServer::start() {
    boost::system::error_code ec;
    auto address = asio::ip::make_address(core_->options.address, ec);
    if (ec) raise(msg::kNotAnIpAddress, {core_->options.address});
    // The certificate and the key are read before anything listens: a server that cannot speak
    // TLS does not start.
    if (core_->options.tls)
        core_->tls = makeServerTlsContext(*core_->options.tls);
    else if (!address.is_loopback())
        core_->log->warn("{}",
                         formatMessage(msg::kClearTextBeyondLoopback, {core_->options.address}));
    tcp::endpoint endpoint(address, core_->options.port);
    tcp::acceptor& acceptor = runtime_->acceptor;
    auto check = [&](std::string_view what) {
        if (ec)
            raise(msg::kCannotServeOn, {what, core_->options.address,
                                        std::to_string(core_->options.port), ec.message()});
    };
    acceptor.open(endpoint.protocol(), ec);
    check("open");
    acceptor.set_option(asio::socket_base::reuse_address(true), ec);
    check("configure");
    acceptor.bind(endpoint, ec);
    check("bind");
    acceptor.listen(asio::socket_base::max_listen_connections, ec);
    check("listen on");
    port_ = acceptor.local_endpoint().port();
    core_->accepting = true;
    accept(core_, acceptor, runtime_->io);
    int threads = std::max(1, core_->options.ioThreads);
    for (int i = 0; i < threads; ++i)
        runtime_->threads.emplace_back([this] { runtime_->io.run(); });
}

std::uint16_t NetServer::port() const {
    return port_ ? port_ : core_->options.port;
}

std::string NetServer::endpoint() const {
    const std::string& address = core_->options.address;
    bool v6 = address.find(':') != std::string::npos;
    return (v6 ? "[" + address + "]" : address) + ":" + std::to_string(port());
}

void NetServer::stopAccepting() {
    core_->accepting = false;
}

bool NetServer::accepting() const {
    return core_->accepting;
}

bool NetServer::stop(std::chrono::milliseconds wait) {
    if (!runtime_) return true;
    stopAccepting();
    core_->stopping = true;
    asio::post(runtime_->acceptor.get_executor(), [this] {
        boost::system::error_code ec;
        runtime_->acceptor.close(ec);
    });
    core_->closeAllSessions();
    if (!core_->waitForConnectionThreads(wait)) return false;
    runtime_->io.stop();
    for (auto& t : runtime_->threads)
        if (t.joinable()) t.join();
    // Destroying the network side closes every socket that is left.
    runtime_.reset();
    return true;
}

std::size_t NetServer::connections() const {
    return core_->connections.load();
}

bool NetServer::endConnection(std::uint64_t connectionId, std::string who) {
    return core_->postToSession(
        connectionId, [who = std::move(who)](WsSession& session) { session.endByOperator(who); });
}

bool NetServer::rollbackIdleTransaction(std::uint64_t connectionId,
                                        std::chrono::milliseconds limit) {
    return core_->postToSession(
        connectionId, [limit](WsSession& session) { session.rollbackIdleTransaction(limit); });
}

}  // namespace zorvanil::net
