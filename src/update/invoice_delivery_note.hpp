#pragma once

#include "server/resolver/delta_record.hpp"

namespace zorvanil::server {
class TAZORVANIL;
}

namespace zorvanil::update {

// Whether the invoice that carries this line was made from a delivery note, which has posted the
// stock already: the invoice's company, series, year and delivery note, read from the master row
// of the change packet being applied, name a row of ALBARANES. A blank one of the four, or a line
// without a master row, names none.
bool InvoiceHasDeliveryNote(server::TAZORVANIL& module, const server::DeltaRecord& line);

}  // namespace zorvanil::update
