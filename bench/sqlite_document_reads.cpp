#include "sqlite_document_reads.hpp"

#include <stdexcept>

#include "common/text.hpp"
#include "read/statement.hpp"

namespace zorvanil::bench {

namespace {

// DB2's CHAR(x) as the server's driver answers it, for the numbers and texts these pages use.
void charFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
        std::string text = std::to_string(sqlite3_value_int64(argv[0]));
        return sqlite3_result_text(ctx, text.c_str(), int(text.size()), SQLITE_TRANSIENT);
    }
    sqlite3_result_text(ctx, reinterpret_cast<const char*>(sqlite3_value_text(argv[0])),
                        sqlite3_value_bytes(argv[0]), SQLITE_TRANSIENT);
}

CopiedValue copyValue(sqlite3_stmt* stmt, int column) {
    CopiedValue v;
    v.type = sqlite3_column_type(stmt, column);
    switch (v.type) {
        case SQLITE_NULL:
            break;
        case SQLITE_INTEGER:
            v.integer = sqlite3_column_int64(stmt, column);
            break;
        case SQLITE_FLOAT:
            v.real = sqlite3_column_double(stmt, column);
            break;
        case SQLITE_BLOB:
            v.text.assign(static_cast<const char*>(sqlite3_column_blob(stmt, column)),
                          static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)));
            break;
        default:
            v.text.assign(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                          static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)));
    }
    return v;
}

// Columns [first, end) of the current row.
CopiedRow copyRow(sqlite3_stmt* stmt, int first, int end) {
    CopiedRow row;
    row.reserve(static_cast<std::size_t>(end - first));
    for (int c = first; c < end; ++c)
        row.push_back(copyValue(stmt, c));
    return row;
}

// The text of a value as the server reads a key: a null reads as the empty text.
std::string keyText(const CopiedValue& v) {
    switch (v.type) {
        case SQLITE_NULL:
            return {};
        case SQLITE_INTEGER:
            return std::to_string(v.integer);
        default:
            return v.text;
    }
}

// The position of the column of that name (letter case ignored); fails when there is none.
int columnNamed(sqlite3_stmt* stmt, std::string_view name) {
    for (int c = 0; c < sqlite3_column_count(stmt); ++c)
        if (sameText(sqlite3_column_name(stmt, c), name)) return c;
    throw std::runtime_error("no column " + std::string(name));
}

PageSummary summarize(const std::vector<CopiedHeader>& rows) {
    PageSummary s;
    for (const CopiedHeader& h : rows) {
        s.names.push_back(h.names);
        s.lines.push_back(h.lines.size());
    }
    return s;
}

}  // namespace

BaselineDatabase::BaselineDatabase(const std::filesystem::path& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK)
        throw std::runtime_error("cannot open " + path.string());
    sqlite3_exec(db_, "PRAGMA case_sensitive_like=ON", nullptr, nullptr, nullptr);
    sqlite3_create_function(db_, "CHAR", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            charFunction, nullptr, nullptr);
}

BaselineDatabase::~BaselineDatabase() {
    sqlite3_close(db_);
}

sqlite3_stmt* BaselineDatabase::prepare(const std::string& sql) const {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), int(sql.size()), &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + ": " + sql);
    return stmt;
}

SqliteSequence::SqliteSequence(const DocumentPage& page, const std::filesystem::path& database)
    : page_(page), db_(database), header_(db_.prepare(page.headerStatement)) {
    for (const NameLookup& lookup : page.lookups)
        keyColumns_.push_back(columnNamed(header_, lookup.keyColumn));
    if (page.lineStatement.empty()) return;
    lines_ = db_.prepare(page.lineStatement);
    for (int p = 1; p <= sqlite3_bind_parameter_count(lines_); ++p)
        lineParamColumns_.push_back(
            columnNamed(header_, sqlite3_bind_parameter_name(lines_, p) + 1));
}

SqliteSequence::~SqliteSequence() {
    sqlite3_finalize(lines_);
    sqlite3_finalize(header_);
}

std::string SqliteSequence::lookUp(const std::string& sql) {
    if (recording_) statements_.push_back(sql);
    sqlite3_stmt* stmt = db_.prepare(sql);
    std::string text;
    if (sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_type(stmt, 0) != SQLITE_NULL)
        text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    sqlite3_finalize(stmt);
    return text;
}

void SqliteSequence::readLines(CopiedHeader& header) {
    if (recording_) statements_.push_back(page_.lineStatement);
    for (std::size_t p = 0; p < lineParamColumns_.size(); ++p) {
        const CopiedValue& v = header.values[static_cast<std::size_t>(lineParamColumns_[p])];
        const int index = static_cast<int>(p) + 1;
        if (v.type == SQLITE_INTEGER)
            sqlite3_bind_int64(lines_, index, v.integer);
        else if (v.type == SQLITE_NULL)
            sqlite3_bind_null(lines_, index);
        else
            sqlite3_bind_text(lines_, index, v.text.data(), int(v.text.size()), SQLITE_TRANSIENT);
    }
    const int columns = sqlite3_column_count(lines_);
    while (sqlite3_step(lines_) == SQLITE_ROW)
        header.lines.push_back(copyRow(lines_, 0, columns));
    sqlite3_reset(lines_);
}

std::size_t SqliteSequence::read() {
    statements_.clear();
    if (recording_) statements_.push_back(page_.headerStatement);
    rows_.clear();
    const int columns = sqlite3_column_count(header_);
    while (rows_.size() < static_cast<std::size_t>(page_.pageSize) &&
           sqlite3_step(header_) == SQLITE_ROW) {
        CopiedHeader& h = rows_.emplace_back();
        h.values = copyRow(header_, 0, columns);
        for (std::size_t i = 0; i < page_.lookups.size(); ++i) {
            const NameLookup& lookup = page_.lookups[i];
            const std::string key = keyText(h.values[static_cast<std::size_t>(keyColumns_[i])]);
            if (key.empty()) {
                h.names.emplace_back();
                continue;
            }
            h.names.push_back(lookUp(lookup.before +
                                     (lookup.quoted ? read::doubleApostrophes(key) : key) +
                                     lookup.after));
        }
        if (lines_) readLines(h);
    }
    sqlite3_reset(header_);
    return rows_.size();
}

PageSummary SqliteSequence::summary() const {
    return summarize(rows_);
}

SqliteJoin::SqliteJoin(const DocumentPage& page, const std::filesystem::path& database)
    : page_(page), db_(database), join_(db_.prepare(page.joinStatement)) {
    sqlite3_stmt* header = db_.prepare(page.headerStatement);
    headerColumns_ = sqlite3_column_count(header);
    sqlite3_finalize(header);
}

SqliteJoin::~SqliteJoin() {
    sqlite3_finalize(join_);
}

std::size_t SqliteJoin::read() {
    rows_.clear();
    const int names = static_cast<int>(page_.lookups.size());
    const int linesFrom = headerColumns_ + names;
    const int columns = sqlite3_column_count(join_);
    long long previous = 0;
    while (sqlite3_step(join_) == SQLITE_ROW) {
        const long long first = sqlite3_column_int64(join_, 0);
        if (rows_.empty() || first != previous) {
            if (rows_.size() == static_cast<std::size_t>(page_.pageSize)) break;
            previous = first;
            CopiedHeader& h = rows_.emplace_back();
            h.values = copyRow(join_, 0, headerColumns_);
            for (int c = headerColumns_; c < linesFrom; ++c) {
                const unsigned char* text = sqlite3_column_text(join_, c);
                h.names.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
            }
        }
        if (linesFrom < columns && sqlite3_column_type(join_, linesFrom) != SQLITE_NULL)
            rows_.back().lines.push_back(copyRow(join_, linesFrom, columns));
    }
    sqlite3_reset(join_);
    return rows_.size();
}

PageSummary SqliteJoin::summary() const {
    return summarize(rows_);
}

}  // namespace zorvanil::bench
