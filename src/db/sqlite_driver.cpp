#include "db/sqlite_driver.hpp"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <filesystem>
#include <string_view>

#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"
#include "db/column_name.hpp"
#include "db/db2_functions.hpp"

namespace zorvanil::db {

namespace {

[[noreturn]] void fail(sqlite3* db, int rc) {
    const char* text = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    throw DatabaseError(text ? text : msg::kSqliteError);
}

// A column without a declared type (an expression) takes its type from the first row's value.
ColumnInfo columnInfoFromValue(int sqliteType) {
    switch (sqliteType) {
        case SQLITE_INTEGER:
            return {"", FieldType::Integer, 0, false};
        case SQLITE_FLOAT:
            return {"", FieldType::Float, 0, false};
        case SQLITE_BLOB:
            return {"", FieldType::Blob, 1, false};
        default:
            return {"", FieldType::String, 255, false};
    }
}

// The size of a declared type: taken from the declaration, or from it with 1 when it gives none.
constexpr int kDeclaredSize = -1;
constexpr int kDeclaredSizeOrOne = -2;

struct DeclaredType {
    std::string_view name;  // letter case ignored
    FieldType type;
    int size;
    bool fixed;
};

constexpr DeclaredType kDeclaredTypes[] = {
    {"SMALLINT", FieldType::Smallint, 0, false},
    {"INTEGER", FieldType::Integer, 0, false},
    {"INT", FieldType::Integer, 0, false},
    {"BIGINT", FieldType::Largeint, 0, false},
    {"DOUBLE", FieldType::Float, 0, false},
    {"DOUBLE PRECISION", FieldType::Float, 0, false},
    {"FLOAT", FieldType::Float, 0, false},
    {"REAL", FieldType::Float, 0, false},
    {"DECIMAL", FieldType::Float, 0, false},
    {"NUMERIC", FieldType::Float, 0, false},
    {"DEC", FieldType::Float, 0, false},
    {"CHAR", FieldType::String, kDeclaredSizeOrOne, true},
    {"CHARACTER", FieldType::String, kDeclaredSizeOrOne, true},
    {"VARCHAR", FieldType::String, kDeclaredSize, false},
    {"CHARACTER VARYING", FieldType::String, kDeclaredSize, false},
    {"CHAR VARYING", FieldType::String, kDeclaredSize, false},
    {"DATE", FieldType::Date, 0, false},
    {"TIME", FieldType::Time, 0, false},
    {"TIMESTAMP", FieldType::TimeStamp, 0, false},
    {"BLOB", FieldType::Blob, 1, false},
    {"CLOB", FieldType::Memo, 1, false},
    {"TEXT", FieldType::Memo, 1, false},
};

// The integer at the start of `text` as atoi reads it: blanks, a sign, digits; 0 when none.
int leadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + (text[i] - '0');
    return negative ? -value : value;
}

class SqliteStatement : public DriverStatement {
  public:
    SqliteStatement(sqlite3* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
    ~SqliteStatement() override { sqlite3_finalize(stmt_); }

    int parameterCount() const override { return sqlite3_bind_parameter_count(stmt_); }

    std::string parameterName(int index) const override {
        const char* name = sqlite3_bind_parameter_name(stmt_, index);
        if (!name || name[0] == '?') return {};
        return name + 1;
    }

    void bind(int index, const Variant& value) override {
        using T = Variant::Type;
        int rc = SQLITE_OK;
        switch (value.type()) {
            case T::Unassigned:
            case T::Null:
                rc = sqlite3_bind_null(stmt_, index);
                break;
            case T::Smallint:
            case T::Integer:
            case T::Largeint:
                rc = sqlite3_bind_int64(stmt_, index, value.toInt64());
                break;
            case T::Double:
                rc = sqlite3_bind_double(stmt_, index, value.toDouble());
                break;
            case T::String:
                rc = sqlite3_bind_text(stmt_, index, value.asString().data(),
                                       int(value.asString().size()), SQLITE_TRANSIENT);
                break;
            case T::Date:
            case T::Time: {
                std::string text = value.toString();
                rc = sqlite3_bind_text(stmt_, index, text.data(), int(text.size()),
                                       SQLITE_TRANSIENT);
                break;
            }
            case T::Blob:
                rc = sqlite3_bind_blob(stmt_, index, value.asBlob().bytes.data(),
                                       int(value.asBlob().bytes.size()), SQLITE_TRANSIENT);
                break;
            case T::Array:
            case T::Packet:
                raise<DatabaseError>(msg::kCannotBindType, {Variant::typeName(value.type())});
        }
        if (rc != SQLITE_OK) fail(db_, rc);
    }

    void execute() override {
        reset();
        hasPending_ = false;
        int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) {
            hasPending_ = true;
        } else if (rc != SQLITE_DONE) {
            sqlite3_reset(stmt_);
            fail(db_, rc);
        }
        changes_ = sqlite3_column_count(stmt_) == 0 ? sqlite3_changes64(db_) : 0;
        describeColumns();
        executed_ = true;
    }

    const std::vector<ColumnInfo>& columns() const override { return columns_; }
    std::uint64_t columnsVersion() const override { return descriptions_; }

    bool columnRequired(int column) const override {
        const char* table = sqlite3_column_table_name(stmt_, column);
        const char* origin = sqlite3_column_origin_name(stmt_, column);
        if (!table || !origin) return false;
        int notNull = 0;
        if (sqlite3_table_column_metadata(db_, sqlite3_column_database_name(stmt_, column), table,
                                          origin, nullptr, nullptr, &notNull, nullptr,
                                          nullptr) != SQLITE_OK)
            return false;
        return notNull != 0;
    }

    bool fetch() override {
        if (!executed_) return false;
        if (hasPending_) {
            hasPending_ = false;
            return onRow_ = true;
        }
        if (!onRow_) return false;
        int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        onRow_ = false;
        if (rc != SQLITE_DONE) fail(db_, rc);
        return false;
    }

    void readValue(int column, Variant& into) const override {
        const int type = sqlite3_column_type(stmt_, column);
        if (type == SQLITE_NULL) return into.set(Variant::NullTag{});
        const ColumnInfo& info = columns_[column];
        switch (info.type) {
            case FieldType::Smallint:
            case FieldType::Integer:
            case FieldType::Largeint: {
                if (type == SQLITE_FLOAT) return into.set(sqlite3_column_double(stmt_, column));
                if (type != SQLITE_INTEGER) return into.setText(text(column));
                std::int64_t v = sqlite3_column_int64(stmt_, column);
                if (info.type == FieldType::Smallint && v >= INT16_MIN && v <= INT16_MAX)
                    return into.set(static_cast<std::int16_t>(v));
                if (v >= INT32_MIN && v <= INT32_MAX && info.type != FieldType::Largeint)
                    return into.set(static_cast<std::int32_t>(v));
                return into.set(v);
            }
            case FieldType::Float:
                if (type == SQLITE_TEXT) return into.setText(text(column));
                return into.set(sqlite3_column_double(stmt_, column));
            case FieldType::Date: {
                const std::string_view t = text(column);
                if (auto d = Date::parse(t)) return into.set(*d);
                return into.setText(t);
            }
            case FieldType::Time: {
                const std::string_view t = text(column);
                if (auto d = Time::parse(t)) return into.set(*d);
                return into.setText(t);
            }
            case FieldType::Blob: {
                auto data = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
                into = Variant(
                    Blob{std::string(data ? data : "", sqlite3_column_bytes(stmt_, column))});
                return;
            }
            default:
                if (type == SQLITE_INTEGER)
                    return into.setText(std::to_string(sqlite3_column_int64(stmt_, column)));
                if (type == SQLITE_FLOAT)
                    return into.setText(doubleToString(sqlite3_column_double(stmt_, column)));
                return into.setText(text(column));
        }
    }

    std::int64_t rowsAffected() const override { return changes_; }

    void reset() override {
        sqlite3_reset(stmt_);
        hasPending_ = onRow_ = executed_ = false;
    }

  private:
    // The column's text; valid until the statement moves or the column is read otherwise.
    std::string_view text(int column) const {
        auto data = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        if (!data) return {};
        return {data, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))};
    }

    void describeColumns() {
        // A statement kept compiled is compiled again by SQLite when the schema changed since;
        // its columns may have changed with it.
        const int recompiled = sqlite3_stmt_status(stmt_, SQLITE_STMTSTATUS_REPREPARE, 0);
        if (recompiled != recompiledWhenDescribed_) described_ = false;
        recompiledWhenDescribed_ = recompiled;
        if (described_) return;
        ++descriptions_;
        const int count = sqlite3_column_count(stmt_);
        columns_.clear();
        columns_.reserve(count);
        bool allDeclared = true;
        for (int i = 0; i < count; ++i) {
            const char* declared = sqlite3_column_decltype(stmt_, i);
            allDeclared = allDeclared && declared;
            ColumnInfo info = declared      ? columnInfoFromDeclaredType(declared)
                              : hasPending_ ? columnInfoFromValue(sqlite3_column_type(stmt_, i))
                                            : ColumnInfo{"", FieldType::String, 255, false};
            info.name = reportedColumnName(sqlite3_column_name(stmt_, i), i + 1);
            columns_.push_back(std::move(info));
        }
        // Expression columns take their type from a row; without one they stay undecided.
        described_ = hasPending_ || allDeclared;
    }

    sqlite3* db_;
    sqlite3_stmt* stmt_;
    std::vector<ColumnInfo> columns_;
    bool described_ = false;
    std::uint64_t descriptions_ = 0;
    int recompiledWhenDescribed_ = 0;
    bool hasPending_ = false;
    bool onRow_ = false;
    bool executed_ = false;
    std::int64_t changes_ = 0;
};

class SqliteConnection : public DriverConnection {
  public:
    explicit SqliteConnection(const ConnectRequest& request)
        : statementTimeoutMs_(request.statementTimeoutMs) {
        if (request.database.empty() || !std::filesystem::exists(request.database))
            raise<DatabaseError>(msg::kDatabaseNotFound, {request.database});
        int rc = sqlite3_open_v2(request.database.c_str(), &db_,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK) {
            std::string text = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
            sqlite3_close(db_);
            raise<DatabaseError>(msg::kCannotOpenDatabase, {request.database, text});
        }
        sqlite3_busy_timeout(db_, request.busyTimeoutMs);
        sqlite3_extended_result_codes(db_, 0);
        run("PRAGMA journal_mode=WAL");
        run("PRAGMA synchronous=FULL");
        // Each server object has a connection of its own: a small page cache keeps a thousand
        // busy objects within a gigabyte.
        run("PRAGMA cache_size=-256");
        if (addDb2Functions(db_) != SQLITE_OK) {
            const std::string text = sqlite3_errmsg(db_);
            sqlite3_close(db_);
            db_ = nullptr;
            throw DatabaseError(text);
        }
        if (statementTimeoutMs_ > 0)
            sqlite3_progress_handler(db_, 10000, &SqliteConnection::onProgress, this);
        // Setting up read the schema into the page cache, whose first use also reserved room for
        // a batch of pages. An object may stay connected and idle for hours: give that memory
        // back now; the first statement reads what it needs.
        sqlite3_db_release_memory(db_);
        // The small page cache cannot hold what one page of documents reads (headers, lines,
        // customers): read through it, every page would read its database pages again from the
        // file, one system call each. A memory map of the file lets the connection read them from
        // the system's file cache, shared by every connection, without copying them into its own
        // memory. Set last, so that setting up touches nothing through the map.
        run("PRAGMA mmap_size=1073741824");
    }

    ~SqliteConnection() override {
        for (const KeptStatement& kept : kept_)
            sqlite3_finalize(kept.stmt);
        sqlite3_finalize(schemaVersion_);
        sqlite3_close_v2(db_);
    }

    std::unique_ptr<DriverStatement> prepare(const std::string& sql) override {
        sqlite3_stmt* stmt = nullptr;
        const char* tail = nullptr;
        if (statementTimeoutMs_ > 0) startClock();
        int rc = sqlite3_prepare_v2(db_, sql.c_str(), int(sql.size()), &stmt, &tail);
        if (rc != SQLITE_OK) fail(db_, rc);
        if (!stmt) throw DatabaseError(msg::kEmptyStatement);
        return std::make_unique<SqliteStatement>(db_, stmt);
    }

    std::int64_t executeDirect(const std::string& sql) override {
        const std::unique_ptr<DriverStatement> statement = prepare(sql);
        if (statement->parameterCount() > 0) {
            const std::string name = statement->parameterName(1);
            throw DatabaseError(formatMessage(msg::kNoParameterValue, {name.empty() ? "?" : name}));
        }
        statement->execute();
        return statement->rowsAffected();
    }

    // Takes the write lock at once, so that two writers queue instead of failing at commit.
    void beginTransaction(IsolationLevel) override { runKept("BEGIN IMMEDIATE"); }
    void commit() override { runKept("COMMIT"); }
    void rollback() override { runKept("ROLLBACK"); }
    void savepoint(const std::string& name) override { runKept("SAVEPOINT " + name); }
    void releaseSavepoint(const std::string& name) override {
        runKept("RELEASE SAVEPOINT " + name);
    }
    void rollbackToSavepoint(const std::string& name) override {
        runKept("ROLLBACK TO SAVEPOINT " + name);
    }
    std::string quoteChar() const override { return "\""; }

    // Told for the tables of every apply: kept from one apply to the next while the schema
    // stays as it was, for a few tables at most.
    std::vector<std::string> uniqueIndexFields(const std::string& table) override {
        const std::int64_t version = schemaVersion();
        if (version != indexesVersion_) {
            indexes_.clear();
            indexesVersion_ = version;
        }
        for (const TableIndex& known : indexes_)
            if (known.table == table) return known.fields;
        std::vector<std::string> fields = readUniqueIndexFields(table);
        if (indexes_.size() < kMaxKeptIndexes) indexes_.push_back({table, fields});
        return fields;
    }

  private:
    std::vector<std::string> readUniqueIndexFields(const std::string& table) {
        std::vector<std::string> result;
        std::string chosen;
        {
            auto list = prepare("PRAGMA index_list(" + quoteLiteral(table) + ")");
            list->execute();
            // The primary key first, then the other unique indexes in the order SQLite lists them.
            while (list->fetch()) {
                if (list->value(2).toInt32() != 1) continue;
                std::string name = list->value(1).toString();
                std::string origin = list->value(3).toString();
                if (origin == "pk") {
                    chosen = name;
                    break;
                }
                if (chosen.empty()) chosen = name;
            }
        }
        if (chosen.empty()) {
            // An INTEGER PRIMARY KEY is the table's row id and has no index of its own.
            auto columns = prepare("PRAGMA table_info(" + quoteLiteral(table) + ")");
            columns->execute();
            std::vector<std::pair<int, std::string>> key;
            while (columns->fetch())
                if (int position = columns->value(5).toInt32(); position > 0)
                    key.emplace_back(position, upperCase(columns->value(1).toString()));
            std::sort(key.begin(), key.end());
            for (auto& k : key)
                result.push_back(k.second);
            return result;
        }
        auto info = prepare("PRAGMA index_info(" + quoteLiteral(chosen) + ")");
        info->execute();
        while (info->fetch())
            result.push_back(upperCase(info->value(2).toString()));
        return result;
    }

    // The schema's version number, which every change of the schema moves on, by this
    // connection or another.
    std::int64_t schemaVersion() {
        if (!schemaVersion_ && sqlite3_prepare_v2(db_, "PRAGMA schema_version", -1, &schemaVersion_,
                                                  nullptr) != SQLITE_OK)
            fail(db_, sqlite3_errcode(db_));
        const int rc = sqlite3_step(schemaVersion_);
        const std::int64_t version =
            rc == SQLITE_ROW ? sqlite3_column_int64(schemaVersion_, 0) : -1;
        sqlite3_reset(schemaVersion_);
        if (rc != SQLITE_ROW) fail(db_, rc);
        return version;
    }

    static std::string quoteLiteral(const std::string& text) {
        return "'" + doubleApostrophes(text) + "'";
    }

    void run(const char* sql) {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            std::string text = error ? error : msg::kSqliteError;
            sqlite3_free(error);
            throw DatabaseError(text);
        }
    }

    // Runs a statement of the transaction or of a savepoint, compiled the first time and kept:
    // an apply runs BEGIN and COMMIT once and a SAVEPOINT and a RELEASE for every change, and
    // compiling each of them again cost more than running it. A few savepoint names at most are
    // kept; the texts past them run as they stand.
    void runKept(const std::string& sql) {
        sqlite3_stmt* stmt = nullptr;
        for (const KeptStatement& kept : kept_)
            if (kept.sql == sql) stmt = kept.stmt;
        if (!stmt) {
            if (kept_.size() >= kMaxKeptStatements) return run(sql.c_str());
            if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt,
                                   nullptr) != SQLITE_OK)
                fail(db_, sqlite3_errcode(db_));
            kept_.push_back({sql, stmt});
        }
        const int rc = sqlite3_step(stmt);
        if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
            const std::string text = sqlite3_errmsg(db_);
            sqlite3_reset(stmt);
            throw DatabaseError(text);
        }
        sqlite3_reset(stmt);
    }

    void startClock() { started_ = std::chrono::steady_clock::now(); }

    // Interrupts a statement that has run longer than the limit.
    static int onProgress(void* self) {
        auto* conn = static_cast<SqliteConnection*>(self);
        auto elapsed = std::chrono::steady_clock::now() - conn->started_;
        return elapsed > std::chrono::milliseconds(conn->statementTimeoutMs_) ? 1 : 0;
    }

    struct KeptStatement {
        std::string sql;
        sqlite3_stmt* stmt;
    };
    static constexpr std::size_t kMaxKeptStatements = 16;
    struct TableIndex {
        std::string table;
        std::vector<std::string> fields;
    };
    static constexpr std::size_t kMaxKeptIndexes = 16;

    sqlite3* db_ = nullptr;
    std::vector<KeptStatement> kept_;
    sqlite3_stmt* schemaVersion_ = nullptr;
    std::vector<TableIndex> indexes_;
    std::int64_t indexesVersion_ = -1;
    int statementTimeoutMs_;
    std::chrono::steady_clock::time_point started_{};
};

}  // namespace

ColumnInfo columnInfoFromDeclaredType(std::string_view declared) {
    // Looked up for every column of every statement compiled, a name lookup of each row included:
    // compared in place, without copies of the text.
    std::string_view type = trim(declared);
    int size = 0;
    if (auto open = type.find('('); open != std::string_view::npos) {
        size = leadingInteger(type.substr(open + 1));
        type = trim(type.substr(0, open));
    }
    for (const DeclaredType& known : kDeclaredTypes) {
        if (!sameText(type, known.name)) continue;
        ColumnInfo info{"", known.type, known.size, known.fixed};
        if (known.size == kDeclaredSize) info.size = size;
        if (known.size == kDeclaredSizeOrOne) info.size = size > 0 ? size : 1;
        return info;
    }
    return {"", FieldType::String, size > 0 ? size : 255, false};
}

bool configureSqliteLibrary() {
    return sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
}

std::unique_ptr<DriverConnection> SqliteDriver::connect(const ConnectRequest& request) {
    return std::make_unique<SqliteConnection>(request);
}

}  // namespace zorvanil::db
