#pragma once

#include "server/handler_table.hpp"

namespace zorvanil::update {

// The stock posting of the documents that move goods: delivery notes, invoices, goods-out notes
// and tickets (goods out), and goods-in entries (goods in). For each, the before-apply handler
// reads the posting switch from the owner data ("1": this apply posts nothing), the after-update
// handler posts each changed line, and the after-apply handler returns the document's stock-alert
// flag in the owner data.
void registerStockPostingHandlers(server::HandlerTable& table);

}  // namespace zorvanil::update
