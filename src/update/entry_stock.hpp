#pragma once

#include "server/resolver/delta_record.hpp"

namespace zorvanil::server {
class TAZORVANIL;
}

namespace zorvanil::update {

// Posts one changed line of a goods-in entry to stock, by the kind of its change: goods come in.
// The article's count in ALMACEN moves by the line's quantity (a new line of an article whose
// stock is not tracked moves nothing), a stock-tracked article without an ALMACEN row gets one
// holding the quantity, and an article left at or below its alert level raises the goods-in
// alert alone. The bar codes' counts do not move.
void PostEntryLineStock(server::TAZORVANIL& module, const server::DeltaRecord& line,
                        server::UpdateKind kind);

}  // namespace zorvanil::update
