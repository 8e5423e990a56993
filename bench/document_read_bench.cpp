// Pages of documents and of articles with their names, on the scale-100 demo database:
//   invoices  20 invoices of DSPQ_MDFACTURA, each with its 8 lines and its customer's name;
//   articles  50 articles of DSPQ_ARTICULOS, each with its colour, family and supplier names
// (document_pages.cpp says which rows and which statements).
//
// Each page is read four ways:
//   server    a TAZORVANIL object in this process, called as the transport calls it;
//   remote    a real zorvanil host on a loopback port, read through the client library as a
//             desktop client reads (WebSocket, JSON-RPC, the object's own thread, and the
//             client's decoding of the answer); `wire` sends the same request as text and takes
//             the answer text without decoding it;
//   sqlite    the same statements straight through SQLite, one after another as the server runs
//             them: the header statement, and for each header row its name lookups (compiled
//             afresh, since their text holds the key) and its line statement (kept compiled and
//             bound to the header row, as the server keeps it);
//   join      one SQLite statement that returns the same rows with their names and lines, what a
//             user of a query engine would write.
// and a bare WebSocket echo answers the very bytes of the server's answer, the least the network
// part of a remote read can cost.
//
// BM_ServerRatio and BM_RemoteRatio give the figures to judge by, each side timed in alternating
// blocks and the median of the per-block ratios taken (see ratioCounter):
//   server_over_sqlite       server / sqlite
//   server_over_join         server / join
//   remote_over_sqlite_echo  remote / (sqlite + echo), and wire_over_sqlite_echo the same for wire
//   remote_over_join_echo    remote / (join + echo)
// with the median time of one read of each side in microseconds (*_us).
//
// Before any benchmark runs, each page is read once by every reader and checked: the server
// packs the page size of header rows, with the same names and line counts as both SQLite
// readers find, and a traced server read runs exactly the statements of the sqlite reader, in
// the same order.
//
// The database is built once per run in a temporary directory (set ZORVANIL_BENCH_DB to a path to
// keep it and reuse it on the next run). Pin the program to one core (taskset -c 1) for steady
// ratios.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <boost/json.hpp>

#include "app/zorvanil_handlers.hpp"
#include "catalogue/zorvanil_catalogue.hpp"
#include "client/client.hpp"
#include "db/sql_dataset.hpp"
#include "db/sql_trace.hpp"
#include "demo_workspace.hpp"
#include "document_pages.hpp"
#include "echo_server.hpp"
#include "host/host.hpp"
#include "packet/data_packet.hpp"
#include "packet/operation_call.hpp"
#include "server/remote_data_module.hpp"
#include "server/server_environment.hpp"
#include "side_by_side.hpp"
#include "sqlite_document_reads.hpp"

namespace {

using namespace zorvanil;
using bench::DocumentPage;
using bench::PageSummary;
using bench::ratioCounter;
using bench::Sides;

// Reads of one side in a timed block: a page takes about a millisecond, so a block is long
// enough for the clock and short enough for the sides to alternate often.
constexpr int kBlock = 10;

bench::DemoWorkspace& workspace() {
    static bench::DemoWorkspace w("docbench", 100);
    return w;
}

const std::filesystem::path& database() {
    return workspace().database();
}

void require(bool condition, const std::string& what) {
    if (!condition) throw std::runtime_error(what);
}

// The page through a server object in this process.
class ServerReader {
  public:
    explicit ServerReader(
        const DocumentPage& page,
        std::shared_ptr<server::ServerEnvironment> environment = workspace().environment())
        : page_(page),
          module_(catalogue::zorvanilCatalogue(), app::zorvanilHandlers(), std::move(environment)) {
    }

    packet::PacketPtr read() {
        Variant owner(page_.options), params, result;
        std::int32_t recsOut = 0;
        server::CallStatus s = module_.AS_GetRecords(page_.provider, page_.pageSize, recsOut, 0, "",
                                                     params, owner, result);
        require(s.ok(), s.message);
        require(recsOut == page_.pageSize, "a short page");
        return result.asPacket();
    }
    const std::string& statement(const std::string& dataSet) {
        return module_.dataSet(dataSet).commandText();
    }

  private:
    const DocumentPage& page_;
    server::TAZORVANIL module_;
};

// AS_GetRecords of the page as the client library sends it.
std::string getRecordsRequest(const DocumentPage& page) {
    packet::OperationCall call(packet::remoteOperation("AS_GetRecords"));
    call.text("ProviderName") = page.provider;
    call.integer("Count") = page.pageSize;
    call.variant("OwnerData") = Variant(page.options);
    return R"({"jsonrpc":"2.0","method":"AS_GetRecords","params":)" + call.requestParams() +
           R"(,"id":1})";
}

// A host serving the demo database on a free loopback port, with one connected client.
class RemoteReader {
  public:
    explicit RemoteReader(const DocumentPage& page)
        : page_(page), request_(getRecordsRequest(page)) {
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
    ~RemoteReader() {
        client_->close();
        host_->requestStop("the benchmark is over");
        host_->wait();
    }

    // Through the client library: the request encoded, the answer parsed and decoded.
    packet::PacketPtr read() {
        auto r = client_->getRecords(page_.provider, page_.pageSize, Variant(page_.options));
        require(r.recsOut == page_.pageSize, "a short page");
        return r.data.asPacket();
    }
    // The request as text, the answer as text.
    std::string readWire() {
        client_->sendText(request_);
        return client_->receiveText();
    }
    const std::string& request() const { return request_; }

  private:
    const DocumentPage& page_;
    const std::string request_;
    std::unique_ptr<host::Host> host_;
    std::unique_ptr<client::Client> client_;
};

// The names and line counts of a packet that carries its field descriptions.
PageSummary summarize(const DocumentPage& page, const packet::DataPacket& data) {
    std::vector<int> nameFields;
    for (const bench::NameLookup& lookup : page.lookups) {
        nameFields.push_back(data.fieldIndex(lookup.field));
        require(nameFields.back() >= 0, "the packet has no field " + lookup.field);
    }
    const int lineField = page.lineDataSet.empty() ? -1 : data.fieldIndex(page.lineDataSet);
    require(page.lineDataSet.empty() || lineField >= 0, "the packet has no " + page.lineDataSet);
    PageSummary s;
    for (const packet::PacketRow& row : data.rows) {
        std::vector<std::string>& names = s.names.emplace_back();
        for (int f : nameFields)
            names.push_back(row.values[static_cast<std::size_t>(f)].toString());
        s.lines.push_back(
            lineField < 0
                ? 0
                : row.values[static_cast<std::size_t>(lineField)].asPacket()->rows.size());
    }
    return s;
}

std::vector<std::string> tracedStatements(const db::SqlTrace& trace) {
    std::vector<std::string> statements;
    for (const std::string& line : trace.lines())
        statements.emplace_back(boost::json::parse(line).at("sql").as_string());
    return statements;
}

// Reads the page with every reader and fails when they disagree (see the top of the file).
void checkPage(const DocumentPage& page) {
    auto traced = std::make_shared<server::ServerEnvironment>(*workspace().environment());
    auto trace = std::make_shared<db::SqlTrace>();
    traced->connection.trace = trace;
    ServerReader server(page, traced);
    const PageSummary packed = summarize(page, *server.read());
    require(packed.names.size() == static_cast<std::size_t>(page.pageSize), "a short page");
    require(server.statement(page.headerDataSet) == page.headerStatement,
            "the server ran the header statement " + server.statement(page.headerDataSet));
    if (!page.lineDataSet.empty())
        require(server.statement(page.lineDataSet) == page.lineStatement,
                "the server ran the line statement " + server.statement(page.lineDataSet));
    // The first read describes the fields too; the second is the one measured.
    trace->clear();
    server.read();
    bench::SqliteSequence sequence(page, database());
    sequence.recordStatements(true);
    sequence.read();
    require(tracedStatements(*trace) == sequence.statements(),
            "the server ran other statements than the sqlite reader");
    require(sequence.summary() == packed, "the sqlite reader found other names or lines");
    bench::SqliteJoin join(page, database());
    join.read();
    require(join.summary() == packed, "the join found other names or lines");
    RemoteReader remote(page);
    require(summarize(page, *remote.read()) == packed, "the client received another page");
}

void BM_ServerRatio(benchmark::State& state, const DocumentPage& page) {
    ServerReader server(page);
    bench::SqliteSequence sequence(page, database());
    bench::SqliteJoin join(page, database());
    server.read();
    Sides sides(kBlock);
    sides.add("server", [&] { benchmark::DoNotOptimize(server.read()); });
    sides.add("sqlite", [&] { benchmark::DoNotOptimize(sequence.read()); });
    sides.add("join", [&] { benchmark::DoNotOptimize(join.read()); });
    for (auto _ : state)
        sides.timeBlock();
    ratioCounter(state, sides, "server_over_sqlite", "server", {"sqlite"});
    ratioCounter(state, sides, "server_over_join", "server", {"join"});
    sides.timeCounters(state);
}

void BM_RemoteRatio(benchmark::State& state, const DocumentPage& page) {
    RemoteReader remote(page);
    bench::SqliteSequence sequence(page, database());
    bench::SqliteJoin join(page, database());
    // The first answer of an object describes the fields as well; the later ones are measured.
    remote.read();
    const std::string answer = remote.readWire();
    bench::EchoServer echoServer(answer);
    client::Client echo(echoServer.address());
    bool wrong = false;
    Sides sides(kBlock);
    sides.add("remote", [&] { benchmark::DoNotOptimize(remote.read()); });
    sides.add("wire", [&] { wrong |= remote.readWire().size() != answer.size(); });
    sides.add("sqlite", [&] { benchmark::DoNotOptimize(sequence.read()); });
    sides.add("join", [&] { benchmark::DoNotOptimize(join.read()); });
    sides.add("echo", [&] {
        echo.sendText(remote.request());
        wrong |= echo.receiveText().size() != answer.size();
    });
    for (auto _ : state)
        sides.timeBlock();
    if (wrong) return state.SkipWithError("an answer differed from the first one");
    ratioCounter(state, sides, "remote_over_sqlite_echo", "remote", {"sqlite", "echo"});
    ratioCounter(state, sides, "wire_over_sqlite_echo", "wire", {"sqlite", "echo"});
    ratioCounter(state, sides, "remote_over_join_echo", "remote", {"join", "echo"});
    sides.timeCounters(state);
    state.counters["answer_kib"] = static_cast<double>(answer.size()) / 1024;
}

// Each reader alone, for instruction counts (see the README).
void BM_SqliteSequence(benchmark::State& state, const DocumentPage& page) {
    bench::SqliteSequence sequence(page, database());
    for (auto _ : state)
        benchmark::DoNotOptimize(sequence.read());
}

void BM_SqliteJoin(benchmark::State& state, const DocumentPage& page) {
    bench::SqliteJoin join(page, database());
    for (auto _ : state)
        benchmark::DoNotOptimize(join.read());
}

void BM_ServerPage(benchmark::State& state, const DocumentPage& page) {
    ServerReader server(page);
    server.read();
    for (auto _ : state)
        benchmark::DoNotOptimize(server.read());
}

void BM_RemotePage(benchmark::State& state, const DocumentPage& page) {
    RemoteReader remote(page);
    remote.read();
    for (auto _ : state)
        benchmark::DoNotOptimize(remote.read());
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const std::vector<DocumentPage> pages = {bench::invoicePage(database()), bench::articlePage()};
    for (const DocumentPage& page : pages) {
        try {
            checkPage(page);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "the %s page fails its check: %s\n", page.name.c_str(), e.what());
            return 1;
        }
    }
    using Run = void (*)(benchmark::State&, const DocumentPage&);
    auto add = [&](const char* name, Run run, bool realTime, double minTime) {
        for (const DocumentPage& page : pages) {
            auto* b = benchmark::RegisterBenchmark(
                (std::string(name) + "/" + page.name).c_str(),
                [run, &page](benchmark::State& state) { run(state, page); });
            b->Unit(benchmark::kMicrosecond);
            if (realTime) b->UseRealTime();
            if (minTime > 0) b->MinTime(minTime);
        }
    };
    add("BM_SqliteSequence", BM_SqliteSequence, false, 0);
    add("BM_SqliteJoin", BM_SqliteJoin, false, 0);
    add("BM_ServerPage", BM_ServerPage, false, 0);
    add("BM_RemotePage", BM_RemotePage, true, 0);
    add("BM_ServerRatio", BM_ServerRatio, false, 3);
    add("BM_RemoteRatio", BM_RemoteRatio, true, 3);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
