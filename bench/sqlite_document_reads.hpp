#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "document_pages.hpp"

namespace zorvanil::bench {

// What a page read found, to compare readers by: for each header row its names in lookup order,
// and its number of lines.
struct PageSummary {
    std::vector<std::vector<std::string>> names;
    std::vector<std::size_t> lines;
    bool operator==(const PageSummary&) const = default;
};

// A value copied out of a result row, as a program that keeps the rows holds it.
struct CopiedValue {
    int type = SQLITE_NULL;
    long long integer = 0;
    double real = 0;
    std::string text;  // text, or the bytes of a blob
};
using CopiedRow = std::vector<CopiedValue>;

// A header row with its names and its lines.
struct CopiedHeader {
    CopiedRow values;
    std::vector<std::string> names;
    std::vector<CopiedRow> lines;
};

// A read-only connection to the demo database that answers the server's SQL as the server's
// driver does: DB2's CHAR(x) and LIKE comparing letter case.
class BaselineDatabase {
  public:
    explicit BaselineDatabase(const std::filesystem::path& path);
    ~BaselineDatabase();
    BaselineDatabase(const BaselineDatabase&) = delete;
    BaselineDatabase& operator=(const BaselineDatabase&) = delete;

    // Compiles a statement; fails with the database's message.
    sqlite3_stmt* prepare(const std::string& sql) const;

  private:
    sqlite3* db_ = nullptr;
};

// The page's statements straight through SQLite, one after another as the server runs them: the
// header statement, then for each header row its name lookups and its line statement. The header
// and line statements stay compiled from read to read, as the server's datasets keep them; a
// lookup's text holds its key, so each lookup is compiled afresh. Every value is copied out.
class SqliteSequence {
  public:
    SqliteSequence(const DocumentPage& page, const std::filesystem::path& database);
    ~SqliteSequence();
    SqliteSequence(const SqliteSequence&) = delete;
    SqliteSequence& operator=(const SqliteSequence&) = delete;

    // One page; the number of header rows it holds.
    std::size_t read();
    PageSummary summary() const;
    // With recording on, statements() lists the texts the last read ran, in order.
    void recordStatements(bool on) { recording_ = on; }
    const std::vector<std::string>& statements() const { return statements_; }

  private:
    std::string lookUp(const std::string& sql);
    void readLines(CopiedHeader& header);

    const DocumentPage& page_;
    BaselineDatabase db_;
    sqlite3_stmt* header_ = nullptr;
    sqlite3_stmt* lines_ = nullptr;
    std::vector<int> keyColumns_;        // the header column of each lookup's key
    std::vector<int> lineParamColumns_;  // the header column of each line parameter
    std::vector<CopiedHeader> rows_;
    bool recording_ = false;
    std::vector<std::string> statements_;
};

// One statement that joins the names and the lines to the headers, kept compiled; a page is read
// until it would hold one header more than the page size. Each header's columns are copied once,
// its names and lines from each of its rows.
class SqliteJoin {
  public:
    SqliteJoin(const DocumentPage& page, const std::filesystem::path& database);
    ~SqliteJoin();
    SqliteJoin(const SqliteJoin&) = delete;
    SqliteJoin& operator=(const SqliteJoin&) = delete;

    std::size_t read();
    PageSummary summary() const;

  private:
    const DocumentPage& page_;
    BaselineDatabase db_;
    sqlite3_stmt* join_ = nullptr;
    int headerColumns_ = 0;
    std::vector<CopiedHeader> rows_;
};

}  // namespace zorvanil::bench
