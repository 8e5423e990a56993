#include "host/object_host.hpp"

#include <spdlog/logger.h>

#include "server/remote_data_module.hpp"

namespace zorvanil::host {

ObjectHost::ObjectHost(const catalogue::Catalogue& catalogue, const server::HandlerTable& handlers,
                       std::shared_ptr<server::ServerEnvironment> environment)
    : catalogue_(catalogue), handlers_(handlers), environment_(std::move(environment)) {}

void ObjectHost::setLastReleaseHandler(std::function<void()> handler) {
    lastRelease_ = std::move(handler);
}

HostedObject ObjectHost::build(std::uint64_t connectionId, std::string_view peer) {
    HostedObject hosted;
    {
        std::lock_guard lock(mutex_);
        hosted.id = nextObjectId_++;
    }
    hosted.activity = std::make_shared<net::ObjectActivity>(activity_, hosted.id, connectionId,
                                                            std::string(peer));
    // Each object gets the process's environment with its own connection identifier, which tells
    // its statements apart in the trace, and its connection tells the object's activity what it
    // sends.
    auto environment = std::make_shared<server::ServerEnvironment>(*environment_);
    environment->connection.connectionId = hosted.id;
    environment->connection.watch = hosted.activity;
    try {
        hosted.object =
            std::make_unique<server::TAZORVANIL>(catalogue_, handlers_, std::move(environment));
    } catch (const std::exception& e) {
        environment_->logger->warn("object {} for connection {} could not be built: {}", hosted.id,
                                   connectionId, e.what());
        throw;
    }
    board_.add(hosted.activity);
    int live = count_.increment();
    environment_->logger->info("object {} created for connection {}; {} live", hosted.id,
                               connectionId, live);
    return hosted;
}

void ObjectHost::destroy(HostedObject& hosted) {
    if (!hosted.object) return;
    hosted.object.reset();
    board_.remove(hosted.activity.get());
    int live = count_.decrement();
    environment_->logger->info("object {} destroyed; {} live", hosted.id, live);
    trim_.objectDestroyed();
    if (live == 0 && lastRelease_) lastRelease_();
}

}  // namespace zorvanil::host
