#pragma once

#include "server/resolver/delta_record.hpp"

namespace zorvanil::server {
class TAZORVANIL;
}

namespace zorvanil::update {

// Posts one changed line of a delivery note, invoice, goods-out note or ticket to stock, by the
// kind of its change: goods leave the shop. The article's count in ALMACEN moves by the line's
// quantity, the bar code's counts in ALMACENDETALLE and ALMACENDETALLE2 move with it, a
// stock-tracked article without an ALMACEN row gets one, and an article left at or below its
// alert level raises the stock alert of every document kind.
//
// The line is read through the readings of its change: the value, the old value (before the
// change) and the new value (unassigned where a modification leaves the field). So a modification
// of the quantity alone moves the bar code's counts only when it sets the bar code too; one to
// quantity 0 posts nothing.
void PostLineStock(server::TAZORVANIL& module, const server::DeltaRecord& line,
                   server::UpdateKind kind);

}  // namespace zorvanil::update
