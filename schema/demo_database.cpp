#include "schema/demo_database.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "schema_ddl.hpp"

#include "schema/demo_sqlite.hpp"
#include "schema/demo_tables.hpp"

namespace zorvanil::schema {

std::string_view schemaDdl() {
    return generated::kSchemaDdl;
}

namespace {

// Every table, in an order in which each refers only to tables filled before it.
void fillTables(demo::DemoRun& run) {
    using namespace demo;
    fillCompanies(run);
    fillSeriesAndPayments(run);
    fillFamilies(run);
    fillSuppliers(run);
    fillCustomers(run);
    fillArticles(run);
    fillStock(run);
    fillQuotes(run);
    fillDeliveryNotes(run);
    fillTickets(run);
    fillInvoices(run);
    fillPayments(run);
    fillGoodsIn(run);
    fillGoodsOut(run);
    fillNotices(run);
    fillPendingOrders(run);
    fillCashCounts(run);
    fillCounters(run);
}

// The schema's statements, split at the semicolons that close them, with their comment lines.
std::vector<std::string> ddlStatements() {
    std::vector<std::string> statements;
    std::string current;
    std::string_view ddl = schemaDdl();
    while (!ddl.empty()) {
        std::size_t end = ddl.find('\n');
        std::string_view line = ddl.substr(0, end);
        ddl.remove_prefix(end == std::string_view::npos ? ddl.size() : end + 1);
        current.append(line).push_back('\n');
        std::size_t last = line.find_last_not_of(" \t\r");
        if (last != std::string_view::npos && line[last] == ';' && !line.starts_with("--")) {
            statements.push_back(std::move(current));
            current.clear();
        }
    }
    return statements;
}

bool createsIndex(const std::string& statement) {
    return statement.find("CREATE INDEX") != std::string::npos ||
           statement.find("CREATE UNIQUE INDEX") != std::string::npos;
}

// Creates the file itself, so that two callers cannot both believe they made it.
void createEmptyFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST)
            throw std::runtime_error("Demo database '" + path +
                                     "' already exists; choose a new file name");
        throw std::runtime_error("Cannot create demo database '" + path +
                                 "': " + std::strerror(errno));
    }
    ::close(fd);
}

void removeDatabaseFiles(const std::string& path) {
    std::error_code ignored;
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        std::filesystem::remove(path + suffix, ignored);
}

}  // namespace

void createDemoDatabase(const DemoOptions& options) {
    if (options.scale < 1)
        throw std::invalid_argument("Demo database scale must be at least 1, not " +
                                    std::to_string(options.scale));
    if (options.path.empty()) throw std::invalid_argument("Demo database path is empty");
    createEmptyFile(options.path);
    try {
        demo::Database db(options.path);
        // The load is one transaction into a new file: nothing to protect until it commits.
        db.exec("PRAGMA journal_mode=OFF");
        db.exec("PRAGMA synchronous=OFF");
        db.exec("PRAGMA cache_size=-65536");
        db.exec("BEGIN");
        // Tables first; the indexes are built once the rows are in, which is faster than keeping
        // them up to date row by row.
        const std::vector<std::string> statements = ddlStatements();
        for (const std::string& statement : statements)
            if (!createsIndex(statement)) db.exec(statement);
        if (options.progress) options.progress("tables created");
        demo::DemoRun run(db, options);
        fillTables(run);
        for (const std::string& statement : statements)
            if (createsIndex(statement)) db.exec(statement);
        if (options.progress) options.progress("indexes created");
        db.exec("COMMIT");
        db.exec("PRAGMA journal_mode=WAL");
        db.exec("PRAGMA synchronous=FULL");
    } catch (...) {
        removeDatabaseFiles(options.path);
        throw;
    }
}

}  // namespace zorvanil::schema
