#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/variant.hpp"
#include "db/field_type.hpp"

namespace zorvanil::db {

// One column of a statement's result as the driver reports it.
struct ColumnInfo {
    std::string name;  // as the database reports it: unquoted identifiers in upper case
    FieldType type = FieldType::Unknown;
    int size = 0;
    bool fixed = false;
};

enum class IsolationLevel : std::uint8_t { ReadCommitted, DirtyRead, RepeatableRead };

// A prepared statement. Parameters are numbered from 1; columns from 0.
class DriverStatement {
  public:
    virtual ~DriverStatement() = default;

    virtual int parameterCount() const = 0;
    // The name of a named parameter without its leading ':'; empty for a '?' placeholder.
    virtual std::string parameterName(int index) const = 0;
    virtual void bind(int index, const Variant& value) = 0;

    // Runs the statement; a query is then positioned before its first row.
    virtual void execute() = 0;
    // The result columns (valid after execute).
    virtual const std::vector<ColumnInfo>& columns() const = 0;
    // Whether a result column is a table's column declared NOT NULL (valid after execute). Told
    // only when asked, apart from the columns: it takes a look into the schema for each column,
    // and only a packet's field descriptions carry it, while most statements run are one-row
    // lookups whose fields nobody describes.
    virtual bool columnRequired(int column) const = 0;
    // Changes whenever the columns are described anew (a statement compiled again after a change
    // of the schema may have other columns); the same from one execution to the next otherwise.
    virtual std::uint64_t columnsVersion() const = 0;
    // Moves to the next row; false at the end.
    virtual bool fetch() = 0;
    // Reads a column of the current row into `into`, in place: a text keeps the room of the text
    // `into` held, so that a dataset reading row after row into the same values allocates only
    // for texts longer than the ones before.
    virtual void readValue(int column, Variant& into) const = 0;
    Variant value(int column) const {
        Variant v;
        readValue(column, v);
        return v;
    }
    virtual std::int64_t rowsAffected() const = 0;
    // Ends the current execution (closes the cursor); the statement stays prepared.
    virtual void reset() = 0;
};

// One connection to one database.
class DriverConnection {
  public:
    virtual ~DriverConnection() = default;

    virtual std::unique_ptr<DriverStatement> prepare(const std::string& sql) = 0;
    // Runs one statement directly: the text as it stands, not kept for reuse, with no parameters
    // (a statement that has parameter markers fails). Returns the rows it affected; the rows of a
    // query are not read.
    virtual std::int64_t executeDirect(const std::string& sql) = 0;
    virtual void beginTransaction(IsolationLevel level) = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    // Savepoints of the open transaction, named by plain identifiers. Rolling back to a savepoint
    // undoes what ran after it and keeps the savepoint; releasing it keeps what ran and forgets
    // it, with every savepoint set after it. Each driver speaks its database's syntax (DB2 wants
    // "SAVEPOINT name ON ROLLBACK RETAIN CURSORS").
    virtual void savepoint(const std::string& name) = 0;
    virtual void releaseSavepoint(const std::string& name) = 0;
    virtual void rollbackToSavepoint(const std::string& name) = 0;
    virtual bool supportsMultipleTransactions() const { return false; }
    // The character that encloses identifiers; empty when the driver quotes nothing.
    virtual std::string quoteChar() const = 0;
    // The columns of the table's first unique index (its primary key first), upper case.
    virtual std::vector<std::string> uniqueIndexFields(const std::string& table) = 0;
};

// What a connection attempt hands the driver.
struct ConnectRequest {
    std::string database;
    std::string userName;
    std::string password;
    IsolationLevel isolation = IsolationLevel::ReadCommitted;
    int busyTimeoutMs = 30000;   // how long a writer waits for another writer
    int statementTimeoutMs = 0;  // 0: statements run without a time limit
};

class Driver {
  public:
    virtual ~Driver() = default;
    virtual std::unique_ptr<DriverConnection> connect(const ConnectRequest& request) = 0;
};

// The driver of the given implementation name ("sqlite", "odbc"); nullptr when there is none.
std::unique_ptr<Driver> makeDriver(std::string_view implementation);

}  // namespace zorvanil::db
