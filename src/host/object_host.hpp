#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "catalogue/catalogue.hpp"
#include "host/object_count.hpp"
#include "server/call_status.hpp"
#include "server/handler_table.hpp"
#include "server/server_environment.hpp"

namespace zorvanil::server {
class TAZORVANIL;
}

namespace zorvanil::host {

class ObjectHost;

// What building a server object gave: its identifier, or the construction error as a failure
// status with its message.
struct CreationOutcome {
    bool created = false;
    std::uint64_t objectId = 0;
    server::CallStatus failure;
};

// The thread of one server object. The object is built on it, every call on the object runs on
// it, one at a time in the order queued, and the object is destroyed on it; then the thread ends.
class ObjectThread : public std::enable_shared_from_this<ObjectThread> {
  public:
    // A call on the object; the object is null when it could not be built.
    using Call = std::function<void(server::TAZORVANIL* object)>;

    ObjectThread(ObjectHost& host, std::uint64_t objectId, std::uint64_t connectionId);
    ~ObjectThread();
    ObjectThread(const ObjectThread&) = delete;
    ObjectThread& operator=(const ObjectThread&) = delete;

    // Queues a call; false when the object is already being released.
    bool post(Call call);
    // After the calls already queued, destroys the object and then runs `done` on this thread.
    void release(std::function<void()> done);
    // The client is gone: calls not yet started are dropped, the one running finishes, then the
    // object is destroyed.
    void abandon();

    std::uint64_t objectId() const { return objectId_; }
    std::uint64_t connectionId() const { return connectionId_; }

  private:
    friend class ObjectHost;
    void run(std::function<void(const CreationOutcome&)> created);
    void destroyObject();

    ObjectHost& host_;
    const std::uint64_t objectId_;
    const std::uint64_t connectionId_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Call> calls_;
    bool closing_ = false;
    bool dropQueued_ = false;
    std::function<void()> afterRelease_;
    std::unique_ptr<server::TAZORVANIL> object_;  // touched only on the object's thread
};

// Builds server objects, each on a thread of its own, from one catalogue and handler table, and
// keeps the process's object count.
class ObjectHost {
  public:
    ObjectHost(const catalogue::Catalogue& catalogue, const server::HandlerTable& handlers,
               std::shared_ptr<server::ServerEnvironment> environment);
    // Waits for every object thread to end.
    ~ObjectHost();
    ObjectHost(const ObjectHost&) = delete;
    ObjectHost& operator=(const ObjectHost&) = delete;

    // Runs, on the thread of the object whose destruction brings the count to zero.
    void setLastReleaseHandler(std::function<void()> handler);

    // Starts the thread of a new object; the thread builds the object and then calls `created`
    // with the outcome. A failed object's thread ends after its queued calls.
    std::shared_ptr<ObjectThread> start(std::uint64_t connectionId,
                                        std::function<void(const CreationOutcome&)> created);

    int liveObjects() const { return count_.value(); }
    int liveThreads() const;
    // Waits until every object thread has ended; false when the time ran out first.
    bool waitForThreads(std::chrono::milliseconds timeout);
    server::ServerEnvironment& environment() { return *environment_; }

  private:
    friend class ObjectThread;
    std::unique_ptr<server::TAZORVANIL> build(std::uint64_t objectId);
    void objectBuilt(std::uint64_t objectId, std::uint64_t connectionId);
    void objectDestroyed(std::uint64_t objectId);
    void threadEnded();

    const catalogue::Catalogue& catalogue_;
    const server::HandlerTable& handlers_;
    std::shared_ptr<server::ServerEnvironment> environment_;
    ObjectCount count_;
    std::function<void()> lastRelease_;
    mutable std::mutex mutex_;
    std::condition_variable threadsChanged_;
    int threads_ = 0;
    std::uint64_t nextObjectId_ = 1;
};

}  // namespace zorvanil::host
