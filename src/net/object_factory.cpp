#include "net/object_factory.hpp"

#include "net/object_activity.hpp"
#include "server/remote_data_module.hpp"

namespace zorvanil::net {

HostedObject::HostedObject() = default;
HostedObject::HostedObject(HostedObject&&) noexcept = default;
HostedObject& HostedObject::operator=(HostedObject&&) noexcept = default;
HostedObject::~HostedObject() = default;

}  // namespace zorvanil::net
