#pragma once

#include <sql.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/driver.hpp"
#include "db/named_parameters.hpp"

namespace zorvanil::db {

// The field type, size and fixed flag of a column as SQLDescribeCol reports it, with the name of
// its type as the database writes it: a driver may report a CHAR(n) column as varying
// (SQLite's reports every text column so), and the name still says it is fixed.
ColumnInfo columnInfoFromSqlType(SQLSMALLINT sqlType, SQLULEN size, std::string_view typeName);

// How a statement learns whether a column is declared NOT NULL.
enum class NullabilitySource : std::uint8_t {
    Description,  // SQLDescribeCol tells it (DB2)
    Catalogue,    // SQLColumns of the column's table tells it (the SQLite ODBC driver describes
                  // every column as nullable)
};

// A statement prepared on an ODBC connection, its named parameters sent as "?" markers. Rows are
// read forward only; a row's columns are read from the driver the first time one of them is
// asked for, all at once and in order (drivers need not give a column twice, nor out of order),
// so that a row skipped unread costs only its fetch.
class OdbcStatement : public DriverStatement {
  public:
    // `timeoutSeconds` 0: no time limit.
    OdbcStatement(SQLHDBC connection, const std::string& sql, SQLULEN timeoutSeconds,
                  NullabilitySource nullability);
    ~OdbcStatement() override;
    OdbcStatement(const OdbcStatement&) = delete;
    OdbcStatement& operator=(const OdbcStatement&) = delete;

    int parameterCount() const override { return static_cast<int>(marked_.names.size()); }
    std::string parameterName(int index) const override;
    void bind(int index, const Variant& value) override;
    void execute() override;
    const std::vector<ColumnInfo>& columns() const override { return columns_; }
    bool columnRequired(int column) const override;
    std::uint64_t columnsVersion() const override { return described_ ? 1 : 0; }
    bool fetch() override;
    void readValue(int column, Variant& into) const override;
    std::int64_t rowsAffected() const override { return rowsAffected_; }
    void reset() override;

  private:
    void bindParameters();
    void describeColumns();
    void readRow() const;
    Variant readColumn(int column) const;
    // The column's data as the C type asks (text or bytes), read piece by piece; false for null.
    bool readData(int column, SQLSMALLINT cType, std::string& into) const;
    bool declaredNotNull(int column) const;

    SQLHSTMT stmt_ = SQL_NULL_HSTMT;
    MarkedStatement marked_;
    std::vector<Variant> params_;
    std::vector<std::string> paramBuffers_;
    std::vector<SQLLEN> paramLengths_;
    std::vector<ColumnInfo> columns_;
    // Per column: 1 NOT NULL, 0 nullable, -1 not known yet (asked of the catalogue when told).
    mutable std::vector<int> required_;
    SQLHDBC connection_;
    NullabilitySource nullability_;
    bool described_ = false;
    bool open_ = false;
    bool onRow_ = false;
    std::int64_t rowsAffected_ = 0;
    mutable bool rowRead_ = false;
    mutable std::vector<Variant> row_;
    mutable std::string buffer_;
    mutable char piece_[4096];
};

}  // namespace zorvanil::db
