// Applies per second of a new document with ten lines, sent by a connected client: the change
// packet travels as JSON over the WebSocket, the server object resolves it into eleven INSERT
// statements inside one transaction and commits (durably: synchronous=FULL).

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/zorvanil_handlers.hpp"
#include "catalogue/catalogue.hpp"
#include "catalogue/zorvanil_catalogue.hpp"
#include "client/client.hpp"
#include "host/host.hpp"
#include "packet/data_packet.hpp"
#include "server/server_environment.hpp"
#include "side_by_side.hpp"

namespace {

using namespace zorvanil;

// A delivery-note header with its lines, as the document providers publish them.
constexpr catalogue::DatasetSpec kDatasets[] = {
    {"Q_AUX", {}, {}, {}, true, {}},
    {"Q_LINEAS", "SELECT * FROM LIN_DOC WHERE ID_DOC = :ID_DOC", "DSDOC", {}, true, {}},
    {"Q_DOC", "SELECT * FROM DOC", {}, {}, true, {}},
};
constexpr catalogue::MasterLinkSpec kLinks[] = {{"DSDOC", "Q_DOC"}};
constexpr catalogue::ProviderSpec kProviders[] = {
    {"DSPQ_DOC", "Q_DOC", catalogue::poCascadeDeletes | catalogue::poCascadeUpdates, {}},
};
const catalogue::Catalogue& documentCatalogue() {
    static const catalogue::Catalogue kCatalogue{"AZORVANIL",
                                                 "RemoteDataModuleCreate",
                                                 catalogue::zorvanilCatalogue().connection,
                                                 kDatasets,
                                                 kLinks,
                                                 kProviders};
    return kCatalogue;
}

packet::PacketField field(const char* name, db::FieldType type) {
    packet::PacketField f;
    f.def.name = name;
    f.def.type = type;
    f.def.size = type == db::FieldType::String ? 30 : 0;
    return f;
}

// Document `id` with ten lines.
Variant document(int id) {
    auto lines = std::make_shared<packet::DataPacket>();
    for (int l = 1; l <= 10; ++l)
        lines->rows.push_back(
            {packet::RowStatus::Inserted,
             {Variant(id), Variant(l), Variant("ART" + std::to_string(l)), Variant(l * 1.5)},
             {}});
    auto doc = std::make_shared<packet::DataPacket>();
    doc->hasMetadata = true;
    doc->fields = {field("ID_DOC", db::FieldType::Integer),
                   field("CLIENTE", db::FieldType::Integer), field("TOTAL", db::FieldType::Float),
                   field("Q_LINEAS", db::FieldType::DataSet)};
    doc->fields[3].children = {
        field("ID_DOC", db::FieldType::Integer), field("LINEA", db::FieldType::Integer),
        field("ARTICULO", db::FieldType::String), field("CANTIDAD", db::FieldType::Float)};
    doc->rows.push_back(
        {packet::RowStatus::Inserted,
         {Variant(id), Variant(7), Variant(82.5), Variant(packet::PacketPtr(lines))},
         {}});
    return Variant(packet::PacketPtr(doc));
}

class Served {
  public:
    Served() {
        dir_ = std::filesystem::temp_directory_path() /
               ("zorvanil-apply-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        const auto database = dir_ / "docs.db";
        sqlite3* db = nullptr;
        sqlite3_open(database.c_str(), &db);
        sqlite3_exec(
            db,
            "PRAGMA journal_mode=WAL;"
            "CREATE TABLE DOC (ID_DOC INTEGER NOT NULL PRIMARY KEY, CLIENTE INTEGER, TOTAL DOUBLE);"
            "CREATE TABLE LIN_DOC (ID_DOC INTEGER NOT NULL, LINEA INTEGER NOT NULL, "
            "ARTICULO VARCHAR(30), CANTIDAD DOUBLE, PRIMARY KEY (ID_DOC, LINEA));",
            nullptr, nullptr, nullptr);
        sqlite3_close(db);
        auto env = server::ServerEnvironment::makeDefault();
        env->logger->set_level(spdlog::level::off);
        env->connectionFile = dir_ / "connection.txt";
        env->creationFile = dir_ / "creation.txt";
        std::FILE* f = std::fopen(env->connectionFile.c_str(), "wb");
        std::fprintf(f, "z\r\nz\r\n%s\r\n", database.c_str());
        std::fclose(f);
        host::HostSettings settings;
        settings.net.port = 0;
        settings.handleSignals = false;
        host_ = std::make_unique<host::Host>(settings, documentCatalogue(), app::zorvanilHandlers(),
                                             env);
        host_->start();
        client_ =
            std::make_unique<client::Client>(client::ServerAddress{"127.0.0.1", host_->port()});
        client_->createObject();
    }
    ~Served() {
        client_->close();
        host_->requestStop("the benchmark is over");
        host_->wait();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    // With `requestId` the apply goes under a new id, recorded with its answer; without, it
    // runs as an apply without one always has.
    void apply(int id, bool requestId = false) {
        client::ApplyOptions options;
        options.withoutRequestId = !requestId;
        auto r = client_->applyUpdates("DSPQ_DOC", document(id), 0, {}, options);
        if (r.errorCount != 0) throw std::runtime_error("the document did not apply");
    }

  private:
    std::filesystem::path dir_;
    std::unique_ptr<host::Host> host_;
    std::unique_ptr<client::Client> client_;
};

void BM_ApplyTenLineDocument(benchmark::State& state) {
    Served served;
    int id = 0;
    for (auto _ : state)
        served.apply(++id);
    state.counters["applies_per_second"] =
        benchmark::Counter(static_cast<double>(id), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ApplyTenLineDocument)->Unit(benchmark::kMillisecond)->UseRealTime();

// Applies with and without a request id side by side, in blocks taken in turn on the same server
// and database; `with_over_without` is the median of the blocks' time ratios (goal: 1.05 at
// most). The id costs a digest of the request, a lookup by key and one more row in the commit.
void BM_ApplyWithAndWithoutRequestId(benchmark::State& state) {
    constexpr int kBlock = 20;
    Served served;
    int id = 0;
    bench::Sides sides(kBlock);
    sides.add("without", [&] { served.apply(++id); });
    sides.add("with", [&] { served.apply(++id, true); });
    for (auto _ : state)
        sides.timeBlock();
    sides.rateCounters(state, "_per_second");
    bench::ratioCounter(state, sides, "with_over_without", "with", {"without"});
}
BENCHMARK(BM_ApplyWithAndWithoutRequestId)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(15);

}  // namespace

BENCHMARK_MAIN();
