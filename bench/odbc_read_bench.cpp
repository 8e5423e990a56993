// Pages 1 and 200 of DSPQ_CLIENTES mode "1" on the scale-100 demo database (about 100,000
// customers), read through a server object on the sqlite driver and through one on the odbc
// driver, against the same database file: the odbc side reaches it through the SQLite ODBC
// driver with the DB2 functions loaded as an extension. Both objects read in turn, a block each
// (see bench/side_by_side.hpp), and odbc_over_sqlite is the median of the blocks' ratios.
//
// The SQLite ODBC driver reads the whole result of a query when it runs (see docs/db2.md).
//
// The database is built once per run in a temporary directory (set ZORVANIL_BENCH_DB to a path to
// keep it and reuse it on the next run).

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/zorvanil_handlers.hpp"
#include "bench_requests.hpp"
#include "catalogue/zorvanil_catalogue.hpp"
#include "demo_workspace.hpp"
#include "read/option_tokens.hpp"
#include "server/remote_data_module.hpp"
#include "server/server_environment.hpp"
#include "side_by_side.hpp"

namespace {

using namespace zorvanil;

constexpr int kPageSize = 50;

// The options string of page `page` (1 for the first) of the search.
std::string options(int page) {
    return bench::customerSearchOptions(page, kPageSize, "B");
}

bench::DemoWorkspace& workspace() {
    static bench::DemoWorkspace w("odbc-bench", 100);
    return w;
}

// The workspace's environment with every connection made by the odbc driver, its connection
// file naming the demo database in a connection string of the SQLite ODBC driver.
std::shared_ptr<server::ServerEnvironment> odbcEnvironment() {
    auto env = std::make_shared<server::ServerEnvironment>(*workspace().environment());
    env->connection.driverImplementation = "odbc";
    env->connectionFile = workspace().directory() / "odbc-connection.txt";
    std::ofstream(env->connectionFile, std::ios::binary)
        << "z\r\nz\r\nDRIVER=" ZORVANIL_SQLITE_ODBC_DRIVER_PATH ";DATABASE="
        << workspace().database().string()
        << ";LoadExt=" ZORVANIL_DB2_EXTENSION_PATH ";NoCreat=1;SyncPragma=FULL\r\n";
    return env;
}

class ServerPage {
  public:
    explicit ServerPage(std::shared_ptr<server::ServerEnvironment> env)
        : module_(catalogue::zorvanilCatalogue(), app::zorvanilHandlers(), std::move(env)) {}
    void read(int page) {
        Variant owner(options(page)), params, result;
        std::int32_t recsOut = 0;
        server::CallStatus s = module_.AS_GetRecords("DSPQ_CLIENTES", kPageSize, recsOut, 0, "",
                                                     params, owner, result);
        if (!s.ok()) throw std::runtime_error(s.message);
        if (recsOut != kPageSize) throw std::runtime_error("short page");
        benchmark::DoNotOptimize(result);
    }

  private:
    server::TAZORVANIL module_;
};

void BM_OdbcPageRatio(benchmark::State& state) {
    const int page = static_cast<int>(state.range(0));
    ServerPage sqlite(workspace().environment()), odbc(odbcEnvironment());
    bench::Sides sides(page < 10 ? 20 : 1);
    sides.add("sqlite", [&] { sqlite.read(page); });
    sides.add("odbc", [&] { odbc.read(page); });
    try {
        for (auto _ : state)
            sides.timeBlock();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    sides.timeCounters(state);
    bench::ratioCounter(state, sides, "odbc_over_sqlite", "odbc", {"sqlite"});
}

BENCHMARK(BM_OdbcPageRatio)->Arg(1)->Arg(200)->Unit(benchmark::kMillisecond)->MinTime(3);

}  // namespace

BENCHMARK_MAIN();
