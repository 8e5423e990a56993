#pragma once

#include <optional>
#include <string>

#include "common/error.hpp"
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

    // Connects once and lets go, to learn whether the data source can serve at all: throws the
    // OdbcSetupError of a data source the driver manager does not know or whose driver it cannot
    // load; any other failure (a database that is down, a wrong password) is the database's
    // business at each object's connection, and is returned as its text.
    static std::optional<std::string> probe(const ConnectRequest& request);
};

// The data source is unknown or its driver cannot be loaded: no connection to it can succeed
// until the ODBC configuration of the machine changes.
class OdbcSetupError : public DatabaseError {
  public:
    using DatabaseError::DatabaseError;
};

}  // namespace zorvanil::db
