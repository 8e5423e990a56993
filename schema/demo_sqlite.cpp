#include "schema/demo_sqlite.hpp"

#include <sqlite3.h>

#include <stdexcept>

namespace zorvanil::schema::demo {

void fail(sqlite3* db, std::string_view what) {
    throw std::runtime_error("Demo database: " + std::string(what) + ": " + sqlite3_errmsg(db));
}

Statement::Statement(sqlite3* db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
        fail(db, std::string("cannot prepare ") + sql);
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

void Statement::step() {
    if (sqlite3_step(stmt_) != SQLITE_DONE) fail(db_, sqlite3_sql(stmt_));
    sqlite3_reset(stmt_);
    ++rows_;
}

void Statement::check(int rc) {
    if (rc != SQLITE_OK) fail(db_, "cannot bind a value");
}

void Statement::bind(int i, Null) {
    check(sqlite3_bind_null(stmt_, i));
}
void Statement::bind(int i, int value) {
    check(sqlite3_bind_int64(stmt_, i, value));
}
void Statement::bind(int i, std::int64_t value) {
    check(sqlite3_bind_int64(stmt_, i, value));
}
void Statement::bind(int i, double value) {
    check(sqlite3_bind_double(stmt_, i, value));
}
void Statement::bind(int i, Money value) {
    bind(i, static_cast<double>(value.cents) / 100.0);
}
void Statement::bind(int i, Quantity value) {
    bind(i, static_cast<double>(value.tenths) / 10.0);
}
void Statement::bind(int i, std::string_view value) {
    check(sqlite3_bind_text(stmt_, i, value.data(), static_cast<int>(value.size()), SQLITE_STATIC));
}
void Statement::bind(int i, const std::string& value) {
    bind(i, std::string_view(value));
}
void Statement::bind(int i, const char* value) {
    bind(i, std::string_view(value));
}
void Statement::bind(int i, Day value) {
    bindCopy(i, dayText(value.value));
}
void Statement::bind(int i, Clock value) {
    bindCopy(i, clockText(value.seconds));
}
void Statement::bind(int i, Bytes value) {
    check(sqlite3_bind_blob(stmt_, i, value.data.data(), static_cast<int>(value.data.size()),
                            SQLITE_TRANSIENT));
}
void Statement::bindCopy(int i, const std::string& text) {
    check(
        sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
}

Database::Database(const std::string& path) {
    int rc =
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string text = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        throw std::runtime_error("Demo database: cannot open '" + path + "': " + text);
    }
}

Database::~Database() {
    sqlite3_close_v2(db_);
}

void Database::exec(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string text = error ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error("Demo database: " + text);
    }
}

}  // namespace zorvanil::schema::demo
