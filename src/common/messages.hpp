#pragma once

// Every message text the server itself raises, in one place, so that each can be compared with
// what clients expect byte for byte. "%s" and "%d" are filled by formatMessage.
namespace zorvanil::msg {

// Conversions
inline constexpr const char* kInvalidInteger = "'%s' is not a valid integer value";
inline constexpr const char* kInvalidFloat = "'%s' is not a valid floating point value";
inline constexpr const char* kInvalidDate = "'%s' is not a valid date";
inline constexpr const char* kInvalidTime = "'%s' is not a valid time";
inline constexpr const char* kVariantCast = "Could not convert variant of type (%s) into type (%s)";

// Server object
inline constexpr const char* kProviderNotExported = "Provider not exported: %s";
inline constexpr const char* kUnknownError = "Unknown error";

// Provider cycles
inline constexpr const char* kMissingDataSet = "Missing DataSet property";
inline constexpr const char* kCommandTextNotAllowed = "CommandText changes are not allowed";
inline constexpr const char* kRecordNotFound = "Record not found or changed by another user";
inline constexpr const char* kNoKeySpecified = "Unable to find record.  No key specified";

// Datasets
inline constexpr const char* kDataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char* kDataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char* kNoSQLStatement = "Missing query, table name or procedure name";
inline constexpr const char* kFieldNotFound = "Field '%s' not found";
inline constexpr const char* kFieldTypeMismatch =
    "Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr const char* kParameterNotFound = "Parameter '%s' not found";
inline constexpr const char* kNoParameterValue = "No value for parameter '%s'";

// Connection and transactions
inline constexpr const char* kConnectionClosed =
    "Cannot perform this operation on a closed connection";
inline constexpr const char* kTransactionActive = "A transaction is already active";
inline constexpr const char* kNoActiveTransaction = "There is no active transaction";
inline constexpr const char* kUnableToLoad = "Unable to Load %s";
inline constexpr const char* kUnableToFindProcedure = "Unable to Find Procedure %s";
inline constexpr const char* kIOError = "I/O error %d";
inline constexpr const char* kConfigWriteFailed =
    "FALLO EN LA ESCRITURA DEL ARCHIVO DE CONFIGURACIONES";

}  // namespace zorvanil::msg
