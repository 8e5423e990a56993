#pragma once

#include "server/handler_table.hpp"

namespace zorvanil::app {

// Every handler of the server object, by the names the catalogue binds.
const server::HandlerTable& zorvanilHandlers();

}  // namespace zorvanil::app
