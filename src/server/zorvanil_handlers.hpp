#pragma once

#include "server/handler_table.hpp"

namespace zorvanil::server {

// Every handler of the server object, by the names the catalogue binds.
const HandlerTable& zorvanilHandlers();

}  // namespace zorvanil::server
