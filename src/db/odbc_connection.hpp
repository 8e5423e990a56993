#pragma once

#include <sql.h>

#include <string>
#include <vector>

#include "db/driver.hpp"

namespace zorvanil::db {

// One connection through the ODBC driver manager, with an environment of its own.
class OdbcConnection : public DriverConnection {
  public:
    explicit OdbcConnection(const ConnectRequest& request);
    ~OdbcConnection() override;
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    std::unique_ptr<DriverStatement> prepare(const std::string& sql) override;
    std::int64_t executeDirect(const std::string& sql) override;
    void beginTransaction(IsolationLevel level) override;
    void commit() override;
    void rollback() override;
    void savepoint(const std::string& name) override;
    void releaseSavepoint(const std::string& name) override;
    void rollbackToSavepoint(const std::string& name) override;
    std::string quoteChar() const override { return quote_; }
    std::vector<std::string> uniqueIndexFields(const std::string& table) override;

    // The database product as the driver names it ("DB2/LINUXX8664", "SQLite").
    const std::string& dbmsName() const { return dbmsName_; }

  private:
    void connect(const ConnectRequest& request);
    void readDriverFacts();
    void setDefaultSchema(const std::string& user);
    void endTransaction(SQLSMALLINT completion);
    void run(const std::string& sql);
    std::vector<std::string> keyColumns(const std::string& table, bool primaryKey);
    void release();

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
    bool inTransaction_ = false;
    bool db2_ = false;
    bool sqlite_ = false;
    std::string dbmsName_;
    std::string quote_;
    std::string schema_;  // the default schema set at connection; empty when none was
    SQLUINTEGER isolationOptions_ = 0;
    SQLULEN timeoutSeconds_ = 0;
    struct TableKey {
        std::string table;
        std::vector<std::string> fields;
    };
    std::vector<TableKey> keys_;
};

}  // namespace zorvanil::db
