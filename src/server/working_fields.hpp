#pragma once

#include <cstdint>
#include <string>

#include "db/sql_connection.hpp"

namespace zorvanil::server {

// Private values of a server object that its handlers keep between events.
struct WorkingFields {
    // Stock-alert flags, one per document kind.
    std::int32_t AlertEntradas = 0;
    std::int32_t AlertSalida = 0;
    std::int32_t AlertAlbaran = 0;
    std::int32_t AlertFactura = 0;
    std::int32_t AlertTicket = 0;
    // The invoice number given to the last new invoice row, returned after each invoice apply.
    std::int32_t LastInvoiceNumber = 0;
    // The old value of ID_ARTICULO of the last article change, returned after each article apply.
    std::string LastArticleId;
    // The transaction of the command channel.
    db::TransactionDesc CommandTransaction;
};

}  // namespace zorvanil::server
