#include "db/odbc_driver.hpp"

#include "db/odbc_connection.hpp"
#include "db/odbc_driver.hpp"

namespace zorvanil::db {

std::unique_ptr<DriverConnection> OdbcDriver::connect(const ConnectRequest& request) {
    return std::make_unique<OdbcConnection>(request);
}

std::optional<std::string> OdbcDriver::probe(const ConnectRequest& request) {
    try {
        OdbcConnection connection(request);
    } catch (const OdbcSetupError&) {
        throw;
    } catch (const DatabaseError& e) {
        return e.what();
    }
    return std::nullopt;
}

}  // namespace zorvanil::db
