#include "db/db2_functions.hpp"

// Built twice from this one source: into the embedded driver, which calls SQLite directly, and
// into the loadable extension, which reaches SQLite through the table of routines the loading
// connection hands it.
#ifdef ZORVANIL_SQLITE_EXTENSION
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT3
#else
#include <sqlite3.h>
#endif

#include <string>

#include "common/double_text.hpp"

namespace zorvanil::db {

namespace {

// DB2's CHAR(x): the character form of a number, date or text; null stays null.
void charFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc < 1) return sqlite3_result_null(ctx);
    sqlite3_value* v = argv[0];
    switch (sqlite3_value_type(v)) {
        case SQLITE_NULL:
            return sqlite3_result_null(ctx);
        case SQLITE_INTEGER: {
            std::string text = std::to_string(sqlite3_value_int64(v));
            return sqlite3_result_text(ctx, text.c_str(), int(text.size()), SQLITE_TRANSIENT);
        }
        case SQLITE_FLOAT: {
            std::string text = doubleToString(sqlite3_value_double(v));
            return sqlite3_result_text(ctx, text.c_str(), int(text.size()), SQLITE_TRANSIENT);
        }
        default:
            return sqlite3_result_text(ctx, reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                       sqlite3_value_bytes(v), SQLITE_TRANSIENT);
    }
}

}  // namespace

int addDb2Functions(sqlite3* db) {
    int rc = sqlite3_exec(db, "PRAGMA case_sensitive_like=ON", nullptr, nullptr, nullptr);
    for (int args : {1, 2})
        if (rc == SQLITE_OK)
            rc = sqlite3_create_function(db, "CHAR", args, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                         nullptr, charFunction, nullptr, nullptr);
    return rc;
}

}  // namespace zorvanil::db
