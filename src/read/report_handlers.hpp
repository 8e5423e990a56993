#pragma once

#include "server/handler_table.hpp"

namespace zorvanil::read {

// The before-read and after-read handlers of the report, listing and pending-order providers and
// of the invoice register.
void registerReportHandlers(server::HandlerTable& table);

}  // namespace zorvanil::read
