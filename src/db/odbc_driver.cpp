#include "db/odbc_driver.hpp"

#include "db/odbc_connection.hpp"

namespace zorvanil::db {

std::unique_ptr<DriverConnection> OdbcDriver::connect(const ConnectRequest& request) {
    return std::make_unique<OdbcConnection>(request);
}

}  // namespace zorvanil::db
