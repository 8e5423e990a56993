#include "support/raw_sqlite.hpp"

#include <stdexcept>

namespace zorvanil::test {

RawSqlite::RawSqlite(const std::filesystem::path& file, int flags) {
    if (sqlite3_open_v2(file.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db_);
        throw std::runtime_error("cannot open " + file.string());
    }
    sqlite3_busy_timeout(db_, 5000);
}

RawSqlite::~RawSqlite() {
    sqlite3_close_v2(db_);
}

void RawSqlite::exec(std::string_view sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, std::string(sql).c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : "error";
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

RawSqlite::Statement RawSqlite::prepare(const std::string& sql, std::string* error) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr);
    if (error) *error = rc == SQLITE_OK ? "" : sqlite3_errmsg(db_);
    if (rc != SQLITE_OK && !error) throw std::runtime_error(sqlite3_errmsg(db_) + (": " + sql));
    return Statement(stmt, sqlite3_finalize);
}

std::vector<std::vector<std::string>> RawSqlite::rows(const std::string& sql) {
    Statement stmt = prepare(sql);
    std::vector<std::vector<std::string>> result;
    while (sqlite3_step(stmt.get()) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(stmt.get()); ++i) {
            const unsigned char* text = sqlite3_column_text(stmt.get(), i);
            row.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
        }
        result.push_back(std::move(row));
    }
    return result;
}

std::int64_t RawSqlite::number(const std::string& sql) {
    Statement stmt = prepare(sql);
    if (sqlite3_step(stmt.get()) != SQLITE_ROW) throw std::runtime_error("no row: " + sql);
    return sqlite3_column_int64(stmt.get(), 0);
}

std::string RawSqlite::text(const std::string& sql) {
    auto result = rows(sql);
    return result.empty() || result[0].empty() ? std::string() : result[0][0];
}

}  // namespace zorvanil::test
