#pragma once

#include "db/driver.hpp"

namespace zorvanil::db {

// The embedded driver: one SQLite file per database alias. It makes SQLite answer the DB2 SQL the
// server sends: CHAR(x) gives the character form of a number or date, LIKE compares letter case,
// result columns are named as DB2 names them, and field types follow the declared column types.
// Writers wait for each other (busy timeout, transactions that take the write lock when they
// start), the journal is WAL and every commit is durable.
class SqliteDriver : public Driver {
  public:
    std::unique_ptr<DriverConnection> connect(const ConnectRequest& request) override;
};

// Sets up the SQLite library for a process that serves many connections, before it opens the
// first one: SQLite then keeps no count of the memory it allocates. The count takes a lock shared
// by every connection of the process on each allocation, and a page read allocates hundreds of
// times. Returns false when SQLite was already in use, which leaves the count on.
bool configureSqliteLibrary();

// Field type, size and fixed flag of a declared column type such as "VARCHAR(30)".
ColumnInfo columnInfoFromDeclaredType(std::string_view declared);

}  // namespace zorvanil::db
