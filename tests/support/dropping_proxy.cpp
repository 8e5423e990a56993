#include "support/dropping_proxy.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace zorvanil::test {

namespace {

int connectTo(const client::ServerAddress& target) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(target.port);
    ::inet_pton(AF_INET, target.host.c_str(), &address.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

DroppingProxy::DroppingProxy(std::vector<client::ServerAddress> targets, std::string marker)
    : targets_(std::move(targets)), marker_(std::move(marker)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        throw std::runtime_error("the proxy cannot listen");
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

DroppingProxy::~DroppingProxy() {
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    ::close(listener_);
    acceptor_.join();
    for (std::thread& t : connections_)
        t.join();
}

void DroppingProxy::acceptLoop() {
    std::size_t accepted = 0;
    while (!stopping_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0) continue;
        const client::ServerAddress& target = targets_[std::min(accepted, targets_.size() - 1)];
        ++accepted;
        connections_.emplace_back([this, client, target] { forward(client, target); });
    }
}

// Both directions in one loop; bytes from the server are looked through for the marker, with the
// end of the previous read, so that a marker split between two reads is found as well.
void DroppingProxy::forward(int client, client::ServerAddress target) {
    const int server = connectTo(target);
    std::string tail;
    while (server >= 0 && !stopping_) {
        pollfd p[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        if (::poll(p, 2, 50) <= 0) continue;
        char buffer[64 * 1024];
        if (p[0].revents) {
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0 || !sendAll(server, buffer, static_cast<std::size_t>(n))) break;
        }
        if (p[1].revents) {
            const ssize_t n = ::recv(server, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            const std::string seen = tail + std::string(buffer, static_cast<std::size_t>(n));
            if (!dropped_ && seen.find(marker_) != std::string::npos) {
                dropped_ = true;
                break;
            }
            tail = seen.substr(seen.size() > marker_.size() ? seen.size() - marker_.size() : 0);
            if (!sendAll(client, buffer, static_cast<std::size_t>(n))) break;
        }
    }
    // A reset rather than a close handshake: the client sees its connection drop.
    linger hard{1, 0};
    ::setsockopt(client, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    ::close(client);
    if (server >= 0) ::close(server);
}

}  // namespace zorvanil::test
