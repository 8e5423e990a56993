#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace zorvanil::server {
class TAZORVANIL;
}

namespace zorvanil::net {

class ObjectActivity;

// A server object built for a connection, with the number that names it in the log and what it
// is doing (none when its factory keeps no account of it).
struct HostedObject {
    std::uint64_t id = 0;
    std::unique_ptr<server::TAZORVANIL> object;
    std::shared_ptr<ObjectActivity> activity;

    HostedObject();
    HostedObject(HostedObject&&) noexcept;
    HostedObject& operator=(HostedObject&&) noexcept;
    ~HostedObject();
    explicit operator bool() const { return object != nullptr; }
};

// Builds and destroys the server objects of the connections. A connection calls both on its own
// thread, which is its object's own.
class ObjectFactory {
  public:
    virtual ~ObjectFactory() = default;

    // Builds an object for the connection; the construction error (a connection that cannot be
    // opened, for instance) is thrown as it came.
    // `peer` is the client's address and port.
    virtual HostedObject build(std::uint64_t connectionId, std::string_view peer = {}) = 0;
    // Destroys the object, which closes its database connection; nothing when there is none.
    virtual void destroy(HostedObject& hosted) = 0;
};

}  // namespace zorvanil::net
