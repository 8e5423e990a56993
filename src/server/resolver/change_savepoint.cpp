#include "server/resolver/change_savepoint.hpp"

#include <exception>

#include "db/sql_connection.hpp"

namespace zorvanil::server {

namespace {

constexpr const char* kSavepoint = "APPLY_CHANGE";

}  // namespace

ChangeSavepoint::ChangeSavepoint(db::SQLConnection& connection) : connection_(connection) {
    if (!connection_.inTransaction()) return;
    connection_.savepoint(kSavepoint);
    set_ = true;
}

ChangeSavepoint::~ChangeSavepoint() {
    try {
        undo();
    } catch (const std::exception&) {
        // The error on its way out ends the apply; its transaction goes with it.
    }
}

bool ChangeSavepoint::stillSet() const {
    return set_ && connection_.inTransaction() && connection_.hasSavepoint(kSavepoint);
}

void ChangeSavepoint::keep() {
    if (stillSet()) connection_.releaseSavepoint(kSavepoint);
    set_ = false;
}

void ChangeSavepoint::undo() {
    if (stillSet()) {
        set_ = false;
        connection_.rollbackToSavepoint(kSavepoint);
        connection_.releaseSavepoint(kSavepoint);
    }
    set_ = false;
}

}  // namespace zorvanil::server
