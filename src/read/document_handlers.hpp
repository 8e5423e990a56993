#pragma once

#include "server/handler_table.hpp"

namespace zorvanil::read {

// The before-read and after-read handlers of the master/detail document providers: a page of
// headers, each carrying all of its lines.
void registerDocumentHandlers(server::HandlerTable& table);

}  // namespace zorvanil::read
