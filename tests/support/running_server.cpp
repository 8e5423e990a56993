#include "support/running_server.hpp"

#include <string_view>

#include "app/zorvanil_handlers.hpp"
#include "catalogue/zorvanil_catalogue.hpp"

namespace zorvanil::test {

namespace {

// The shop's handlers, with DSPQ_MAXIMO's before-read handler replaced by a wait at the gate.
server::HandlerTable gatedHandlers(std::shared_ptr<Gate> gate) {
    constexpr std::string_view kGated = "DSPQ_MAXIMOBeforeGetRecords";
    server::HandlerTable table;
    table.add(std::string(kGated),
              server::RemoteEventHandler([gate](server::TAZORVANIL&, server::DataSetProvider&,
                                                Variant&) { gate->pass(); }));
    const server::HandlerTable& all = app::zorvanilHandlers();
    for (const std::string& name : all.names())
        if (name != kGated) table.add(name, *all.findAny(name));
    return table;
}

}  // namespace

RunningServer::RunningServer(net::NetOptions options, host::StartMode mode,
                             const std::function<void(host::HostSettings&)>& adjust)
    : handlers(gatedHandlers(gate)) {
    host::HostSettings settings;
    settings.mode = mode;
    settings.net = std::move(options);
    settings.net.port = 0;
    settings.net.ioThreads = 1;
    settings.handleSignals = false;
    settings.shutdownGrace = std::chrono::seconds(10);
    if (adjust) adjust(settings);
    host = std::make_unique<host::Host>(settings, catalogue::zorvanilCatalogue(), handlers,
                                        db.environment());
    host->start();
    waiter = std::thread([this] {
        host->wait();
        ended = true;
    });
}

RunningServer::~RunningServer() {
    gate->open();
    host->requestStop("the test is over");
    waiter.join();
}

std::unique_ptr<client::Client> RunningServer::connect(bool create) {
    auto c = std::make_unique<client::Client>(address());
    if (create) c->createObject();
    return c;
}

}  // namespace zorvanil::test
