#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zorvanil::test {

// A plain SQLite connection, for setting up a database and looking at it beside the server: no
// driver, no trace. It waits up to five seconds for a lock that another connection holds.
class RawSqlite {
  public:
    // Opens the database with sqlite3_open_v2's flags; by default a missing file is created.
    explicit RawSqlite(const std::filesystem::path& file,
                       int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    ~RawSqlite();
    RawSqlite(const RawSqlite&) = delete;
    RawSqlite& operator=(const RawSqlite&) = delete;

    // Runs statements separated by ';'; throws SQLite's message when one fails.
    void exec(std::string_view sql);

    using Statement = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;
    // Prepares one statement. With `error` a failure leaves SQLite's message there (empty when
    // it prepares); without, a failure throws.
    Statement prepare(const std::string& sql, std::string* error = nullptr);

    // Every row of a query, each value as text (NULL as "").
    std::vector<std::vector<std::string>> rows(const std::string& sql);
    // The first column of the first row as a number; throws when there is no row.
    std::int64_t number(const std::string& sql);
    // The first column of the first row as text ("" for none).
    std::string text(const std::string& sql);

  private:
    sqlite3* db_ = nullptr;
};

}  // namespace zorvanil::test
