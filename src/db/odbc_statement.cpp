#include "db/odbc_statement.hpp"

#include <sqlext.h>

#include <climits>
#include <cstring>

#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"
#include "db/column_name.hpp"
#include "db/odbc_diagnostics.hpp"

namespace zorvanil::db {

namespace {

constexpr int kDefaultTextSize = 255;

int sizeOrDefault(SQLULEN size) {
    return size > 0 && size < INT_MAX ? static_cast<int>(size) : kDefaultTextSize;
}

// How a value travels to its parameter: its C type, its SQL type and the column size.
struct ParameterData {
    SQLSMALLINT cType;
    SQLSMALLINT sqlType;
    SQLULEN columnSize;
};

}  // namespace

ColumnInfo columnInfoFromSqlType(SQLSMALLINT sqlType, SQLULEN size, std::string_view typeName) {
    const bool namedFixed = sameText(typeName, "CHAR") || sameText(typeName, "CHARACTER");
    switch (sqlType) {
        case SQL_SMALLINT:
        case SQL_TINYINT:
        case SQL_BIT:
            return {"", FieldType::Smallint, 0, false};
        case SQL_INTEGER:
            return {"", FieldType::Integer, 0, false};
        case SQL_BIGINT:
            return {"", FieldType::Largeint, 0, false};
        case SQL_DOUBLE:
        case SQL_FLOAT:
        case SQL_REAL:
        case SQL_DECIMAL:
        case SQL_NUMERIC:
            return {"", FieldType::Float, 0, false};
        case SQL_CHAR:
        case SQL_WCHAR:
            return {"", FieldType::String, size > 0 ? sizeOrDefault(size) : 1, true};
        case SQL_VARCHAR:
        case SQL_WVARCHAR:
            return {"", FieldType::String, sizeOrDefault(size), namedFixed};
        case SQL_TYPE_DATE:
        case SQL_DATE:
            return {"", FieldType::Date, 0, false};
        case SQL_TYPE_TIME:
        case SQL_TIME:
            return {"", FieldType::Time, 0, false};
        case SQL_TYPE_TIMESTAMP:
        case SQL_TIMESTAMP:
            return {"", FieldType::TimeStamp, 0, false};
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY:
            return {"", FieldType::Blob, 1, false};
        case SQL_LONGVARCHAR:
        case SQL_WLONGVARCHAR:
            return {"", FieldType::Memo, 1, false};
        default:
            return {"", FieldType::String, sizeOrDefault(size), false};
    }
}

OdbcStatement::OdbcStatement(SQLHDBC connection, const std::string& sql, SQLULEN timeoutSeconds,
                             NullabilitySource nullability)
    : marked_(markParameters(sql)), connection_(connection), nullability_(nullability) {
    checkOdbc(SQLAllocHandle(SQL_HANDLE_STMT, connection, &stmt_), SQL_HANDLE_DBC, connection);
    try {
        if (timeoutSeconds > 0)
            checkOdbc(SQLSetStmtAttr(stmt_, SQL_ATTR_QUERY_TIMEOUT,
                                     reinterpret_cast<SQLPOINTER>(timeoutSeconds), 0),
                      SQL_HANDLE_STMT, stmt_);
        checkOdbc(SQLPrepare(stmt_, reinterpret_cast<SQLCHAR*>(marked_.text.data()),
                             static_cast<SQLINTEGER>(marked_.text.size())),
                  SQL_HANDLE_STMT, stmt_);
    } catch (...) {
        SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
        throw;
    }
    params_.resize(marked_.names.size());
}

OdbcStatement::~OdbcStatement() {
    SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
}

std::string OdbcStatement::parameterName(int index) const {
    if (index < 1 || index > parameterCount()) return {};
    return marked_.names[static_cast<std::size_t>(index) - 1];
}

void OdbcStatement::bind(int index, const Variant& value) {
    if (index < 1 || index > parameterCount()) return;
    using T = Variant::Type;
    if (value.type() == T::Array || value.type() == T::Packet)
        raise<DatabaseError>(msg::kCannotBindType, {Variant::typeName(value.type())});
    params_[static_cast<std::size_t>(index) - 1] = value;
}

// Binds every parameter from its value, kept in buffers that live until the next execution.
void OdbcStatement::bindParameters() {
    using T = Variant::Type;
    paramBuffers_.assign(params_.size(), {});
    paramLengths_.assign(params_.size(), 0);
    for (std::size_t i = 0; i < params_.size(); ++i) {
        const Variant& value = params_[i];
        std::string& buffer = paramBuffers_[i];
        SQLLEN& length = paramLengths_[i];
        ParameterData data{SQL_C_CHAR, SQL_VARCHAR, 1};
        switch (value.type()) {
            case T::Unassigned:
            case T::Null:
                length = SQL_NULL_DATA;
                break;
            case T::Smallint:
            case T::Integer:
            case T::Largeint: {
                const SQLBIGINT v = value.toInt64();
                buffer.assign(reinterpret_cast<const char*>(&v), sizeof v);
                data = {SQL_C_SBIGINT, SQL_BIGINT, 0};
                length = sizeof v;
                break;
            }
            case T::Double: {
                const double v = value.toDouble();
                buffer.assign(reinterpret_cast<const char*>(&v), sizeof v);
                data = {SQL_C_DOUBLE, SQL_DOUBLE, 0};
                length = sizeof v;
                break;
            }
            case T::Blob:
                buffer = value.asBlob().bytes;
                data = {SQL_C_BINARY, SQL_VARBINARY, std::max<SQLULEN>(buffer.size(), 1)};
                length = static_cast<SQLLEN>(buffer.size());
                break;
            case T::Date:
                buffer = value.toString();
                data = {SQL_C_CHAR, SQL_TYPE_DATE, 10};
                length = static_cast<SQLLEN>(buffer.size());
                break;
            case T::Time:
                buffer = value.toString();
                data = {SQL_C_CHAR, SQL_TYPE_TIME, 8};
                length = static_cast<SQLLEN>(buffer.size());
                break;
            default:
                buffer = value.toString();
                data.columnSize = std::max<SQLULEN>(buffer.size(), 1);
                length = static_cast<SQLLEN>(buffer.size());
                break;
        }
        checkOdbc(SQLBindParameter(stmt_, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                                   data.cType, data.sqlType, data.columnSize, 0, buffer.data(),
                                   static_cast<SQLLEN>(buffer.size()), &length),
                  SQL_HANDLE_STMT, stmt_);
    }
}

void OdbcStatement::execute() {
    reset();
    bindParameters();
    const SQLRETURN rc = SQLExecute(stmt_);
    // A searched UPDATE or DELETE that matched nothing answers "no data".
    if (rc != SQL_NO_DATA) checkOdbc(rc, SQL_HANDLE_STMT, stmt_);
    describeColumns();
    rowsAffected_ = 0;
    if (columns_.empty()) {
        SQLLEN count = 0;
        if (rc != SQL_NO_DATA && SQL_SUCCEEDED(SQLRowCount(stmt_, &count)) && count > 0)
            rowsAffected_ = count;
    }
    open_ = true;
}

// The columns are described after the first execution and kept: a prepared statement's result
// keeps its shape from one run to the next.
void OdbcStatement::describeColumns() {
    if (described_) return;
    SQLSMALLINT count = 0;
    checkOdbc(SQLNumResultCols(stmt_, &count), SQL_HANDLE_STMT, stmt_);
    columns_.clear();
    required_.clear();
    for (SQLSMALLINT i = 1; i <= count; ++i) {
        SQLCHAR name[256] = {};
        SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = SQL_NULLABLE_UNKNOWN;
        SQLULEN size = 0;
        checkOdbc(SQLDescribeCol(stmt_, static_cast<SQLUSMALLINT>(i), name, sizeof name,
                                 &nameLength, &sqlType, &size, &digits, &nullable),
                  SQL_HANDLE_STMT, stmt_);
        SQLCHAR typeName[64] = {};
        SQLSMALLINT typeNameLength = 0;
        if (!SQL_SUCCEEDED(SQLColAttribute(stmt_, static_cast<SQLUSMALLINT>(i), SQL_DESC_TYPE_NAME,
                                           typeName, sizeof typeName, &typeNameLength, nullptr)))
            typeName[0] = 0;
        ColumnInfo info =
            columnInfoFromSqlType(sqlType, size, reinterpret_cast<const char*>(typeName));
        info.name = reportedColumnName(reinterpret_cast<const char*>(name), i);
        columns_.push_back(std::move(info));
        const bool known =
            nullable == SQL_NO_NULLS || nullability_ == NullabilitySource::Description;
        required_.push_back(known ? (nullable == SQL_NO_NULLS ? 1 : 0) : -1);
    }
    row_.assign(columns_.size(), Variant());
    described_ = true;
}

bool OdbcStatement::columnRequired(int column) const {
    if (column < 0 || static_cast<std::size_t>(column) >= required_.size()) return false;
    int& required = required_[static_cast<std::size_t>(column)];
    if (required < 0) required = declaredNotNull(column) ? 1 : 0;
    return required == 1;
}

namespace {

std::string columnText(SQLHSTMT stmt, SQLUSMALLINT column, SQLUSMALLINT field) {
    SQLCHAR text[256] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLColAttribute(stmt, column, field, text, sizeof text, &length, nullptr)))
        return {};
    return reinterpret_cast<const char*>(text);
}

}  // namespace

// Whether the table column a result column comes from is declared NOT NULL, from the catalogue;
// false for an expression.
bool OdbcStatement::declaredNotNull(int column) const {
    const SQLUSMALLINT number = static_cast<SQLUSMALLINT>(column + 1);
    std::string table = columnText(stmt_, number, SQL_DESC_BASE_TABLE_NAME);
    std::string name = columnText(stmt_, number, SQL_DESC_BASE_COLUMN_NAME);
    if (table.empty() || name.empty()) return false;
    SQLHSTMT look = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection_, &look))) return false;
    bool notNull = false;
    if (SQL_SUCCEEDED(SQLColumns(look, nullptr, 0, nullptr, 0,
                                 reinterpret_cast<SQLCHAR*>(table.data()), SQL_NTS,
                                 reinterpret_cast<SQLCHAR*>(name.data()), SQL_NTS)) &&
        SQL_SUCCEEDED(SQLFetch(look))) {
        SQLSMALLINT nullable = SQL_NULLABLE_UNKNOWN;
        SQLLEN length = 0;
        if (SQL_SUCCEEDED(SQLGetData(look, 11, SQL_C_SSHORT, &nullable, sizeof nullable, &length)))
            notNull = length != SQL_NULL_DATA && nullable == SQL_NO_NULLS;
    }
    SQLFreeHandle(SQL_HANDLE_STMT, look);
    return notNull;
}

bool OdbcStatement::fetch() {
    if (!open_ || columns_.empty()) return false;
    rowRead_ = false;
    const SQLRETURN rc = SQLFetch(stmt_);
    if (rc == SQL_NO_DATA) {
        onRow_ = false;
        return false;
    }
    checkOdbc(rc, SQL_HANDLE_STMT, stmt_);
    return onRow_ = true;
}

void OdbcStatement::readValue(int column, Variant& into) const {
    if (!onRow_) return into.set(Variant::NullTag{});
    if (!rowRead_) readRow();
    into = row_[static_cast<std::size_t>(column)];
}

void OdbcStatement::readRow() const {
    for (std::size_t c = 0; c < columns_.size(); ++c)
        row_[c] = readColumn(static_cast<int>(c));
    rowRead_ = true;
}

bool OdbcStatement::readData(int column, SQLSMALLINT cType, std::string& into) const {
    into.clear();
    // Text arrives with a terminating NUL in every piece; bytes without.
    const std::size_t room = sizeof piece_ - (cType == SQL_C_CHAR ? 1 : 0);
    for (;;) {
        SQLLEN length = 0;
        const SQLRETURN rc = SQLGetData(stmt_, static_cast<SQLUSMALLINT>(column + 1), cType, piece_,
                                        sizeof piece_, &length);
        if (rc == SQL_NO_DATA) return true;
        checkOdbc(rc, SQL_HANDLE_STMT, stmt_);
        if (length == SQL_NULL_DATA) return false;
        // Information with data means the piece was cut short: more follows.
        if (rc == SQL_SUCCESS_WITH_INFO) {
            into.append(piece_, room);
            continue;
        }
        into.append(piece_, std::min(room, static_cast<std::size_t>(std::max<SQLLEN>(length, 0))));
        return true;
    }
}

Variant OdbcStatement::readColumn(int column) const {
    const ColumnInfo& info = columns_[static_cast<std::size_t>(column)];
    const SQLUSMALLINT number = static_cast<SQLUSMALLINT>(column + 1);
    SQLLEN length = 0;
    switch (info.type) {
        case FieldType::Smallint:
        case FieldType::Integer:
        case FieldType::Largeint: {
            SQLBIGINT v = 0;
            checkOdbc(SQLGetData(stmt_, number, SQL_C_SBIGINT, &v, sizeof v, &length),
                      SQL_HANDLE_STMT, stmt_);
            if (length == SQL_NULL_DATA) return Variant::null();
            if (info.type == FieldType::Smallint && v >= INT16_MIN && v <= INT16_MAX)
                return Variant(static_cast<std::int16_t>(v));
            if (info.type != FieldType::Largeint && v >= INT32_MIN && v <= INT32_MAX)
                return Variant(static_cast<std::int32_t>(v));
            return Variant(static_cast<std::int64_t>(v));
        }
        case FieldType::Float: {
            double v = 0;
            checkOdbc(SQLGetData(stmt_, number, SQL_C_DOUBLE, &v, sizeof v, &length),
                      SQL_HANDLE_STMT, stmt_);
            if (length == SQL_NULL_DATA) return Variant::null();
            return Variant(v);
        }
        case FieldType::Blob:
            if (!readData(column, SQL_C_BINARY, buffer_)) return Variant::null();
            return Variant(Blob{buffer_});
        default:
            break;
    }
    if (!readData(column, SQL_C_CHAR, buffer_)) return Variant::null();
    if (info.type == FieldType::Date) {
        if (auto d = Date::parse(buffer_)) return Variant(*d);
    } else if (info.type == FieldType::Time) {
        if (auto t = Time::parse(buffer_)) return Variant(*t);
    }
    return Variant(std::string_view(buffer_));
}

void OdbcStatement::reset() {
    if (open_) SQLFreeStmt(stmt_, SQL_CLOSE);
    open_ = onRow_ = rowRead_ = false;
}

}  // namespace zorvanil::db
