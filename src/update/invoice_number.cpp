#include "update/invoice_number.hpp"

#include <string>

#include "db/sql_dataset.hpp"
#include "server/remote_data_module.hpp"
#include "update/scratch_statement.hpp"

namespace zorvanil::update {

namespace {

using server::DataSetProvider;
using server::DeltaRecord;
using server::TAZORVANIL;
using server::UpdateKind;

// Where a new invoice's number comes from, in the order they are asked; each is followed by the
// company.
constexpr const char* kFreedNumber =
    "SELECT NUM_FACT FROM  FACTURASBORRADAS WHERE NUEVA=0 AND EMPRESA=";
constexpr const char* kNextNumber = "SELECT SIG_FACTURA FROM  EMPRESAS WHERE EMPRESA =";

std::int32_t invoiceNumberFor(db::SQLDataSet& scratch, const std::string& company) {
    if (auto freed = firstInteger(scratch, kFreedNumber + company)) return *freed;
    return firstInteger(scratch, kNextNumber + company).value_or(0);
}

void numberNewInvoice(TAZORVANIL& module, DataSetProvider&, db::SQLDataSet&, DeltaRecord& change,
                      UpdateKind kind, bool&) {
    if (kind != UpdateKind::ukInsert) return;
    // The company as an integer: a value that is none fails the row before anything is read.
    const std::string company = std::to_string(change.value("EMPRESA").toInt32());
    std::int32_t& number = module.working().LastInvoiceNumber;
    number = invoiceNumberFor(module.Q_AUX(), company);
    // The resolver's insert statement carries the number.
    change.setNewValue("NUM_FACT", Variant(number));
}

void returnLastInvoiceNumber(TAZORVANIL& module, DataSetProvider&, Variant& ownerData) {
    ownerData = Variant(module.working().LastInvoiceNumber);
}

}  // namespace

void registerInvoiceNumberHandlers(server::HandlerTable& table) {
    table.add("DSPQ_FACTURASBeforeUpdateRecord",
              server::BeforeUpdateRecordHandler(numberNewInvoice));
    table.add("DSPQ_FACTURASAfterUpdateRecord",
              server::AfterUpdateRecordHandler(
                  [](TAZORVANIL&, DataSetProvider&, db::SQLDataSet&, DeltaRecord&, UpdateKind) {}));
    table.add("DSPQ_FACTURASAfterApplyUpdates",
              server::RemoteEventHandler(returnLastInvoiceNumber));
}

}  // namespace zorvanil::update
