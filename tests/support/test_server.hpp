#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/sql_trace.hpp"
#include "server/handler_table.hpp"
#include "server/server_environment.hpp"
#include "support/temp_dir.hpp"

namespace zorvanil::test {

// A SQLite database in a temporary directory, a connection file that names it, and a server
// environment whose configuration files and statement trace live there too.
class TestDatabase {
  public:
    // `ddl` runs on the new database (statements separated by ';').
    explicit TestDatabase(const std::string& ddl = "");
    const std::filesystem::path& file() const { return file_; }
    const std::filesystem::path& dir() const { return dir_.path(); }
    std::shared_ptr<server::ServerEnvironment> environment() const { return env_; }
    db::SqlTrace& trace() const { return *trace_; }
    // The statements of the trace, without the transaction and savepoint statements.
    std::vector<std::string> statements() const;
    // Runs SQL on its own connection (outside any server object).
    void exec(const std::string& sql) const;
    // The first column of the first row of a query, as text ("" for none).
    std::string scalar(const std::string& sql) const;
    // The messages the configuration procedure reported.
    const std::vector<std::string>& reported() const { return *reported_; }
    // Rewrites the connection file so that the next connection opens `database` through the
    // test driver (see test_driver.hpp).
    void pointConnectionFileAt(const std::filesystem::path& database) const;

  private:
    TempDir dir_;
    std::filesystem::path file_;
    std::shared_ptr<db::SqlTrace> trace_;
    std::shared_ptr<std::vector<std::string>> reported_;
    std::shared_ptr<server::ServerEnvironment> env_;
};

// Customers and orders with their lines, a few rows each; used by most tests of the server core.
extern const char* const kShopDdl;
// Table T (ID, NAME) with three rows; enough for the transport and host tests.
extern const char* const kSmallTableDdl;

}  // namespace zorvanil::test
