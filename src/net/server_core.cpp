#include "net/server_core.hpp"

#include <vector>

#include <boost/asio/post.hpp>

#include "net/ws_session.hpp"

namespace zorvanil::net {

void ConnectionLoop::post(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    if (io_) boost::asio::post(*io_, std::move(work));
}

void ConnectionLoop::end() {
    std::lock_guard lock(mutex_);
    io_ = nullptr;
}

void NetServer::Core::addSession(std::uint64_t id, OpenSession session) {
    std::lock_guard lock(sessionsMutex);
    sessions.emplace(id, std::move(session));
}

bool NetServer::Core::postToSession(std::uint64_t id, std::function<void(WsSession&)> work) {
    OpenSession open;
    {
        std::lock_guard lock(sessionsMutex);
        auto found = sessions.find(id);
        if (found == sessions.end()) return false;
        open = found->second;
    }
    open.loop->post([weak = std::move(open.session), work = std::move(work)] {
        if (auto self = weak.lock()) work(*self);
    });
    return true;
}

void NetServer::Core::removeSession(std::uint64_t id) {
    std::lock_guard lock(sessionsMutex);
    sessions.erase(id);
}

void NetServer::Core::closeAllSessions() {
    // Each session is reached on its own thread: one held here could outlive its loop, were its
    // connection to end meanwhile, and a session must go before its loop does.
    std::vector<OpenSession> open;
    {
        std::lock_guard lock(sessionsMutex);
        for (auto& [id, s] : sessions)
            open.push_back(s);
    }
    for (OpenSession& s : open)
        s.loop->post([weak = std::move(s.session)] {
            if (auto self = weak.lock()) self->shutdown();
        });
}

bool NetServer::Core::waitForConnectionThreads(std::chrono::milliseconds timeout) {
    std::unique_lock lock(sessionsMutex);
    auto none = [&] { return connectionThreads == 0; };
    if (timeout == std::chrono::milliseconds::max()) {
        threadsChanged.wait(lock, none);
        return true;
    }
    return threadsChanged.wait_for(lock, timeout, none);
}

void NetServer::Core::connectionThreadStarted() {
    std::lock_guard lock(sessionsMutex);
    ++connectionThreads;
}

void NetServer::Core::connectionThreadEnded() {
    // Notified under the lock: a waiting server cannot go on before this thread lets go.
    std::lock_guard lock(sessionsMutex);
    --connectionThreads;
    threadsChanged.notify_all();
}

}  // namespace zorvanil::net
