#pragma once

#include "server/handler_table.hpp"

namespace zorvanil::server {

// The handlers of the connection and of the module's creation: they read the configuration
// files into the connection's user name, password and database.
void registerConnectionHandlers(HandlerTable& table);

}  // namespace zorvanil::server
