#include "db/odbc_connection.hpp"

#include <sqlext.h>

#include <algorithm>
#include <utility>

#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"
#include "db/named_parameters.hpp"
#include "db/odbc_diagnostics.hpp"
#include "db/odbc_driver.hpp"
#include "db/odbc_statement.hpp"

namespace zorvanil::db {

namespace {

SQLCHAR* sqlText(const std::string& text) {
    return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str()));
}

// The value of a key of a connection string ("DSN=SHOP;UID=Z"), letter case of the key ignored.
std::string connectionStringValue(std::string_view text, std::string_view key) {
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(';'), text.size());
        const std::string_view pair = text.substr(0, end);
        if (const std::size_t eq = pair.find('='); eq != std::string_view::npos)
            if (sameText(trim(pair.substr(0, eq)), key))
                return std::string(trim(pair.substr(eq + 1)));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return {};
}

// A connection string's value for a key, with braces around it where it holds a ';'.
std::string connectionStringPair(std::string_view key, const std::string& value) {
    if (value.find(';') == std::string::npos) return std::string(key) + "=" + value + ";";
    return std::string(key) + "={" + value + "};";
}

// The driver's text of a failed connection attempt, as the operator needs it: a data source
// the driver manager does not know is named; a driver it cannot load is "Unable to Load".
[[noreturn]] void failConnection(SQLHDBC dbc, SQLRETURN rc, const std::string& source) {
    const OdbcDiagnostic d = firstDiagnostic(SQL_HANDLE_DBC, dbc);
    if (d.state == "IM002") raise<OdbcSetupError>(msg::kUnknownDataSource, {source, d.message});
    const bool driverNotLoaded =
        d.state == "IM003" || d.message.find("Can't open lib") != std::string::npos;
    if (driverNotLoaded) raise<OdbcSetupError>(msg::kUnableToLoad, {source});
    throwDiagnostic(SQL_HANDLE_DBC, dbc, rc);
}

// One text column of a catalogue function's current row.
std::string textColumn(SQLHSTMT stmt, SQLUSMALLINT column) {
    SQLCHAR text[256] = {};
    SQLLEN length = 0;
    if (!SQL_SUCCEEDED(SQLGetData(stmt, column, SQL_C_CHAR, text, sizeof text, &length)) ||
        length == SQL_NULL_DATA)
        return {};
    return reinterpret_cast<const char*>(text);
}

SQLINTEGER integerColumn(SQLHSTMT stmt, SQLUSMALLINT column) {
    SQLINTEGER value = 0;
    SQLLEN length = 0;
    if (!SQL_SUCCEEDED(SQLGetData(stmt, column, SQL_C_SLONG, &value, sizeof value, &length)) ||
        length == SQL_NULL_DATA)
        return -1;
    return value;
}

// A statement handle that is freed whatever happens.
struct ScopedStatement {
    explicit ScopedStatement(SQLHDBC dbc) {
        checkOdbc(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_HANDLE_DBC, dbc);
    }
    ~ScopedStatement() { SQLFreeHandle(SQL_HANDLE_STMT, stmt); }
    ScopedStatement(const ScopedStatement&) = delete;
    ScopedStatement& operator=(const ScopedStatement&) = delete;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
};

SQLUINTEGER isolationAttribute(IsolationLevel level) {
    switch (level) {
        case IsolationLevel::DirtyRead:
            return SQL_TXN_READ_UNCOMMITTED;
        case IsolationLevel::RepeatableRead:
            return SQL_TXN_REPEATABLE_READ;
        case IsolationLevel::ReadCommitted:
            break;
    }
    return SQL_TXN_READ_COMMITTED;
}

constexpr std::size_t kMaxKeptKeys = 16;

}  // namespace

OdbcConnection::OdbcConnection(const ConnectRequest& request)
    : timeoutSeconds_(
          static_cast<SQLULEN>((std::max(0, request.statementTimeoutMs) + 999) / 1000)) {
    try {
        connect(request);
        readDriverFacts();
        setDefaultSchema(request.userName);
    } catch (...) {
        release();
        throw;
    }
}

OdbcConnection::~OdbcConnection() {
    release();
}

void OdbcConnection::release() {
    // What a transaction left open is undone, never committed by the disconnection.
    if (inTransaction_) {
        if (sqlite_) try {
                run("ROLLBACK");
            } catch (const DatabaseError&) {
            }
        else
            SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
    }
    if (connected_) SQLDisconnect(dbc_);
    if (dbc_ != SQL_NULL_HDBC) SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    if (env_ != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env_);
    dbc_ = SQL_NULL_HDBC;
    env_ = SQL_NULL_HENV;
    connected_ = inTransaction_ = false;
}

void OdbcConnection::connect(const ConnectRequest& request) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
        raise<DatabaseError>(msg::kUnableToLoad, {"libodbc"});
    checkOdbc(
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
        SQL_HANDLE_ENV, env_);
    checkOdbc(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_), SQL_HANDLE_ENV, env_);

    const std::string& alias = request.database;
    SQLRETURN rc;
    std::string source = alias;
    if (alias.find('=') == std::string::npos) {
        rc = SQLConnect(dbc_, sqlText(alias), SQL_NTS, sqlText(request.userName), SQL_NTS,
                        sqlText(request.password), SQL_NTS);
    } else {
        source = connectionStringValue(alias, "DSN");
        if (source.empty()) source = connectionStringValue(alias, "DRIVER");
        std::string text = alias;
        if (!text.empty() && text.back() != ';') text += ';';
        if (!request.userName.empty()) text += connectionStringPair("UID", request.userName);
        if (!request.password.empty()) text += connectionStringPair("PWD", request.password);
        SQLSMALLINT length = 0;
        rc = SQLDriverConnect(dbc_, nullptr, sqlText(text), SQL_NTS, nullptr, 0, &length,
                              SQL_DRIVER_NOPROMPT);
    }
    if (!SQL_SUCCEEDED(rc)) failConnection(dbc_, rc, source);
    connected_ = true;
}

void OdbcConnection::readDriverFacts() {
    SQLCHAR text[256] = {};
    SQLSMALLINT length = 0;
    if (SQL_SUCCEEDED(SQLGetInfo(dbc_, SQL_DBMS_NAME, text, sizeof text, &length)))
        dbmsName_ = reinterpret_cast<const char*>(text);
    db2_ = sameText(std::string_view(dbmsName_).substr(0, 3), "DB2");
    sqlite_ = sameText(std::string_view(dbmsName_).substr(0, 6), "SQLite");
    text[0] = 0;
    if (SQL_SUCCEEDED(SQLGetInfo(dbc_, SQL_IDENTIFIER_QUOTE_CHAR, text, sizeof text, &length)))
        quote_ = std::string(trim(reinterpret_cast<const char*>(text)));
    if (!SQL_SUCCEEDED(SQLGetInfo(dbc_, SQL_TXN_ISOLATION_OPTION, &isolationOptions_,
                                  sizeof isolationOptions_, nullptr)))
        isolationOptions_ = 0;
}

// The user's schema becomes the default one for unqualified names, as DB2 folds the user name to
// upper case. A database that has no schemas (SQLite) refuses the statement, and is left as it is.
void OdbcConnection::setDefaultSchema(const std::string& user) {
    const std::string schema = upperCase(trim(user));
    if (schema.empty()) return;
    try {
        run("SET SCHEMA \"" + doubleQuotes(schema) + "\"");
        schema_ = schema;
    } catch (const DatabaseError&) {
    }
}

std::unique_ptr<DriverStatement> OdbcConnection::prepare(const std::string& sql) {
    if (trim(sql).empty()) throw DatabaseError(msg::kEmptyStatement);
    return std::make_unique<OdbcStatement>(
        dbc_, sql, timeoutSeconds_,
        sqlite_ ? NullabilitySource::Catalogue : NullabilitySource::Description);
}

std::int64_t OdbcConnection::executeDirect(const std::string& sql) {
    const MarkedStatement marked = markParameters(sql);
    if (!marked.names.empty()) {
        const std::string& name = marked.names.front();
        raise<DatabaseError>(msg::kNoParameterValue, {name.empty() ? "?" : name});
    }
    if (trim(sql).empty()) throw DatabaseError(msg::kEmptyStatement);
    ScopedStatement statement(dbc_);
    if (timeoutSeconds_ > 0)
        checkOdbc(SQLSetStmtAttr(statement.stmt, SQL_ATTR_QUERY_TIMEOUT,
                                 reinterpret_cast<SQLPOINTER>(timeoutSeconds_), 0),
                  SQL_HANDLE_STMT, statement.stmt);
    const SQLRETURN rc =
        SQLExecDirect(statement.stmt, sqlText(sql), static_cast<SQLINTEGER>(sql.size()));
    if (rc == SQL_NO_DATA) return 0;
    checkOdbc(rc, SQL_HANDLE_STMT, statement.stmt);
    SQLSMALLINT columns = 0;
    SQLLEN count = 0;
    if (SQL_SUCCEEDED(SQLNumResultCols(statement.stmt, &columns)) && columns > 0) return 0;
    if (!SQL_SUCCEEDED(SQLRowCount(statement.stmt, &count)) || count < 0) return 0;
    return count;
}

void OdbcConnection::run(const std::string& sql) {
    ScopedStatement statement(dbc_);
    const SQLRETURN rc =
        SQLExecDirect(statement.stmt, sqlText(sql), static_cast<SQLINTEGER>(sql.size()));
    if (rc != SQL_NO_DATA) checkOdbc(rc, SQL_HANDLE_STMT, statement.stmt);
}

// A transaction is the connection in manual-commit mode, at the requested isolation where the
// driver offers it. SQLite is the exception: its ODBC driver begins a manual-commit transaction
// deferred, taking the write lock only at the first write, and two objects applying at once then
// fail after the busy timeout instead of queueing. On SQLite the transaction is its own
// statements, "BEGIN IMMEDIATE" as the embedded driver runs it, with the driver committing
// nothing on its own between them. SQLite runs every transaction serialisable.
void OdbcConnection::beginTransaction(IsolationLevel level) {
    if (sqlite_) {
        run("BEGIN IMMEDIATE");
        inTransaction_ = true;
        return;
    }
    const SQLUINTEGER isolation = isolationAttribute(level);
    if (isolationOptions_ & isolation)
        checkOdbc(
            SQLSetConnectAttr(dbc_, SQL_ATTR_TXN_ISOLATION,
                              reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(isolation)), 0),
            SQL_HANDLE_DBC, dbc_);
    checkOdbc(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT,
                                reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
              SQL_HANDLE_DBC, dbc_);
    inTransaction_ = true;
}

void OdbcConnection::commit() {
    endTransaction(SQL_COMMIT);
}

void OdbcConnection::rollback() {
    endTransaction(SQL_ROLLBACK);
}

// Ends the transaction and goes back to committing every statement on its own. A failed commit
// rolls back what it could not commit, so that nothing half-done stays open for a later commit.
void OdbcConnection::endTransaction(SQLSMALLINT completion) {
    if (sqlite_) {
        // Over whatever the database answers, as a failed COMMIT of SQLite leaves nothing open
        // that a ROLLBACK would not end.
        inTransaction_ = false;
        if (completion == SQL_ROLLBACK) return run("ROLLBACK");
        try {
            run("COMMIT");
        } catch (const DatabaseError&) {
            try {
                run("ROLLBACK");
            } catch (const DatabaseError&) {
            }
            throw;
        }
        return;
    }
    const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_, completion);
    if (!SQL_SUCCEEDED(rc)) {
        const OdbcDiagnostic failure = firstDiagnostic(SQL_HANDLE_DBC, dbc_);
        if (completion == SQL_COMMIT) SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
        inTransaction_ = false;
        SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT,
                          reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
        if (failure.message.empty()) raise<DatabaseError>(msg::kOdbcFailed, {std::to_string(rc)});
        throw DatabaseError(failure.message);
    }
    inTransaction_ = false;
    checkOdbc(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT,
                                reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0),
              SQL_HANDLE_DBC, dbc_);
}

// DB2 keeps the open cursors across a rollback to a savepoint only when told so, and wants the
// clause written.
void OdbcConnection::savepoint(const std::string& name) {
    run("SAVEPOINT " + name + (db2_ ? " ON ROLLBACK RETAIN CURSORS" : ""));
}

void OdbcConnection::releaseSavepoint(const std::string& name) {
    run("RELEASE SAVEPOINT " + name);
}

void OdbcConnection::rollbackToSavepoint(const std::string& name) {
    run("ROLLBACK TO SAVEPOINT " + name);
}

// Kept for the connection's life, for a few tables at most: an apply asks for the tables it
// writes each time, and the catalogue functions are slow on a server's catalogue.
std::vector<std::string> OdbcConnection::uniqueIndexFields(const std::string& table) {
    for (const TableKey& known : keys_)
        if (known.table == table) return known.fields;
    std::vector<std::string> fields = keyColumns(table, true);
    if (fields.empty()) fields = keyColumns(table, false);
    if (keys_.size() < kMaxKeptKeys) keys_.push_back({table, fields});
    return fields;
}

// The columns of the table's primary key, or of its first unique index, in their order.
std::vector<std::string> OdbcConnection::keyColumns(const std::string& table, bool primaryKey) {
    ScopedStatement statement(dbc_);
    SQLCHAR* schema = schema_.empty() ? nullptr : sqlText(schema_);
    const SQLSMALLINT schemaLength = schema_.empty() ? 0 : SQL_NTS;
    const SQLRETURN rc = primaryKey
                             ? SQLPrimaryKeys(statement.stmt, nullptr, 0, schema, schemaLength,
                                              sqlText(table), SQL_NTS)
                             : SQLStatistics(statement.stmt, nullptr, 0, schema, schemaLength,
                                             sqlText(table), SQL_NTS, SQL_INDEX_UNIQUE, SQL_QUICK);
    checkOdbc(rc, SQL_HANDLE_STMT, statement.stmt);
    std::vector<std::pair<SQLINTEGER, std::string>> key;
    std::string chosen;
    while (SQL_SUCCEEDED(SQLFetch(statement.stmt))) {
        if (primaryKey) {
            key.emplace_back(integerColumn(statement.stmt, 5),
                             upperCase(textColumn(statement.stmt, 4)));
            continue;
        }
        // Rows of the table's statistics come first; then the columns of each index.
        if (integerColumn(statement.stmt, 7) == SQL_TABLE_STAT) continue;
        if (integerColumn(statement.stmt, 4) != SQL_FALSE) continue;
        const std::string index = textColumn(statement.stmt, 6);
        if (chosen.empty()) chosen = index;
        if (index != chosen) continue;
        key.emplace_back(integerColumn(statement.stmt, 8),
                         upperCase(textColumn(statement.stmt, 9)));
    }
    std::stable_sort(key.begin(), key.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> fields;
    for (auto& k : key)
        fields.push_back(std::move(k.second));
    return fields;
}

}  // namespace zorvanil::db
