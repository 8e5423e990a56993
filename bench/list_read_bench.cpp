// Pages of DSPQ_CLIENTES mode "1" on the scale-100 demo database (about 100,000 customers):
// read through a server object, and the same statement run and read straight through SQLite.
//
// The server path is a TAZORVANIL object in this process, called as the transport calls it
// (AS_GetRecords with the options string as owner data); the JSON variant adds the encoding of the
// packet that the transport sends. Each page request composes the statement, runs it, skips the
// rows of the earlier pages and packs 50 rows, as a client's page request does.
//
// The remote variant runs a real zorvanil host on a loopback port and reads through the client
// library, as a desktop client does: WebSocket, JSON-RPC, the object's own thread.
//
// BM_PageRatio and BM_RemoteRatio give the figures to judge by: the server object, and a connected
// client, each against SQLite alone, side by side (see alternate() for the counters).
//
// The database is built once per run in a temporary directory (set ZORVANIL_BENCH_DB to a path to
// keep it and reuse it on the next run).

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/zorvanil_handlers.hpp"
#include "bench_requests.hpp"
#include "catalogue/zorvanil_catalogue.hpp"
#include "client/answer_parser.hpp"
#include "client/client.hpp"
#include "db/sql_dataset.hpp"
#include "demo_workspace.hpp"
#include "host/host.hpp"
#include "packet/json_codec.hpp"
#include "read/option_tokens.hpp"
#include "server/remote_data_module.hpp"
#include "server/server_environment.hpp"

namespace {

using namespace zorvanil;

constexpr int kPageSize = 50;
// Customers whose tax number, key or name begins with "B" and that are not deleted: about a
// quarter of the table, so that page 200 lies some 40,000 rows into it.
constexpr const char* kSearchText = "B";
constexpr const char* kStatement =
    "SELECT * FROM CLIENTES  WHERE (NIF LIKE ('B%') OR CHAR(ID_CLIENTE) LIKE ('B%') OR NOMBRE "
    "LIKE ('B%')) AND CHAR(BORRADO) LIKE ('0%') ";

// The options string of page `page` (1 for the first) of the search.
std::string options(int page) {
    return bench::customerSearchOptions(page, kPageSize, kSearchText);
}

// The scale-100 demo database, made once for the whole run.
bench::DemoWorkspace& workspace() {
    static bench::DemoWorkspace w("bench", 100);
    return w;
}

class ServerPage {
  public:
    ServerPage()
        : module_(catalogue::zorvanilCatalogue(), app::zorvanilHandlers(),
                  workspace().environment()) {}

    // One page request; the packet it returns.
    Variant read(int page) {
        Variant owner(options(page)), params, result;
        std::int32_t recsOut = 0;
        server::CallStatus s = module_.AS_GetRecords("DSPQ_CLIENTES", kPageSize, recsOut, 0, "",
                                                     params, owner, result);
        if (!s.ok()) throw std::runtime_error(s.message);
        if (recsOut != kPageSize) throw std::runtime_error("short page");
        return result;
    }
    const std::string& statement() { return module_.dataSet("Q_CLIENTES").commandText(); }

  private:
    server::TAZORVANIL module_;
};

// A host serving the demo database on a free loopback port, with one connected client.
class RemotePage {
  public:
    RemotePage() {
        host::HostSettings settings;
        settings.net.port = 0;
        settings.handleSignals = false;
        // One client reading back to back outruns the protective per-connection message rate.
        settings.net.maxMessagesPerSecond = 0;
        host_ = std::make_unique<host::Host>(settings, catalogue::zorvanilCatalogue(),
                                             app::zorvanilHandlers(), workspace().environment());
        host_->start();
        client_ =
            std::make_unique<client::Client>(client::ServerAddress{"127.0.0.1", host_->port()});
        client_->createObject();
    }
    ~RemotePage() {
        client_->close();
        host_->requestStop("the benchmark is over");
        host_->wait();
    }
    Variant read(int page) {
        auto r = client_->getRecords("DSPQ_CLIENTES", kPageSize, Variant(options(page)));
        if (r.recsOut != kPageSize) throw std::runtime_error("short page");
        return r.data;
    }

  private:
    std::unique_ptr<host::Host> host_;
    std::unique_ptr<client::Client> client_;
};

void BM_RemotePage(benchmark::State& state) {
    RemotePage remote;
    const int page = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(remote.read(page));
}

void BM_ServerPage(benchmark::State& state) {
    const int page = static_cast<int>(state.range(0));
    ServerPage server;
    server.read(page);
    if (server.statement() != kStatement) state.SkipWithError("unexpected statement");
    for (auto _ : state)
        benchmark::DoNotOptimize(server.read(page));
}

void BM_ServerPageJson(benchmark::State& state) {
    const int page = static_cast<int>(state.range(0));
    ServerPage server;
    server.read(page);
    std::size_t bytes = 0;
    for (auto _ : state) {
        Variant packet = server.read(page);
        std::string text = packet::jsonText(packet);
        bytes = text.size();
        benchmark::DoNotOptimize(text);
    }
    state.counters["json_bytes"] = static_cast<double>(bytes);
}

// The client's part of a page: the answer text parsed as the client library parses it, and its
// packet decoded.
void BM_ClientPageDecode(benchmark::State& state) {
    const int page = static_cast<int>(state.range(0));
    ServerPage server;
    const std::string answer = R"({"jsonrpc":"2.0","result":{"result":)" +
                               packet::jsonText(server.read(page)) +
                               R"(,"RecsOut":50,"OwnerData":")" + options(page) + R"("},"id":7})";
    auto answers = std::make_unique<client::AnswerParser>();
    for (auto _ : state) {
        boost::system::error_code ec;
        boost::json::value v = answers->parse(answer, ec);
        benchmark::DoNotOptimize(packet::variantFromJson(v.at("result").at("result")));
    }
}

// DB2's CHAR(x) for the baseline connection, as the server's driver answers it.
void charFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
        std::string text = std::to_string(sqlite3_value_int64(argv[0]));
        return sqlite3_result_text(ctx, text.c_str(), int(text.size()), SQLITE_TRANSIENT);
    }
    sqlite3_result_text(ctx, reinterpret_cast<const char*>(sqlite3_value_text(argv[0])),
                        sqlite3_value_bytes(argv[0]), SQLITE_TRANSIENT);
}

// The same statement straight through SQLite: prepare, step over the earlier pages, copy out the
// values of one page.
class SqlitePage {
  public:
    // Each page compiles the statement afresh, as a one-off run does; `keepCompiled` keeps it
    // compiled from page to page instead, as the server keeps a dataset's statement.
    explicit SqlitePage(bool keepCompiled = false) : keepCompiled_(keepCompiled) {
        sqlite3_open_v2(workspace().database().c_str(), &db_,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        sqlite3_exec(db_, "PRAGMA case_sensitive_like=ON", nullptr, nullptr, nullptr);
        sqlite3_create_function(db_, "CHAR", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                charFunction, nullptr, nullptr);
    }
    ~SqlitePage() {
        sqlite3_finalize(kept_);
        sqlite3_close(db_);
    }

    // One page; the number of rows it holds.
    std::size_t read(int page) {
        sqlite3_stmt* stmt = kept_;
        if (!stmt) sqlite3_prepare_v2(db_, kStatement, -1, &stmt, nullptr);
        const int skip = (page - 1) * kPageSize;
        int skipped = 0;
        while (skipped < skip && sqlite3_step(stmt) == SQLITE_ROW)
            ++skipped;
        rows_.clear();
        const int columns = sqlite3_column_count(stmt);
        while (rows_.size() < kPageSize && sqlite3_step(stmt) == SQLITE_ROW) {
            std::vector<Value>& row = rows_.emplace_back(static_cast<std::size_t>(columns));
            for (int c = 0; c < columns; ++c) {
                Value& v = row[static_cast<std::size_t>(c)];
                switch (sqlite3_column_type(stmt, c)) {
                    case SQLITE_NULL:
                        break;
                    case SQLITE_INTEGER:
                        v.integer = sqlite3_column_int64(stmt, c);
                        v.null = false;
                        break;
                    default:
                        v.text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                        v.null = false;
                }
            }
        }
        if (keepCompiled_) {
            sqlite3_reset(stmt);
            kept_ = stmt;
        } else {
            sqlite3_finalize(stmt);
        }
        return rows_.size();
    }

  private:
    struct Value {
        long long integer = 0;
        std::string text;
        bool null = true;
    };
    bool keepCompiled_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* kept_ = nullptr;
    std::vector<std::vector<Value>> rows_;
};

void BM_SqlitePage(benchmark::State& state) {
    const int page = static_cast<int>(state.range(0));
    SqlitePage sqlite;
    for (auto _ : state)
        if (sqlite.read(page) != kPageSize) state.SkipWithError("short page");
}

// Reads the same page through `reader` and straight through SQLite, in alternating blocks, and
// reports the median of the per-block time ratios: `<name>_over_sqlite` against SQLite compiling
// the statement for each page, `<name>_over_sqlite_compiled` against SQLite keeping it compiled.
// The machine's speed drifts (other guests share it), so only times taken side by side compare
// fairly, and the median keeps one slow moment from swaying the figure. A block of a short page
// holds many reads, so that each side runs with its caches warm, as it does when it runs alone.
template <class Reader>
void alternate(benchmark::State& state, Reader& reader, const std::string& name) {
    const int page = static_cast<int>(state.range(0));
    const int block = page < 10 ? 50 : 1;
    SqlitePage sqlite, compiled(true);
    std::vector<double> ratios, compiledRatios;
    auto timeBlock = [&](auto&& readOnce) {
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < block; ++i)
            readOnce();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
    };
    for (auto _ : state) {
        auto own = timeBlock([&] { benchmark::DoNotOptimize(reader.read(page)); });
        auto fresh = timeBlock([&] {
            if (sqlite.read(page) != kPageSize) state.SkipWithError("short page");
        });
        auto kept = timeBlock([&] {
            if (compiled.read(page) != kPageSize) state.SkipWithError("short page");
        });
        ratios.push_back(own / fresh);
        compiledRatios.push_back(own / kept);
    }
    auto median = [](std::vector<double>& v) {
        auto middle = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
        std::nth_element(v.begin(), middle, v.end());
        return *middle;
    };
    if (ratios.empty()) return;
    state.counters[name + "_over_sqlite"] = median(ratios);
    state.counters[name + "_over_sqlite_compiled"] = median(compiledRatios);
}

// The server object in this process against SQLite alone.
void BM_PageRatio(benchmark::State& state) {
    ServerPage server;
    alternate(state, server, "server");
}

// A connected client against SQLite alone.
void BM_RemoteRatio(benchmark::State& state) {
    RemotePage remote;
    alternate(state, remote, "remote");
}

BENCHMARK(BM_SqlitePage)->Arg(1)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageRatio)->Arg(1)->Arg(200)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_ServerPage)->Arg(1)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ServerPageJson)->Arg(1)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClientPageDecode)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RemotePage)->Arg(1)->Arg(200)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RemoteRatio)
    ->Arg(1)
    ->Arg(200)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3);

}  // namespace

BENCHMARK_MAIN();
