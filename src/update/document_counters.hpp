#pragma once

#include "server/handler_table.hpp"

namespace zorvanil::update {

// The document counters of OPCIONESNUMERICAS: a new quote, payment or notice, once written,
// moves its company's and year's counter on by one.
void registerDocumentCounterHandlers(server::HandlerTable& table);

}  // namespace zorvanil::update
