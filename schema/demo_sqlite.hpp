#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "schema/demo_values.hpp"

struct sqlite3;
struct sqlite3_stmt;

namespace zorvanil::schema::demo {

// Fails with the database's own message about what went wrong.
[[noreturn]] void fail(sqlite3* db, std::string_view what);

// One prepared INSERT or UPDATE, run once per row.
class Statement {
  public:
    Statement(sqlite3* db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds the values in order and runs the statement once.
    template <typename... Values>
    void run(const Values&... values) {
        int index = 0;
        (bind(++index, values), ...);
        step();
    }
    // How many times the statement ran.
    std::int64_t rows() const { return rows_; }

  private:
    void step();
    void check(int rc);
    void bind(int i, Null);
    void bind(int i, int value);
    void bind(int i, std::int64_t value);
    void bind(int i, double value);
    void bind(int i, Money value);
    void bind(int i, Quantity value);
    // The text outlives the step, so SQLite need not copy it.
    void bind(int i, std::string_view value);
    void bind(int i, const std::string& value);
    void bind(int i, const char* value);
    void bind(int i, Day value);
    void bind(int i, Clock value);
    void bind(int i, Bytes value);
    template <typename T>
    void bind(int i, const std::optional<T>& value) {
        if (value)
            bind(i, *value);
        else
            bind(i, kNull);
    }
    void bindCopy(int i, const std::string& text);

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
    std::int64_t rows_ = 0;
};

// The connection to the new file, open for reading and writing.
class Database {
  public:
    explicit Database(const std::string& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void exec(const char* sql);
    void exec(const std::string& sql) { exec(sql.c_str()); }
    sqlite3* handle() const { return db_; }

  private:
    sqlite3* db_ = nullptr;
};

}  // namespace zorvanil::schema::demo
