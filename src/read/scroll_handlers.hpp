#pragma once

#include "server/handler_table.hpp"

namespace zorvanil::read {

// The after-scroll handlers that fill the calculated names of a row, one per dataset of the
// lookup table.
void registerScrollHandlers(server::HandlerTable& table);

}  // namespace zorvanil::read
