#pragma once

#include "server/handler_table.hpp"

namespace zorvanil::update {

// The invoice number of DSPQ_FACTURAS: each new invoice row takes a number freed by a deleted
// invoice of its company, else the company's next number, before the row is written; the apply
// returns the last number given as its owner data. Neither source of numbers is advanced here.
void registerInvoiceNumberHandlers(server::HandlerTable& table);

}  // namespace zorvanil::update
