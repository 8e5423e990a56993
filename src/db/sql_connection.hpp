#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/driver.hpp"
#include "db/param_list.hpp"

namespace zorvanil::db {

class ConnectionWatch;
class SqlTrace;

// The descriptor of a transaction: only the identifier is ever set by the server.
struct TransactionDesc {
    std::uint32_t transactionID = 0;
    std::uint32_t globalID = 0;
    IsolationLevel isolationLevel = IsolationLevel::ReadCommitted;
    std::uint32_t customIsolation = 0;
};

// What a connection needs from its process: which driver implementation to use and how long
// statements may run and writers wait; plus the optional statement trace.
struct ConnectionServices {
    std::string driverImplementation = "sqlite";
    int busyTimeoutMs = 30000;
    int statementTimeoutMs = 0;
    std::shared_ptr<SqlTrace> trace;
    // Told of every statement and transaction of the connection, when set.
    std::shared_ptr<ConnectionWatch> watch;
    std::uint64_t connectionId = 0;  // tells this connection apart in the trace and the logs
};

// The database connection of a server object: its settings and parameters, the connection
// attempt with its before-connect handler, transactions, and the statements of its datasets.
class SQLConnection {
  public:
    struct Settings {
        std::string connectionName;
        std::string driverName;
        std::string libraryName;
        std::string getDriverFunc;
        std::string vendorLib;
        bool loginPrompt = false;
    };

    SQLConnection(Settings settings, ParamList params, ConnectionServices services);
    ~SQLConnection();
    SQLConnection(const SQLConnection&) = delete;
    SQLConnection& operator=(const SQLConnection&) = delete;

    const Settings& settings() const { return settings_; }
    ParamList& params() { return params_; }
    const ParamList& params() const { return params_; }

    // Runs immediately before each connection attempt.
    std::function<void(SQLConnection&)> beforeConnect;
    // Would run with the login parameters if the login prompt were on.
    std::function<void(SQLConnection&, ParamList&)> onLogin;

    void open();
    void close();
    bool connected() const { return driver_connection_ != nullptr; }

    // The open driver connection, opening it first when it is closed.
    DriverConnection& driverConnection();

    // Transactions: one at a time unless the driver supports several.
    void startTransaction(const TransactionDesc& desc);
    void commit(const TransactionDesc& desc);
    void rollback(const TransactionDesc& desc);
    bool inTransaction() const { return transactionCount_ > 0; }
    // Savepoints of the open transaction, which ends them all, whichever way it ends. Each name
    // is a plain identifier; the same name may be set again, and then means the latest one.
    // Without a transaction setting one fails with "There is no active transaction"; releasing
    // or rolling back to a name that is not set fails with "There is no savepoint %s".
    void savepoint(const std::string& name);
    void releaseSavepoint(const std::string& name);
    void rollbackToSavepoint(const std::string& name);
    bool hasSavepoint(std::string_view name) const;
    // The isolation level of the "DB2 TransIsolation" parameter.
    IsolationLevel isolationLevel() const;

    // Runs a statement with its parameters bound in order; returns the rows it affected. The
    // statement stays compiled for the next run of the same text (see compiled()).
    std::int64_t execute(const std::string& sql, const std::vector<Variant>& params);
    // Runs a statement directly: the one text sent as it stands, not kept compiled, without
    // parameters. Returns the rows it affected.
    std::int64_t executeDirect(std::string_view sql);
    // Runs a query and returns its first row, empty when it has none; kept compiled like
    // execute's.
    std::vector<Variant> firstRow(const std::string& sql, const std::vector<Variant>& params);

    // Records a statement in the trace, when there is one, and in the collection, when one is set,
    // and tells the watch.
    void trace(std::string_view sql, const std::vector<Variant>& params) const;
    // From now on every statement traced is also added to `into` as a pair [text, [params]];
    // null stops collecting. A dry run answers what it ran this way.
    void collectStatements(Variant::Array* into) { collected_ = into; }
    std::uint64_t id() const { return services_.connectionId; }

  private:
    // The statement of that text, compiled on the first run and kept for the next ones: the
    // resolver runs one INSERT, UPDATE or DELETE text with parameters for every changed row of a
    // table, and compiling it again for each row cost more than running it. The most recently
    // used texts are kept, kMaxCompiled at most; closing the connection drops them. A statement
    // kept across a change of the schema is compiled again by the driver when it next runs.
    DriverStatement& compiled(const std::string& sql);

    struct CompiledStatement {
        std::string sql;
        std::unique_ptr<DriverStatement> statement;
    };
    static constexpr std::size_t kMaxCompiled = 16;

    Settings settings_;
    ParamList params_;
    ConnectionServices services_;
    std::unique_ptr<Driver> driver_;
    std::unique_ptr<DriverConnection> driver_connection_;
    int transactionCount_ = 0;
    std::vector<std::string> savepoints_;      // of the open transaction, oldest first
    std::vector<CompiledStatement> compiled_;  // the most recently used first
    Variant::Array* collected_ = nullptr;
};

}  // namespace zorvanil::db
