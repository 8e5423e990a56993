#pragma once

#include "server/handler_table.hpp"

namespace zorvanil::update {

// The command channel (DSPQ_ACTUALIZAR): each client command runs in a transaction of its own whose
// identifier the client chooses in the owner data, or -1 to roll back the transaction an earlier
// failed command left open. Also the update-error handlers that drop failed deletions and skip
// failed modifications.
void registerCommandChannelHandlers(server::HandlerTable& table);

}  // namespace zorvanil::update
