#pragma once

#include "db/driver.hpp"

namespace zorvanil::db {

// The driver for databases reached through unixODBC, DB2 through IBM's CLI/ODBC driver in
// production. The database alias names the data source, which is opened with SQLConnect and the
// user and password; an alias that holds a "=" is a connection string instead ("DRIVER=...;
// DATABASE=..."), opened with SQLDriverConnect, the user and password added as UID and PWD.
// Transactions are manual commits at the connection's isolation level; outside them every
// statement commits on its own.
class OdbcDriver : public Driver {
  public:
    std::unique_ptr<DriverConnection> connect(const ConnectRequest& request) override;
};

}  // namespace zorvanil::db
