#pragma once

namespace zorvanil::db {
class SQLConnection;
}

namespace zorvanil::server {

// The savepoint one change of an apply runs inside, together with its before- and after-update
// handlers: a change that succeeds keeps everything it ran, one that fails is undone to the
// savepoint before its error handler decides the response, so that a change tried again starts
// clean and one given up leaves nothing behind, whatever the apply then commits.
//
// Without a transaction there is no savepoint. Nor is there one to keep or undo once the
// transaction has ended under the change: a statement that hit several rows rolls the whole
// transaction back, and a handler may end it.
class ChangeSavepoint {
  public:
    explicit ChangeSavepoint(db::SQLConnection& connection);
    // Undoes a change that was neither kept nor undone: one whose error escapes the apply.
    ~ChangeSavepoint();
    ChangeSavepoint(const ChangeSavepoint&) = delete;
    ChangeSavepoint& operator=(const ChangeSavepoint&) = delete;

    void keep();
    void undo();

  private:
    bool stillSet() const;

    db::SQLConnection& connection_;
    bool set_ = false;
};

}  // namespace zorvanil::server
