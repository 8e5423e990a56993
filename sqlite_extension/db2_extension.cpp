// The DB2 compatibility functions of the embedded driver as a loadable SQLite extension, for
// connections that SQLite's own ODBC driver opens ("LoadExt=" in the data source).
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

#include "db/db2_functions.hpp"

extern "C" __attribute__((visibility("default"))) int sqlite3_extension_init(
    sqlite3* db, char** error, const sqlite3_api_routines* api) {
    SQLITE_EXTENSION_INIT2(api);
    const int rc = zorvanil::db::addDb2Functions(db);
    if (rc != SQLITE_OK && error) *error = sqlite3_mprintf("%s", sqlite3_errmsg(db));
    return rc;
}
