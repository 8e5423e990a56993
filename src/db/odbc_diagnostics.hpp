#pragma once

#include <sql.h>

#include <string>

namespace zorvanil::db {

// The first diagnostic record of an ODBC handle: its SQLSTATE and the driver's message text.
struct OdbcDiagnostic {
    std::string state;
    std::string message;
};

OdbcDiagnostic firstDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle);

// Throws a DatabaseError with the driver's own message text for the handle's failure.
[[noreturn]] void throwDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle, SQLRETURN rc);

// Throws the handle's diagnostic unless the call succeeded (with or without information).
inline void checkOdbc(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle) {
    if (!SQL_SUCCEEDED(rc)) throwDiagnostic(handleType, handle, rc);
}

}  // namespace zorvanil::db
