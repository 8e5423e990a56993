#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zorvanil::test {

// The driver the test support opens every connection through: "sqlite", or the one that
// ZORVANIL_TEST_DRIVER names ("odbc", as the suites' second run in CTest sets it).
std::string testDriver();
bool testingThroughOdbc();

// A database's message as SQLite itself writes it. Through the odbc driver the client reads the
// SQLite ODBC driver's text, which puts "[SQLite]" before SQLite's and its result code after
// ("[SQLite]no such table: X (1)"): this takes them off, so that one expectation serves both
// runs of a suite. Any other text is returned as it stands.
std::string engineText(std::string_view message);

// What line 3 of a connection file holds to open the SQLite file `database` through the test
// driver: the file itself, or for odbc a connection string of the SQLite ODBC driver that loads
// the DB2 functions, so that no odbc.ini of the machine is needed.
std::string databaseAlias(const std::filesystem::path& database);
std::string sqliteOdbcConnectionString(const std::filesystem::path& database);
// The SQLite ODBC driver and the extension of the DB2 functions, as the build found and built them.
std::string sqliteOdbcDriverPath();
std::string db2ExtensionPath();

}  // namespace zorvanil::test
