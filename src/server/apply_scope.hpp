#pragma once

namespace zorvanil::db {
class SQLConnection;
}

namespace zorvanil::server {

// The transaction that an apply under a request id, or a dry run, holds around the provider's
// apply, so that it can look up, record or undo in the same transaction: one of its own, or,
// inside a transaction that the command channel holds open, a savepoint of that transaction. The
// provider sees a transaction already open and leaves ending it to the scope. Undone on
// destruction unless kept.
class ApplyScope {
  public:
    explicit ApplyScope(db::SQLConnection& connection);
    ~ApplyScope();
    ApplyScope(const ApplyScope&) = delete;
    ApplyScope& operator=(const ApplyScope&) = delete;

    // Whether the scope is a transaction of its own rather than a savepoint.
    bool own() const { return own_; }
    // Whether what ran in the scope is still there: a statement that hit several rows rolls the
    // connection's whole transaction back under the apply.
    bool alive() const;
    // Commits (releases the savepoint).
    void keep();
    // Rolls back (to the savepoint, and releases it).
    void undo();

  private:
    db::SQLConnection& connection_;
    bool own_;
    bool ended_ = false;
};

}  // namespace zorvanil::server
