// Applies of a new delivery note with ten lines on DSPQ_MDALBARAN, on the scale-100 demo database,
// with stock posting: each line moves its article's count in ALMACEN and its bar code's counts in
// ALMACENDETALLE and ALMACENDETALLE2, and checks the article's alert level. Every commit is
// durable (synchronous=FULL, as the server runs). The note is applied four ways:
//   remote   a real zorvanil host on a loopback port, applied through the client library as a
//            desktop client applies (WebSocket, JSON-RPC, the object's own thread), after one read
//            of the provider that gives its datasets their statements;
//   server   a TAZORVANIL object in this process, called as the transport calls it;
//   fresh    the statements a traced apply sent to the database (the header and line INSERTs and
//            every stock statement), straight through SQLite in one transaction per note, each
//            statement compiled afresh for every note;
//   kept     the same, every statement compiled once and kept, bound anew for every note.
// and a bare loop of durable one-row commits (commit) tells how many commits per second the disk's
// fsync allows at all.
//
// BM_ApplyRatio gives the figures to judge by, each side timed in alternating blocks and the
// median of the per-block ratios taken (see ratioCounter):
//   remote_over_fresh, remote_over_kept   remote / fresh and remote / kept
//   server_over_kept                      server / kept
// with the applies per second of each side (*_per_s, from its median time) and the median time of
// one apply in microseconds (*_us).
//
// Before any benchmark runs, one note is applied through a traced host and checked: no line fails,
// the note's lines and its first article's stock are in the database, and every statement that
// carries parameters is an INSERT whose first parameter is the note's number. The SQLite sides run
// those statements with their own note numbers; the savepoints around each change are not among
// them, as they are a cost of the server.
//
// The database is built once per run in a temporary directory (set ZORVANIL_BENCH_DB to a path to
// keep it and reuse it on the next run: the notes applied stay in it). Pin the program to one core
// (taskset -c 1) for steady ratios.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <boost/json.hpp>

#include "app/zorvanil_handlers.hpp"
#include "catalogue/zorvanil_catalogue.hpp"
#include "client/client.hpp"
#include "common/date_time.hpp"
#include "db/sql_trace.hpp"
#include "demo_workspace.hpp"
#include "host/host.hpp"
#include "packet/data_packet.hpp"
#include "read/option_tokens.hpp"
#include "server/remote_data_module.hpp"
#include "server/server_environment.hpp"
#include "side_by_side.hpp"

namespace {

using namespace zorvanil;
using bench::ratioCounter;
using bench::Sides;

// Applies of one side in a timed block: a durable apply takes some milliseconds.
constexpr int kBlock = 5;
constexpr int kLines = 10;
constexpr const char* kProvider = "DSPQ_MDALBARAN";

bench::DemoWorkspace& workspace() {
    static bench::DemoWorkspace w("notebench", 100);
    return w;
}

void require(bool condition, const std::string& what) {
    if (!condition) throw std::runtime_error(what);
}

// A connection of this program to the demo database, set up as the server's driver sets up its
// own: WAL journal, durable commits, the same page cache and memory map.
class Database {
  public:
    explicit Database(const std::filesystem::path& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot open " + path.string());
        sqlite3_busy_timeout(db_, 30000);
        exec(
            "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA cache_size=-256; "
            "PRAGMA mmap_size=1073741824");
    }
    ~Database() { sqlite3_close_v2(db_); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    sqlite3* handle() const { return db_; }
    void exec(const std::string& sql) const {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            std::string text = error ? error : "error";
            sqlite3_free(error);
            throw std::runtime_error(text + ": " + sql);
        }
    }
    sqlite3_stmt* prepare(const std::string& sql) const {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) !=
            SQLITE_OK)
            throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + ": " + sql);
        return stmt;
    }
    // Each row of the query, its columns as texts joined by '|'.
    std::vector<std::string> rows(const std::string& sql) const {
        sqlite3_stmt* stmt = prepare(sql);
        std::vector<std::string> out;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::string row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                const unsigned char* text = sqlite3_column_text(stmt, c);
                row +=
                    (c ? "|" : "") + std::string(text ? reinterpret_cast<const char*>(text) : "");
            }
            out.push_back(std::move(row));
        }
        sqlite3_finalize(stmt);
        return out;
    }

  private:
    sqlite3* db_ = nullptr;
};

// An article of the demo shop with stock in company 1 and its bar code in both ledgers.
struct Article {
    std::string id, description, brand, barCode;
};

// What every note of the run carries: its company, year and series, its customer and the articles
// of its lines; and the first number free for the notes of this run.
struct NoteData {
    std::vector<Article> articles;
    std::int32_t customer = 0;
    std::int32_t firstNumber = 0;
};

const NoteData& noteData() {
    static const NoteData data = [] {
        Database db(workspace().database());
        NoteData d;
        for (const std::string& row : db.rows(
                 "SELECT A.ID_ARTICULO, A.DESCRIPCION, IFNULL(A.MARCA, ''), E.EAN FROM ALMACEN A "
                 "JOIN EAN E ON E.ID_ARTICULO = A.ID_ARTICULO JOIN ALMACENDETALLE D ON "
                 "D.CODIGO_BARRAS = E.EAN WHERE A.ID_EMPRESA = 1 AND EXISTS (SELECT 1 FROM "
                 "ALMACENDETALLE2 D2 WHERE D2.CODIGO_BARRAS = E.EAN) AND A.ID_ARTICULO NOT LIKE "
                 "'%''%' GROUP BY A.ID_ARTICULO ORDER BY A.ID_ARTICULO LIMIT 10")) {
            Article a;
            const std::size_t p1 = row.find('|'), p2 = row.find('|', p1 + 1),
                              p3 = row.find('|', p2 + 1);
            a.id = row.substr(0, p1);
            a.description = row.substr(p1 + 1, p2 - p1 - 1);
            a.brand = row.substr(p2 + 1, p3 - p2 - 1);
            a.barCode = row.substr(p3 + 1);
            d.articles.push_back(std::move(a));
        }
        require(d.articles.size() == kLines, "the demo database has too few stocked articles");
        d.customer = std::stoi(db.rows("SELECT MIN(ID_CLIENTE) FROM CLIENTES").at(0));
        d.firstNumber =
            std::stoi(db.rows("SELECT IFNULL(MAX(ID_ALBARAN), 0) + 1 FROM ALBARANES").at(0));
        return d;
    }();
    return data;
}

packet::PacketField field(const char* name, db::FieldType type, int size = 0) {
    packet::PacketField f;
    f.def.name = name;
    f.def.type = type;
    f.def.size = size;
    return f;
}

// The change packet of new delivery note `number` of company 1, 2025, series A with its ten
// lines, as a desktop client sends it.
Variant deliveryNote(std::int32_t number) {
    using T = db::FieldType;
    const NoteData& data = noteData();
    const Variant keys[] = {Variant(number), Variant(std::int16_t{2025}), Variant(std::int16_t{1}),
                            Variant("A")};
    auto lines = std::make_shared<packet::DataPacket>();
    double base = 0;
    for (int l = 0; l < kLines; ++l) {
        const Article& a = data.articles[static_cast<std::size_t>(l)];
        const double quantity = 1 + l % 3, price = 2.5 * (l + 1);
        base += quantity * price;
        lines->rows.push_back(
            {packet::RowStatus::Inserted,
             {keys[0], keys[1], keys[2], keys[3], Variant(l + 1), Variant(a.id), Variant(a.barCode),
              Variant(a.description), Variant(a.brand), Variant(quantity), Variant(price),
              Variant(0.0), Variant(21.0), Variant(quantity * price)},
             {}});
    }
    auto note = std::make_shared<packet::DataPacket>();
    note->hasMetadata = true;
    note->fields = {field("ID_ALBARAN", T::Integer),
                    field("ANYO", T::Smallint),
                    field("ID_EMPRESA", T::Smallint),
                    field("ID_SERIE", T::String, 3),
                    field("FECHA", T::Date),
                    field("HORA", T::Time),
                    field("ID_CLIENTE", T::Integer),
                    field("OBSERVACIONES", T::String, 200),
                    field("ID_FORMA", T::String, 5),
                    field("IVA", T::Float),
                    field("BASE_ALBARAN", T::Float),
                    field("BASE_ALBARANSINIVA", T::Float),
                    field("ANULADO", T::Smallint),
                    field("COBRADO", T::Smallint),
                    field("Q_MDLINEAALBARAN", T::DataSet)};
    note->fields.back().children = {field("ID_ALBARAN", T::Integer),
                                    field("ANYO", T::Smallint),
                                    field("ID_EMPRESA", T::Smallint),
                                    field("ID_SERIE", T::String, 3),
                                    field("LINEA", T::Integer),
                                    field("ID_ARTICULO", T::String, 30),
                                    field("CODIGO_BARRAS", T::String, 40),
                                    field("DESCRIPCION", T::String, 250),
                                    field("MARCA", T::String, 10),
                                    field("CANTIDAD", T::Float),
                                    field("PRECIO", T::Float),
                                    field("DESCUENTO", T::Float),
                                    field("IVA", T::Float),
                                    field("IMPORTE", T::Float)};
    note->rows.push_back(
        {packet::RowStatus::Inserted,
         {keys[0], keys[1], keys[2], keys[3], Variant(Date::fromYmd(2025, 6, 12)),
          Variant(Time::fromHms(10, 30, 0)), Variant(data.customer), Variant("ENTREGA EN TIENDA"),
          Variant("CONT"), Variant(21.0), Variant(base * 1.21), Variant(base),
          Variant(std::int16_t{0}), Variant(std::int16_t{0}), Variant(packet::PacketPtr(lines))},
         {}});
    return Variant(packet::PacketPtr(note));
}

// The read a client makes before it edits: one delivery note of company 1, 2025, by number. It
// gives the provider's line dataset its statement.
std::string readOptions() {
    std::string out;
    for (const char* token :
         {"0", "1", "1", "2025", "", "-1", "1", "1", "", "", "-1", "", "", ""}) {
        out += token;
        out += read::kTokenSeparator;
    }
    return out;
}

// A host serving the demo database on a free loopback port, with one connected client that has
// read the provider once.
class RemoteApplier {
  public:
    explicit RemoteApplier(
        std::shared_ptr<server::ServerEnvironment> environment = workspace().environment()) {
        host::HostSettings settings;
        settings.net.port = 0;
        settings.handleSignals = false;
        settings.net.maxMessagesPerSecond = 0;
        host_ = std::make_unique<host::Host>(settings, catalogue::zorvanilCatalogue(),
                                             app::zorvanilHandlers(), std::move(environment));
        host_->start();
        client_ =
            std::make_unique<client::Client>(client::ServerAddress{"127.0.0.1", host_->port()});
        client_->createObject();
        client_->getRecords(kProvider, 1, Variant(readOptions()));
    }
    ~RemoteApplier() {
        client_->close();
        host_->requestStop("the benchmark is over");
        host_->wait();
    }
    void apply(std::int32_t number) {
        // Without a request id: the sides compare the same statements.
        client::ApplyOptions options;
        options.withoutRequestId = true;
        const client::ApplyUpdatesResult r =
            client_->applyUpdates(kProvider, deliveryNote(number), 0, {}, options);
        require(r.errorCount == 0, "note " + std::to_string(number) + " did not apply");
    }

  private:
    std::unique_ptr<host::Host> host_;
    std::unique_ptr<client::Client> client_;
};

// A server object in this process that has read the provider once.
class ServerApplier {
  public:
    ServerApplier()
        : module_(catalogue::zorvanilCatalogue(), app::zorvanilHandlers(),
                  workspace().environment()) {
        Variant owner(readOptions()), params, result;
        std::int32_t recsOut = 0;
        server::CallStatus s =
            module_.AS_GetRecords(kProvider, 1, recsOut, 0, "", params, owner, result);
        require(s.ok(), s.message);
    }
    void apply(std::int32_t number) {
        std::int32_t errors = 0;
        Variant owner, result;
        server::CallStatus s =
            module_.AS_ApplyUpdates(kProvider, deliveryNote(number), 0, errors, owner, result);
        require(s.ok() && errors == 0, "note " + std::to_string(number) + " did not apply");
    }

  private:
    server::TAZORVANIL module_;
};

// A statement of a traced apply: its text and parameters, and whether its first parameter is the
// note's number.
struct TracedStatement {
    std::string sql;
    boost::json::array params;
    bool takesNumber = false;
};

// The statements of a traced apply of note `number`, without the transaction and the savepoints.
std::vector<TracedStatement> statementsOf(const db::SqlTrace& trace, std::int32_t number) {
    std::vector<TracedStatement> out;
    for (const std::string& line : trace.lines()) {
        const boost::json::object o = boost::json::parse(line).as_object();
        TracedStatement s{std::string(o.at("sql").as_string()), o.at("params").as_array()};
        if (s.sql == "BEGIN IMMEDIATE" || s.sql == "COMMIT" || s.sql.starts_with("SAVEPOINT ") ||
            s.sql.starts_with("RELEASE SAVEPOINT "))
            continue;
        if (!s.params.empty()) {
            require(s.sql.starts_with("insert into ") && s.params[0].is_int64() &&
                        s.params[0].as_int64() == number,
                    "a statement with parameters that is no insert of the note: " + s.sql);
            s.takesNumber = true;
        }
        out.push_back(std::move(s));
    }
    return out;
}

void bind(sqlite3_stmt* stmt, int index, const boost::json::value& v) {
    int rc = SQLITE_OK;
    if (v.is_int64())
        rc = sqlite3_bind_int64(stmt, index, v.as_int64());
    else if (v.is_uint64())
        rc = sqlite3_bind_int64(stmt, index, static_cast<sqlite3_int64>(v.as_uint64()));
    else if (v.is_double())
        rc = sqlite3_bind_double(stmt, index, v.as_double());
    else if (v.is_string())
        rc = sqlite3_bind_text(stmt, index, v.as_string().data(),
                               static_cast<int>(v.as_string().size()), SQLITE_TRANSIENT);
    else
        rc = sqlite3_bind_null(stmt, index);
    require(rc == SQLITE_OK, "a parameter does not bind");
}

// The statements of a traced apply straight through SQLite, one transaction per note, each
// statement either compiled afresh for every note or compiled once and kept. A query's first row
// is read, as the server reads it.
class SqliteApplies {
  public:
    SqliteApplies(std::vector<TracedStatement> statements, bool kept)
        : db_(workspace().database()), statements_(std::move(statements)), kept_(kept) {
        statements_.insert(statements_.begin(), TracedStatement{"BEGIN IMMEDIATE", {}});
        statements_.push_back({"COMMIT", {}});
        if (kept_)
            for (const TracedStatement& s : statements_)
                compiled_.push_back(db_.prepare(s.sql));
    }
    ~SqliteApplies() {
        for (sqlite3_stmt* stmt : compiled_)
            sqlite3_finalize(stmt);
    }
    SqliteApplies(const SqliteApplies&) = delete;
    SqliteApplies& operator=(const SqliteApplies&) = delete;

    void apply(std::int32_t number) {
        for (std::size_t i = 0; i < statements_.size(); ++i) {
            const TracedStatement& s = statements_[i];
            sqlite3_stmt* stmt = kept_ ? compiled_[i] : db_.prepare(s.sql);
            for (std::size_t p = 0; p < s.params.size(); ++p) {
                if (p == 0 && s.takesNumber)
                    sqlite3_bind_int64(stmt, 1, number);
                else
                    bind(stmt, static_cast<int>(p) + 1, s.params[p]);
            }
            int rc = sqlite3_step(stmt);
            if (rc == SQLITE_ROW) {
                benchmark::DoNotOptimize(sqlite3_column_text(stmt, 0));
                rc = SQLITE_DONE;
            }
            const std::string failure = rc == SQLITE_DONE ? "" : sqlite3_errmsg(db_.handle());
            if (kept_) {
                sqlite3_reset(stmt);
                sqlite3_clear_bindings(stmt);
            } else {
                sqlite3_finalize(stmt);
            }
            if (!failure.empty()) {
                if (sqlite3_get_autocommit(db_.handle()) == 0) db_.exec("ROLLBACK");
                throw std::runtime_error(failure + ": " + s.sql);
            }
        }
    }

  private:
    Database db_;
    std::vector<TracedStatement> statements_;
    bool kept_;
    std::vector<sqlite3_stmt*> compiled_;
};

// Durable commits of a one-row update in a file of its own beside the database: what the disk
// allows at most, whatever runs in the transaction.
class DurableCommits {
  public:
    DurableCommits() : db_(workspace().directory() / "commits.db") {
        db_.exec(
            "CREATE TABLE IF NOT EXISTS COUNTER (N INTEGER); DELETE FROM COUNTER; "
            "INSERT INTO COUNTER VALUES (0)");
        for (const char* sql : {"BEGIN IMMEDIATE", "UPDATE COUNTER SET N = N + 1", "COMMIT"})
            compiled_.push_back(db_.prepare(sql));
    }
    ~DurableCommits() {
        for (sqlite3_stmt* stmt : compiled_)
            sqlite3_finalize(stmt);
    }
    DurableCommits(const DurableCommits&) = delete;
    DurableCommits& operator=(const DurableCommits&) = delete;

    void commit() {
        for (sqlite3_stmt* stmt : compiled_) {
            const int rc = sqlite3_step(stmt);
            sqlite3_reset(stmt);
            require(rc == SQLITE_DONE, sqlite3_errmsg(db_.handle()));
        }
    }

  private:
    Database db_;
    std::vector<sqlite3_stmt*> compiled_;
};

// The note numbers of the run: every side takes the next number of its own, apart from the others'.
class Numbers {
  public:
    explicit Numbers(int sides) : sides_(sides) {}
    std::int32_t next(int side) {
        return noteData().firstNumber + 1 + side +
               sides_ * taken_[static_cast<std::size_t>(side)]++;
    }
    std::int32_t first() const { return noteData().firstNumber; }

  private:
    int sides_;
    std::vector<std::int32_t> taken_ =
        std::vector<std::int32_t>(static_cast<std::size_t>(sides_), 0);
};

Numbers& numbers() {
    static Numbers n(4);
    return n;
}

// The sides that apply notes, each with numbers of its own.
enum Side { kRemote, kServer, kFresh, kKept };

std::vector<TracedStatement>& tracedStatements() {
    static std::vector<TracedStatement> statements;
    return statements;
}

// Applies the first note through a traced host and checks it (see the top of the file).
void checkApply() {
    const NoteData& data = noteData();
    Database db(workspace().database());
    const std::string first = data.articles[0].id;
    const auto stockOfFirst = [&] {
        return std::stod(
            db.rows("SELECT CANTIDAD FROM ALMACEN WHERE ID_EMPRESA = 1 AND ID_ARTICULO = '" +
                    first + "'")
                .at(0));
    };
    const double before = stockOfFirst();
    auto traced = std::make_shared<server::ServerEnvironment>(*workspace().environment());
    auto trace = std::make_shared<db::SqlTrace>();
    traced->connection.trace = trace;
    {
        RemoteApplier remote(traced);
        trace->clear();
        remote.apply(numbers().first());
    }
    const std::string number = std::to_string(numbers().first());
    require(db.rows("SELECT COUNT(*) FROM LIN_ALBARAN WHERE ID_EMPRESA = 1 AND ANYO = 2025 AND "
                    "ID_SERIE = 'A' AND ID_ALBARAN = " +
                    number)
                    .at(0) == std::to_string(kLines),
            "the note's lines are not in the database");
    require(stockOfFirst() == before - 1, "the first line did not post its stock");
    tracedStatements() = statementsOf(*trace, numbers().first());
    std::size_t stock = 0;
    for (const TracedStatement& s : tracedStatements())
        stock += s.sql.starts_with("UPDATE ALMACEN SET") ? 1 : 0;
    if (stock != kLines) {
        for (const TracedStatement& s : tracedStatements())
            std::fprintf(stderr, "%s\n", s.sql.c_str());
        throw std::runtime_error("the apply did not move the stock of every line");
    }
}

void BM_ApplyRatio(benchmark::State& state) {
    RemoteApplier remote;
    ServerApplier server;
    SqliteApplies fresh(tracedStatements(), false);
    SqliteApplies kept(tracedStatements(), true);
    DurableCommits commits;
    Numbers& n = numbers();
    Sides sides(kBlock);
    sides.add("remote", [&] { remote.apply(n.next(kRemote)); });
    sides.add("server", [&] { server.apply(n.next(kServer)); });
    sides.add("fresh", [&] { fresh.apply(n.next(kFresh)); });
    sides.add("kept", [&] { kept.apply(n.next(kKept)); });
    sides.add("commit", [&] { commits.commit(); });
    for (auto _ : state)
        sides.timeBlock();
    ratioCounter(state, sides, "remote_over_fresh", "remote", {"fresh"});
    ratioCounter(state, sides, "remote_over_kept", "remote", {"kept"});
    ratioCounter(state, sides, "server_over_kept", "server", {"kept"});
    sides.rateCounters(state, "_per_s");
    sides.timeCounters(state);
}

// Each side alone, for instruction counts (see the README).
void BM_RemoteApply(benchmark::State& state) {
    RemoteApplier remote;
    for (auto _ : state)
        remote.apply(numbers().next(kRemote));
}

void BM_ServerApply(benchmark::State& state) {
    ServerApplier server;
    for (auto _ : state)
        server.apply(numbers().next(kServer));
}

void BM_SqliteFresh(benchmark::State& state) {
    SqliteApplies fresh(tracedStatements(), false);
    for (auto _ : state)
        fresh.apply(numbers().next(kFresh));
}

void BM_SqliteKept(benchmark::State& state) {
    SqliteApplies kept(tracedStatements(), true);
    for (auto _ : state)
        kept.apply(numbers().next(kKept));
}

void BM_DurableCommit(benchmark::State& state) {
    DurableCommits commits;
    for (auto _ : state)
        commits.commit();
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    try {
        checkApply();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "the delivery note fails its check: %s\n", e.what());
        return 1;
    }
    auto add = [](const char* name, void (*run)(benchmark::State&), double minTime) {
        auto* b = benchmark::RegisterBenchmark(name, run);
        b->Unit(benchmark::kMicrosecond)->UseRealTime();
        if (minTime > 0) b->MinTime(minTime);
    };
    add("BM_DurableCommit", BM_DurableCommit, 0);
    add("BM_SqliteKept", BM_SqliteKept, 0);
    add("BM_SqliteFresh", BM_SqliteFresh, 0);
    add("BM_ServerApply", BM_ServerApply, 0);
    add("BM_RemoteApply", BM_RemoteApply, 0);
    add("BM_ApplyRatio", BM_ApplyRatio, 5);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
