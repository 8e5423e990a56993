#pragma once

#include <cstdint>

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
    // The transaction of the command channel.
    db::TransactionDesc CommandTransaction;
};

}  // namespace zorvanil::server
