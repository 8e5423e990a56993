#include "server/apply_scope.hpp"

#include <exception>

#include "db/sql_connection.hpp"

namespace zorvanil::server {

namespace {

constexpr const char* kSavepoint = "ZRV_APPLY";

db::TransactionDesc applyTransaction() {
    db::TransactionDesc desc;
    desc.transactionID = 1;
    return desc;
}

}  // namespace

ApplyScope::ApplyScope(db::SQLConnection& connection)
    : connection_(connection), own_(!connection.inTransaction()) {
    if (own_)
        connection_.startTransaction(applyTransaction());
    else
        connection_.savepoint(kSavepoint);
}

ApplyScope::~ApplyScope() {
    if (ended_) return;
    try {
        undo();
    } catch (const std::exception&) {
        // Already failing: the error that ends the apply is the one the client reads.
    }
}

bool ApplyScope::alive() const {
    return connection_.inTransaction() && (own_ || connection_.hasSavepoint(kSavepoint));
}

void ApplyScope::keep() {
    ended_ = true;
    if (!alive()) return;
    if (!own_) {
        connection_.releaseSavepoint(kSavepoint);
        return;
    }
    try {
        connection_.commit(applyTransaction());
    } catch (...) {
        if (connection_.inTransaction()) connection_.rollback(applyTransaction());
        throw;
    }
}

void ApplyScope::undo() {
    ended_ = true;
    if (!alive()) return;
    if (own_) {
        connection_.rollback(applyTransaction());
        return;
    }
    connection_.rollbackToSavepoint(kSavepoint);
    connection_.releaseSavepoint(kSavepoint);
}

}  // namespace zorvanil::server
