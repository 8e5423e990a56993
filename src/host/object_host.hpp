#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "catalogue/catalogue.hpp"
#include "host/activity_board.hpp"
#include "host/memory_trim.hpp"
#include "host/object_count.hpp"
#include "net/object_factory.hpp"
#include "net/server_activity.hpp"
#include "server/handler_table.hpp"
#include "server/server_environment.hpp"

namespace zorvanil::host {

using net::HostedObject;

// Builds and destroys the server objects of the process from one catalogue and handler table, and
// keeps their count. Each object is built, used and destroyed on the thread of its connection,
// which is the object's own: the calls below run on that thread.
class ObjectHost : public net::ObjectFactory {
  public:
    ObjectHost(const catalogue::Catalogue& catalogue, const server::HandlerTable& handlers,
               std::shared_ptr<server::ServerEnvironment> environment);
    ObjectHost(const ObjectHost&) = delete;
    ObjectHost& operator=(const ObjectHost&) = delete;

    // Runs, on the thread of the object whose destruction brings the count to zero.
    void setLastReleaseHandler(std::function<void()> handler);

    // Builds an object for the connection; the construction error (a connection that cannot be
    // opened, for instance) is thrown as it came.
    // Its activity is kept on the board until it is destroyed.
    HostedObject build(std::uint64_t connectionId, std::string_view peer = {}) override;
    // Destroys the object, which closes its database connection; nothing when there is none.
    // What it freed goes back to the system once no object has gone for a moment.
    void destroy(HostedObject& hosted) override;

    int liveObjects() const { return count_.value(); }
    server::ServerEnvironment& environment() { return *environment_; }
    const ActivityBoard& board() const { return board_; }
    const net::ServerActivity& activity() const { return activity_; }

  private:
    const catalogue::Catalogue& catalogue_;
    const server::HandlerTable& handlers_;
    std::shared_ptr<server::ServerEnvironment> environment_;
    ObjectCount count_;
    std::function<void()> lastRelease_;
    std::mutex mutex_;
    std::uint64_t nextObjectId_ = 1;
    MemoryTrim trim_;
    net::ServerActivity activity_;
    ActivityBoard board_;
};

}  // namespace zorvanil::host
