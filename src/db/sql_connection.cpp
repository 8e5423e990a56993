#include "db/sql_connection.hpp"

#include <algorithm>

#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"
#include "db/connection_watch.hpp"
#include "db/sql_trace.hpp"

namespace zorvanil::db {

SQLConnection::SQLConnection(Settings settings, ParamList params, ConnectionServices services)
    : settings_(std::move(settings)), params_(std::move(params)), services_(std::move(services)) {}

SQLConnection::~SQLConnection() {
    close();
}

IsolationLevel SQLConnection::isolationLevel() const {
    std::string level = params_.value("DB2 TransIsolation");
    if (sameText(level, "dirtyread")) return IsolationLevel::DirtyRead;
    if (sameText(level, "repeatableread")) return IsolationLevel::RepeatableRead;
    return IsolationLevel::ReadCommitted;
}

void SQLConnection::open() {
    if (connected()) return;
    if (beforeConnect) beforeConnect(*this);

    // The driver named by the connection's settings is served by the implementation the process
    // was configured with; an implementation that does not exist cannot be loaded.
    if (!driver_) {
        driver_ = makeDriver(services_.driverImplementation);
        if (!driver_)
            throw DatabaseError(formatMessage(msg::kUnableToLoad, {trim(settings_.libraryName)}));
    }
    ConnectRequest request;
    request.password = params_.value("Password");
    request.userName = params_.value("User_Name");
    request.database = std::string(trim(params_.value("Database")));
    request.isolation = isolationLevel();
    request.busyTimeoutMs = services_.busyTimeoutMs;
    request.statementTimeoutMs = services_.statementTimeoutMs;
    driver_connection_ = driver_->connect(request);
    transactionCount_ = 0;
    savepoints_.clear();
}

void SQLConnection::close() {
    // The statements belong to the driver's connection and go first.
    compiled_.clear();
    driver_connection_.reset();
    if (services_.watch && inTransaction()) services_.watch->transactionEnded();
    transactionCount_ = 0;
    savepoints_.clear();
}

DriverConnection& SQLConnection::driverConnection() {
    if (!connected()) open();
    return *driver_connection_;
}

void SQLConnection::startTransaction(const TransactionDesc& desc) {
    (void)desc;
    if (!connected()) open();
    if (!connected()) throw DatabaseError(msg::kConnectionClosed);
    if (inTransaction() && !driver_connection_->supportsMultipleTransactions())
        throw DatabaseError(msg::kTransactionActive);
    trace("BEGIN IMMEDIATE", {});
    // The start waits for the database's write lock while another connection writes.
    const auto asked = std::chrono::steady_clock::now();
    driver_connection_->beginTransaction(isolationLevel());
    ++transactionCount_;
    if (services_.watch)
        services_.watch->transactionStarted(std::chrono::steady_clock::now() - asked);
}

void SQLConnection::commit(const TransactionDesc& desc) {
    (void)desc;
    if (!inTransaction() || !connected()) throw DatabaseError(msg::kNoActiveTransaction);
    trace("COMMIT", {});
    driver_connection_->commit();
    --transactionCount_;
    savepoints_.clear();
    if (services_.watch && !inTransaction()) services_.watch->transactionEnded();
}

void SQLConnection::rollback(const TransactionDesc& desc) {
    (void)desc;
    if (!inTransaction() || !connected()) throw DatabaseError(msg::kNoActiveTransaction);
    trace("ROLLBACK", {});
    // The transaction is over even when the driver reports a failure.
    --transactionCount_;
    savepoints_.clear();
    if (services_.watch && !inTransaction()) services_.watch->transactionEnded();
    driver_connection_->rollback();
}

void SQLConnection::savepoint(const std::string& name) {
    if (!inTransaction() || !connected()) throw DatabaseError(msg::kNoActiveTransaction);
    trace("SAVEPOINT " + name, {});
    driver_connection_->savepoint(name);
    savepoints_.push_back(name);
}

bool SQLConnection::hasSavepoint(std::string_view name) const {
    return std::find(savepoints_.rbegin(), savepoints_.rend(), name) != savepoints_.rend();
}

namespace {

// The position of the latest savepoint of that name; fails when there is none.
std::size_t latest(const std::vector<std::string>& savepoints, const std::string& name) {
    for (std::size_t i = savepoints.size(); i-- > 0;)
        if (savepoints[i] == name) return i;
    throw DatabaseError(formatMessage(msg::kNoSuchSavepoint, {name}));
}

}  // namespace

void SQLConnection::releaseSavepoint(const std::string& name) {
    const std::size_t at = latest(savepoints_, name);
    trace("RELEASE SAVEPOINT " + name, {});
    driver_connection_->releaseSavepoint(name);
    savepoints_.resize(at);
}

void SQLConnection::rollbackToSavepoint(const std::string& name) {
    const std::size_t at = latest(savepoints_, name);
    trace("ROLLBACK TO SAVEPOINT " + name, {});
    driver_connection_->rollbackToSavepoint(name);
    savepoints_.resize(at + 1);
}

DriverStatement& SQLConnection::compiled(const std::string& sql) {
    DriverConnection& connection = driverConnection();
    for (std::size_t i = 0; i < compiled_.size(); ++i) {
        if (compiled_[i].sql != sql) continue;
        std::rotate(compiled_.begin(), compiled_.begin() + static_cast<std::ptrdiff_t>(i),
                    compiled_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        return *compiled_.front().statement;
    }
    std::unique_ptr<DriverStatement> statement = connection.prepare(sql);
    if (compiled_.size() >= kMaxCompiled) compiled_.pop_back();
    compiled_.insert(compiled_.begin(), {sql, std::move(statement)});
    return *compiled_.front().statement;
}

namespace {

// Ends the run of a kept statement whatever happens to the caller, so that it holds no cursor
// and no lock of the database until its next run.
struct StatementRun {
    DriverStatement& statement;
    ~StatementRun() { statement.reset(); }
};

// Binds the values to the parameters in order; a parameter past them is null, as it is in a
// statement compiled afresh, and not the value of the statement's last run.
void bindInOrder(DriverStatement& statement, const std::vector<Variant>& params) {
    for (std::size_t i = 0; i < params.size(); ++i)
        statement.bind(static_cast<int>(i) + 1, params[i]);
    for (int i = static_cast<int>(params.size()) + 1; i <= statement.parameterCount(); ++i)
        statement.bind(i, Variant::null());
}

}  // namespace

std::int64_t SQLConnection::execute(const std::string& sql, const std::vector<Variant>& params) {
    // Traced before it is compiled: a statement the database refuses is where a trace is most
    // looked into.
    trace(sql, params);
    StatementRun run{compiled(sql)};
    bindInOrder(run.statement, params);
    run.statement.execute();
    return run.statement.rowsAffected();
}

std::int64_t SQLConnection::executeDirect(std::string_view sql) {
    const std::string text(sql);
    DriverConnection& connection = driverConnection();
    trace(text, {});
    return connection.executeDirect(text);
}

std::vector<Variant> SQLConnection::firstRow(const std::string& sql,
                                             const std::vector<Variant>& params) {
    trace(sql, params);
    StatementRun run{compiled(sql)};
    bindInOrder(run.statement, params);
    run.statement.execute();
    std::vector<Variant> row;
    if (run.statement.fetch())
        for (std::size_t c = 0; c < run.statement.columns().size(); ++c)
            row.push_back(run.statement.value(static_cast<int>(c)));
    return row;
}

void SQLConnection::trace(std::string_view sql, const std::vector<Variant>& params) const {
    if (services_.trace) services_.trace->record(sql, params, services_.connectionId);
    if (collected_)
        collected_->push_back(Variant(Variant::Array{Variant(std::string(sql)), Variant(params)}));
    if (services_.watch) services_.watch->statementSent(sql);
}

}  // namespace zorvanil::db
