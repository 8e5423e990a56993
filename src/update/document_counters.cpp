#include "update/document_counters.hpp"

#include <string>
#include <string_view>

#include "db/sql_dataset.hpp"
#include "server/remote_data_module.hpp"
#include "update/scratch_statement.hpp"
#include "update/sql_number.hpp"

namespace zorvanil::update {

namespace {

using server::DataSetProvider;
using server::DeltaRecord;
using server::TAZORVANIL;
using server::UpdateKind;

// One counter: the after-update handler that moves it, the dataset whose new rows move it (empty:
// any dataset of the provider), and the statement, followed by the new row's ID_EMPRESA, then
// " AND ANYO=" and its ANYO.
struct DocumentCounter {
    std::string_view handler;
    std::string_view headerDataSet;
    std::string_view statement;
};

// clang-format off
constexpr DocumentCounter kCounters[] = {
    {"DSPQ_MDPRESUPUESTOAfterUpdateRecord", "QMD_PRESUPUESTO", "UPDATE OPCIONESNUMERICAS SET ID_PRESUPUESTO = ID_PRESUPUESTO + 1 WHERE ID_EMPRESA ="},
    {"DSPQ_MDCOBROAfterUpdateRecord",       "Q_MDCOBRO",       "UPDATE OPCIONESNUMERICAS SET ID_COBRO = ID_COBRO + 1 WHERE ID_EMPRESA ="},
    {"DSPQ_AVISOAfterUpdateRecord",         "",                "UPDATE OPCIONESNUMERICAS SET ID_AVISO = ID_AVISO + 1 WHERE ID_EMPRESA ="},
};
// clang-format on

constexpr std::string_view kYear = " AND ANYO=";

// A line of a document is not a new document: the dataset's name must match exactly.
void advanceCounter(const DocumentCounter& counter, TAZORVANIL& module, db::SQLDataSet& source,
                    const DeltaRecord& change, UpdateKind kind) {
    if (kind != UpdateKind::ukInsert) return;
    if (!counter.headerDataSet.empty() && source.name() != counter.headerDataSet) return;
    std::string sql(counter.statement);
    sql += sqlNumber(change.value("ID_EMPRESA"));
    sql += kYear;
    sql += sqlNumber(change.value("ANYO"));
    // No counter row for the company and year changes nothing, which is no error.
    runStatement(module.Q_AUX(), sql);
}

}  // namespace

void registerDocumentCounterHandlers(server::HandlerTable& table) {
    for (const DocumentCounter& counter : kCounters)
        table.add(std::string(counter.handler),
                  server::AfterUpdateRecordHandler(
                      [&counter](TAZORVANIL& module, DataSetProvider&, db::SQLDataSet& source,
                                 DeltaRecord& change, UpdateKind kind) {
                          advanceCounter(counter, module, source, change, kind);
                      }));
    // The quote provider's other update events have nothing to do.
    table.add("DSPQ_MDPRESUPUESTOBeforeUpdateRecord",
              server::BeforeUpdateRecordHandler([](TAZORVANIL&, DataSetProvider&, db::SQLDataSet&,
                                                   DeltaRecord&, UpdateKind, bool&) {}));
    table.add("DSPQ_MDPRESUPUESTOAfterApplyUpdates",
              server::RemoteEventHandler([](TAZORVANIL&, DataSetProvider&, Variant&) {}));
}

}  // namespace zorvanil::update
