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
inline constexpr const char* kInvalidBase64 = "Invalid base64 text";

// Packets: every failure to read one is kInvalidPacket around one of the texts below.
inline constexpr const char* kInvalidPacket = "Invalid data packet: %s";
inline constexpr const char* kPacketNotAnObject = "not an object";
inline constexpr const char* kPacketFieldsNotAnArray = "\"fields\" is not an array";
inline constexpr const char* kPacketFieldNotAnObject = "a field is not an object";
inline constexpr const char* kPacketFieldWithoutName = "a field has no name";
inline constexpr const char* kPacketAttributesNotAnObject = "\"attributes\" is not an object";
inline constexpr const char* kPacketRowsNotAnArray = "\"rows\" is not an array";
inline constexpr const char* kPacketRowNotArrayOrObject = "a row is neither an array nor an object";
inline constexpr const char* kPacketRowStatusNotText = "a row status is not text";
inline constexpr const char* kPacketUnknownRowStatus = "unknown row status \"%s\"";
inline constexpr const char* kPacketValuesNotAnObject = "\"values\" is not an object";
inline constexpr const char* kXmlMalformed = "malformed XML at line %d, column %d: %s";
inline constexpr const char* kXmlNoElement = "the document has no element";
inline constexpr const char* kXmlNotADataPacket = "the document element is <%s>, not <DATAPACKET>";
inline constexpr const char* kXmlUnsupportedVersion = "unsupported version \"%s\"";
inline constexpr const char* kXmlUnexpectedElement = "unexpected element <%s> in <%s>";
inline constexpr const char* kXmlUnexpectedText = "unexpected text in <%s>";
inline constexpr const char* kXmlRepeatedElement = "<%s> has more than one <%s>";
inline constexpr const char* kXmlNotANumber = "attribute %s of <%s> is not a valid number: \"%s\"";
inline constexpr const char* kXmlNotABoolean = "attribute %s of <%s> is not true or false: \"%s\"";
inline constexpr const char* kXmlTooDeep = "tables or values nested more than %d levels deep";
inline constexpr const char* kXmlFieldWithoutName = "a <FIELD> has no name";
inline constexpr const char* kXmlUnknownFieldType = "unknown type \"%s\" of field \"%s\"";
inline constexpr const char* kXmlUnknownParamType = "unknown parameter type \"%s\" of field \"%s\"";
inline constexpr const char* kXmlRepeatedFields = "field \"%s\" has more than one <FIELDS>";
inline constexpr const char* kXmlParamWithoutName = "a <PARAM> has no name";
inline constexpr const char* kXmlUnknownRowState = "unknown row state \"%s\"";
inline constexpr const char* kXmlCellWithoutIndex = "a <V> has no field index";
inline constexpr const char* kXmlIndexTooLarge = "field index %d is too large";
inline constexpr const char* kXmlIndexRepeated = "field index %d appears twice in a row";
inline constexpr const char* kXmlUnknownValueType = "unknown value type \"%s\"";
inline constexpr const char* kXmlValueWithoutType = "<%s> has no type";
inline constexpr const char* kXmlValueWithoutText = "%s has no value";
inline constexpr const char* kXmlNoSinglePacket = "<%s> holds no single <DATAPACKET>";
inline constexpr const char* kXmlUnknownTextEncoding = "unknown text encoding \"%s\" in <%s>";
inline constexpr const char* kXmlInvalidBase64 = "the base64 text in <%s> is not valid";
inline constexpr const char* kXmlInvalidValue = "\"%s\" is not a valid %s value for %s";
// What kXmlInvalidValue and kXmlValueWithoutText name: a field by name or by index, a parameter,
// an array item.
inline constexpr const char* kXmlNamedField = "field \"%s\"";
inline constexpr const char* kXmlFieldNumber = "field %d";
inline constexpr const char* kXmlParameter = "parameter \"%s\"";
inline constexpr const char* kXmlArrayItem = "an array item";

// Server object
inline constexpr const char* kProviderNotExported = "Provider not exported: %s";
inline constexpr const char* kUnknownError = "Unknown error";
inline constexpr const char* kDataSetNotFound = "Dataset not found: %s";
inline constexpr const char* kHandlerRegisteredTwice = "Handler registered twice: %s";

// host: the registry file
inline constexpr const char* kRegistryMalformed = "Registry file %s, line %d: %s";
inline constexpr const char* kRegistryQuoteExpected = "a quoted text was expected";
inline constexpr const char* kRegistryQuoteNotClosed = "a quoted text is not closed";
inline constexpr const char* kRegistryKeyNotClosed = "a key is not closed by ]";
inline constexpr const char* kRegistryValueBeforeKey = "a value stands before any key";
inline constexpr const char* kRegistryEqualsExpected = "= was expected";
inline constexpr const char* kRegistryTextAfterValue = "text after the value";
inline constexpr const char* kCannotReadRegistry = "Cannot read the registry file %s: %s";
inline constexpr const char* kCannotWriteRegistryBecause = "Cannot write the registry file %s: %s";
inline constexpr const char* kCannotLockRegistry = "Cannot lock the registry file %s: %s";

// app: the server's start-up
inline constexpr const char* kNoDemoDatabase = "This build cannot create the demo database";
inline constexpr const char* kListenNotHostPort = "--listen takes HOST:PORT, not %s";
inline constexpr const char* kListenNotAnAddress = "--listen takes an IP address, not %s";
inline constexpr const char* kNonLoopbackNeedsKey =
    "Listening on %s, which is not a loopback address, needs --access-key-file";
inline constexpr const char* kCannotReadAccessKey = "Cannot read the access key file %s: %s";
// The connection file, the reason.
inline constexpr const char* kUnusableConnectionFile = "The connection file %s cannot be used: %s";
// The configuration file of --config, the reason.
inline constexpr const char* kUnusableConfigFile = "The configuration file %s cannot be used: %s";
inline constexpr const char* kNoSuchOption = "no option is named %s";
inline constexpr const char* kEmptyAccessKey = "The access key file %s is empty";
inline constexpr const char* kDriverNotAvailable = "The %s driver is not available";

// Provider cycles
inline constexpr const char* kMissingDataSet = "Missing DataSet property";
inline constexpr const char* kCommandTextNotAllowed = "CommandText changes are not allowed";
inline constexpr const char* kRecordNotFound = "Record not found or changed by another user";
inline constexpr const char* kNoKeySpecified = "Unable to find record.  No key specified";
inline constexpr const char* kModifiedWithoutOriginal =
    "A modified row must follow the unchanged row that it changes";
inline constexpr const char* kNameWithControlCharacter =
    "The name \"%s\" holds a NUL or control character";
inline constexpr const char* kNameNeedsQuotes =
    "The name \"%s\" cannot be written without identifier quotes";
inline constexpr const char* kTableNameNotFound =
    "Unable to resolve records.  Table name not found.";
inline constexpr const char* kTooManyRecords = "Update affected more than 1 record.";
inline constexpr const char* kInvalidResponse = "Invalid response";
inline constexpr const char* kInvalidParamPacket = "Invalid parameter packet";
inline constexpr const char* kInvalidChangePacket = "Invalid change packet";
inline constexpr const char* kInvalidRowPacket = "Invalid row packet";

// Read handlers
inline constexpr const char* kNoOptionsLayout = "No options layout for %s";
inline constexpr const char* kNoReadProvider = "No read provider %s";
inline constexpr const char* kNoDocumentProvider = "No document provider %s";
inline constexpr const char* kNoLineStatement = "No line statement for %s";

// db: the SQLite driver and the SQL trace
inline constexpr const char* kSqliteError = "SQLite error";
inline constexpr const char* kDatabaseNotFound = "Database '%s' not found";
inline constexpr const char* kCannotOpenDatabase = "Cannot open database '%s': %s";
inline constexpr const char* kCannotBindType = "Cannot bind a value of type %s";
inline constexpr const char* kEmptyStatement = "The statement is empty";
// db: the ODBC driver. The data source and the driver manager's text.
inline constexpr const char* kUnknownDataSource = "Unknown data source %s: %s";
inline constexpr const char* kOdbcFailed = "The ODBC driver failed with return code %d";
inline constexpr const char* kCannotOpenSqlTrace = "Cannot open the SQL trace file %s: %s";

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
inline constexpr const char* kNoSuchSavepoint = "There is no savepoint %s";
inline constexpr const char* kUnableToLoad = "Unable to Load %s";
inline constexpr const char* kUnableToFindProcedure = "Unable to Find Procedure %s";
inline constexpr const char* kIOError = "I/O error %d";
inline constexpr const char* kConfigWriteFailed =
    "FALLO EN LA ESCRITURA DEL ARCHIVO DE CONFIGURACIONES";
// What the log adds to kConfigWriteFailed: the file and the reason.
inline constexpr const char* kConfigWriteFailedBecause = "cannot write %s: %s";

// Applies under a client's request id
// A request id recorded for an apply whose request (provider, limit, owner data, change packet)
// differs from this one; the id, cut as every echoed value.
inline constexpr const char* kRequestIdReused =
    "Request id %s was used for a different apply; a new apply needs a new id";
inline constexpr const char* kRequestIdTooLong = "Request id is longer than %d characters";
// A request recorded in a form this server cannot read back (the id).
inline constexpr const char* kRequestRecordUnreadable =
    "The answer recorded for request id %s cannot be read";

// Transport and client
inline constexpr const char* kNotAnIpAddress = "Not an IP address: %s";
// The step that failed ("open", "configure", "bind", "listen on"), the address, the port, the
// system's text.
inline constexpr const char* kCannotServeOn = "Cannot %s %s:%d: %s";
// The transport's answers, close reasons and HTTP refusals.
inline constexpr const char* kShuttingDown = "The server is shutting down";
inline constexpr const char* kTooManyRequests = "Too many requests: at most %d messages per second";
inline constexpr const char* kMethodNotFound = "Method not found: %s";
inline constexpr const char* kObjectExists = "The connection already holds an object";
inline constexpr const char* kCreateObjectParams =
    "Invalid params: CreateObject takes {\"class\": text, \"accessKey\"?: text}";
inline constexpr const char* kClassNotRegistered = "Class not registered";
inline constexpr const char* kAccessDenied = "Access denied: wrong or missing access key";
inline constexpr const char* kTooManyWrongKeys = "Too many wrong access keys";
inline constexpr const char* kNoObject = "No object: call CreateObject first";
inline constexpr const char* kNoObjectInTime = "No object created in time";
inline constexpr const char* kTooManyConnections = "Too many connections: at most %d";
// JSON-RPC: a request that cannot be read (kParseError: the parser's text), or read as no request.
inline constexpr const char* kParseError = "Parse error: %s";
inline constexpr const char* kBatchRequest = "Invalid Request: batch requests are not supported";
inline constexpr const char* kRequestNotObject = "Invalid Request: the message is not an object";
inline constexpr const char* kInvalidId =
    "Invalid Request: \"id\" must be a number, a string or null";
inline constexpr const char* kInvalidVersion = "Invalid Request: \"jsonrpc\" must be \"2.0\"";
inline constexpr const char* kInvalidMethod = "Invalid Request: \"method\" must be a string";
inline constexpr const char* kInvalidParams =
    "Invalid Request: \"params\" must be an object or an array";
inline constexpr const char* kRepeatedMember =
    "Invalid Request: the member \"%s\" appears more than once";
inline constexpr const char* kParamsNotObject = "Invalid params: params must be an object";
inline constexpr const char* kUnknownArgument = "Invalid params: unknown member \"%s\"";
inline constexpr const char* kMissingArgument = "Invalid params: \"%s\" is missing";
inline constexpr const char* kArgumentNotText = "Invalid params: \"%s\" must be a string";
inline constexpr const char* kArgumentNotInteger =
    "Invalid params: \"%s\" must be a 32-bit integer";
inline constexpr const char* kArgumentNotBoolean = "Invalid params: \"%s\" must be true or false";
// The argument's name and what is wrong with its packet.
inline constexpr const char* kUnreadableArgument = "Invalid params: \"%s\": %s";
// Why a connection is closed whose message would take the requests being served beyond the
// server's bound on their bytes (a WebSocket close reason: at most 123 bytes).
inline constexpr const char* kRequestBytesInFlight =
    "The server is busy with too many request bytes; try again later";
// Why a connection ended from the server's console is closed (a WebSocket close reason).
inline constexpr const char* kEndedByOperator =
    "Ended by an operator from the server's console; the open transaction was rolled back";
// Why a transaction left open was rolled back: the seconds of --max-transaction-idle.
inline constexpr const char* kIdleTransactionRolledBack =
    "no call for %d s while it held a transaction open (--max-transaction-idle)";
// The server's console refuses to end an object.
inline constexpr const char* kConsoleKeyRefused =
    "Forbidden: ending an object takes the access key in the X-Access-Key header";
inline constexpr const char* kConsoleLoopbackOnly =
    "Forbidden: without an access key configured, objects are ended only from a loopback "
    "address, with the X-Access-Key header present";
inline constexpr const char* kConsoleNoSuchObject = "No live object %s";
inline constexpr const char* kNotAPortNumber = "Not a port number: %s";
inline constexpr const char* kCannotConnect = "Cannot connect to %s:%d: %s";
inline constexpr const char* kSendingFailed = "Sending failed: %s";
inline constexpr const char* kReceivingFailed = "Receiving failed: %s";
// The server closed the connection: the reason it gave.
inline constexpr const char* kClosedByServer = "The server closed the connection: %s";
inline constexpr const char* kAnswerNotJson = "The server's answer is not JSON: %s";
inline constexpr const char* kAnswerNotObject = "The server's answer is not an object";
inline constexpr const char* kErrorAnswerNotObject = "The server's error answer is not an object";
inline constexpr const char* kAnswerWithoutOutcome =
    "The server's answer holds neither a result nor an error";
inline constexpr const char* kResultNotObject = "The server's result is not an object";
inline constexpr const char* kResultLacks = "The server's result lacks \"%s\"";
// TLS on the server's port (a file and the reason; the key's file, then the certificate's) and in
// the client.
inline constexpr const char* kCannotReadCertificate = "The TLS certificate %s cannot be read: %s";
inline constexpr const char* kCannotReadKey = "The TLS key %s cannot be read: %s";
inline constexpr const char* kKeyDoesNotMatch = "The TLS key %s does not match the certificate %s";
inline constexpr const char* kTlsSettingsRefused = "The TLS settings were refused: %s";
inline constexpr const char* kClearTextBeyondLoopback =
    "Listening on %s, which is not a loopback address, without TLS: access keys and data cross "
    "the network in clear text (--tls-cert and --tls-key serve wss:// and https://)";
inline constexpr const char* kTlsHandshakeFailed = "TLS handshake failed: %s";
inline constexpr const char* kCannotReadCaFile = "Cannot read the CA file %s: %s";
inline constexpr const char* kCertificateNotTrusted =
    "Cannot connect to %s:%d: the server's certificate is not trusted: %s";

}  // namespace zorvanil::msg
