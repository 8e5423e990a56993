#include "common/text.hpp"
#include "db/driver.hpp"
#include "db/odbc_driver.hpp"
#include "db/sqlite_driver.hpp"

namespace zorvanil::db {

std::unique_ptr<Driver> makeDriver(std::string_view implementation) {
    if (sameText(implementation, "sqlite")) return std::make_unique<SqliteDriver>();
    if (sameText(implementation, "odbc")) return std::make_unique<OdbcDriver>();
    return nullptr;
}

}  // namespace zorvanil::db
