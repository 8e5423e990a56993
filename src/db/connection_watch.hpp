#pragma once

#include <chrono>
#include <string_view>

namespace zorvanil::db {

// What a connection tells whoever watches it: each statement it sends, and when its transaction
// starts and ends. Called on the connection's own thread, inside its calls: an implementation
// copies what it needs and returns at once, and never throws.
class ConnectionWatch {
  public:
    virtual ~ConnectionWatch() = default;

    virtual void statementSent(std::string_view sql) noexcept = 0;
    // `lockWait` is how long starting it took: on SQLite, the wait for the database's write lock.
    virtual void transactionStarted(std::chrono::steady_clock::duration lockWait) noexcept = 0;
    virtual void transactionEnded() noexcept = 0;
};

}  // namespace zorvanil::db
