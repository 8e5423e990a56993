#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "client/client.hpp"
#include "host/host.hpp"
#include "server/handler_table.hpp"
#include "support/eventually.hpp"
#include "support/gate.hpp"
#include "support/test_server.hpp"

namespace zorvanil::test {

// A real server on a free loopback port, serving the real catalogue on a database of table T
// (kSmallTableDdl), for the transport and host tests. A call on DSPQ_MAXIMO waits at `gate`
// (in its before-read handler) until the test opens it.
struct RunningServer {
    TestDatabase db{kSmallTableDdl};
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    server::HandlerTable handlers;
    std::unique_ptr<host::Host> host;
    std::thread waiter;  // waits for the host to end, then sets `ended`
    std::atomic<bool> ended{false};

    // Starts the host; `adjust` may change its settings first.
    explicit RunningServer(net::NetOptions options = {},
                           host::StartMode mode = host::StartMode::Normal,
                           const std::function<void(host::HostSettings&)>& adjust = {});
    ~RunningServer();

    client::ServerAddress address() const { return {"127.0.0.1", host->port()}; }
    // A client connected to the server; with `create`, its server object is built too.
    std::unique_ptr<client::Client> connect(bool create = true);
};

}  // namespace zorvanil::test
