#pragma once

struct sqlite3;

namespace zorvanil::db {

// Makes a SQLite connection answer the DB2 SQL the server sends: CHAR(x) gives the character
// form of a number or date in place of SQLite's own char(), and LIKE compares letter case.
// The embedded driver calls it on every connection it opens; the loadable extension of
// sqlite_extension/ calls it on the connections of the SQLite ODBC driver. Returns SQLite's
// result code.
int addDb2Functions(sqlite3* db);

}  // namespace zorvanil::db
