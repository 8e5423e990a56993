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

// Transport and client
inline constexpr const char* kNotAnIpAddress = "Not an IP address: %s";
// The step that failed ("open", "configure", "bind", "listen on"), the address, the port, the
// system's text.
inline constexpr const char* kCannotServeOn = "Cannot %s %s:%d: %s";
inline constexpr const char* kParamsNotObject = "Invalid params: params must be an object";
inline constexpr const char* kUnknownArgument = "Invalid params: unknown member \"%s\"";
inline constexpr const char* kMissingArgument = "Invalid params: \"%s\" is missing";
inline constexpr const char* kArgumentNotText = "Invalid params: \"%s\" must be a string";
inline constexpr const char* kArgumentNotInteger =
    "Invalid params: \"%s\" must be a 32-bit integer";
// The argument's name and what is wrong with its packet.
inline constexpr const char* kUnreadableArgument = "Invalid params: \"%s\": %s";
inline constexpr const char* kNotAPortNumber = "Not a port number: %s";
inline constexpr const char* kCannotConnect = "Cannot connect to %s:%d: %s";
inline constexpr const char* kSendingFailed = "Sending failed: %s";
inline constexpr const char* kReceivingFailed = "Receiving failed: %s";
inline constexpr const char* kAnswerNotJson = "The server's answer is not JSON: %s";
inline constexpr const char* kAnswerNotObject = "The server's answer is not an object";
inline constexpr const char* kErrorAnswerNotObject = "The server's error answer is not an object";
inline constexpr const char* kAnswerWithoutOutcome =
    "The server's answer holds neither a result nor an error";
inline constexpr const char* kResultNotObject = "The server's result is not an object";
inline constexpr const char* kResultLacks = "The server's result lacks \"%s\"";

}  // namespace zorvanil::msg
