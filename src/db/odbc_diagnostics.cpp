#include "db/odbc_diagnostics.hpp"

#include <sqlext.h>

#include <vector>

#include "common/error.hpp"
#include "common/messages.hpp"

namespace zorvanil::db {

OdbcDiagnostic firstDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle) {
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    std::vector<SQLCHAR> text(SQL_MAX_MESSAGE_LENGTH + 1);
    SQLRETURN rc = SQLGetDiagRec(handleType, handle, 1, state, &native, text.data(),
                                 static_cast<SQLSMALLINT>(text.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())) {
        // A message longer than the buffer: read it again whole.
        text.resize(static_cast<std::size_t>(length) + 1);
        rc = SQLGetDiagRec(handleType, handle, 1, state, &native, text.data(),
                           static_cast<SQLSMALLINT>(text.size()), &length);
    }
    if (!SQL_SUCCEEDED(rc)) return {};
    const std::size_t size =
        std::min<std::size_t>(static_cast<std::size_t>(length), text.size() - 1);
    return {reinterpret_cast<const char*>(state),
            std::string(reinterpret_cast<const char*>(text.data()), size)};
}

void throwDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle, SQLRETURN rc) {
    OdbcDiagnostic diagnostic = firstDiagnostic(handleType, handle);
    if (diagnostic.message.empty()) raise<DatabaseError>(msg::kOdbcFailed, {std::to_string(rc)});
    throw DatabaseError(diagnostic.message);
}

}  // namespace zorvanil::db
