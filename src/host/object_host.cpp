#include "host/object_host.hpp"

#include <thread>

#include <spdlog/logger.h>

#include "common/error.hpp"
#include "server/remote_data_module.hpp"

namespace zorvanil::host {

ObjectThread::ObjectThread(ObjectHost& host, std::uint64_t objectId, std::uint64_t connectionId)
    : host_(host), objectId_(objectId), connectionId_(connectionId) {}

ObjectThread::~ObjectThread() = default;

bool ObjectThread::post(Call call) {
    {
        std::lock_guard lock(mutex_);
        if (closing_) return false;
        calls_.push_back(std::move(call));
    }
    wake_.notify_one();
    return true;
}

void ObjectThread::release(std::function<void()> done) {
    {
        std::lock_guard lock(mutex_);
        if (closing_) return;
        closing_ = true;
        afterRelease_ = std::move(done);
    }
    wake_.notify_one();
}

void ObjectThread::abandon() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        dropQueued_ = true;
        afterRelease_ = nullptr;
    }
    wake_.notify_one();
}

void ObjectThread::run(std::function<void(const CreationOutcome&)> created) {
    CreationOutcome outcome;
    outcome.objectId = objectId_;
    try {
        object_ = host_.build(objectId_);
        outcome.created = true;
        host_.objectBuilt(objectId_, connectionId_);
    } catch (const Error& e) {
        outcome.failure = {e.status() < 0 ? e.status() : kGeneralFailure, e.what(),
                           e.helpContext()};
    } catch (const std::exception& e) {
        outcome.failure = {kGeneralFailure, e.what(), 0};
    }
    if (!outcome.created) {
        host_.environment_->logger->warn("object {} for connection {} could not be built: {}",
                                         objectId_, connectionId_, outcome.failure.message);
        // Calls queued meanwhile are answered without an object; then the thread ends.
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    created(outcome);

    // The message loop: one call at a time, in the order queued, until the object is released.
    for (;;) {
        Call call;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return closing_ || !calls_.empty(); });
            if (dropQueued_) calls_.clear();
            if (calls_.empty()) break;
            call = std::move(calls_.front());
            calls_.pop_front();
        }
        call(object_.get());
    }
    destroyObject();
    std::function<void()> done;
    {
        std::lock_guard lock(mutex_);
        done = std::move(afterRelease_);
    }
    if (done) done();
}

void ObjectThread::destroyObject() {
    if (!object_) return;
    object_.reset();
    host_.objectDestroyed(objectId_);
}

ObjectHost::ObjectHost(const catalogue::Catalogue& catalogue, const server::HandlerTable& handlers,
                       std::shared_ptr<server::ServerEnvironment> environment)
    : catalogue_(catalogue), handlers_(handlers), environment_(std::move(environment)) {}

ObjectHost::~ObjectHost() {
    std::unique_lock lock(mutex_);
    threadsChanged_.wait(lock, [&] { return threads_ == 0; });
}

void ObjectHost::setLastReleaseHandler(std::function<void()> handler) {
    lastRelease_ = std::move(handler);
}

std::shared_ptr<ObjectThread> ObjectHost::start(
    std::uint64_t connectionId, std::function<void(const CreationOutcome&)> created) {
    std::uint64_t objectId;
    {
        std::lock_guard lock(mutex_);
        objectId = nextObjectId_++;
        ++threads_;
    }
    auto thread = std::make_shared<ObjectThread>(*this, objectId, connectionId);
    try {
        std::thread([this, thread, created = std::move(created)]() mutable {
            thread->run(std::move(created));
            thread.reset();
            threadEnded();
        }).detach();
    } catch (...) {
        threadEnded();
        throw;
    }
    return thread;
}

std::unique_ptr<server::TAZORVANIL> ObjectHost::build(std::uint64_t objectId) {
    // Each object gets the process's environment with its own connection identifier, which tells
    // its statements apart in the trace.
    auto environment = std::make_shared<server::ServerEnvironment>(*environment_);
    environment->connection.connectionId = objectId;
    return std::make_unique<server::TAZORVANIL>(catalogue_, handlers_, std::move(environment));
}

void ObjectHost::objectBuilt(std::uint64_t objectId, std::uint64_t connectionId) {
    int live = count_.increment();
    environment_->logger->info("object {} created for connection {}; {} live", objectId,
                               connectionId, live);
}

void ObjectHost::objectDestroyed(std::uint64_t objectId) {
    int live = count_.decrement();
    environment_->logger->info("object {} destroyed; {} live", objectId, live);
    if (live == 0 && lastRelease_) lastRelease_();
}

void ObjectHost::threadEnded() {
    // Notified under the lock: a waiting destructor cannot run before this thread lets go.
    std::lock_guard lock(mutex_);
    --threads_;
    threadsChanged_.notify_all();
}

int ObjectHost::liveThreads() const {
    std::lock_guard lock(mutex_);
    return threads_;
}

bool ObjectHost::waitForThreads(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (timeout == std::chrono::milliseconds::max()) {
        threadsChanged_.wait(lock, [&] { return threads_ == 0; });
        return true;
    }
    return threadsChanged_.wait_for(lock, timeout, [&] { return threads_ == 0; });
}

}  // namespace zorvanil::host
