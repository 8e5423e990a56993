#include "read/report_handlers.hpp"

#include <string>

#include "common/text.hpp"
#include "db/sql_dataset.hpp"
#include "read/list_handlers.hpp"
#include "read/options_record.hpp"
#include "read/report_statements.hpp"
#include "server/provider.hpp"

namespace zorvanil::read {

namespace {

using server::DataSetProvider;
using server::TAZORVANIL;

// The condition of the filters that are given, or the empty text when none is.
std::string invoiceCondition(const InvoiceRegister& reg, const ReadRequest& r) {
    std::string condition;
    for (const ConditionFilter& f : reg.filters) {
        if (trim(r.value(f.value)).empty()) continue;
        if (!condition.empty()) condition += reg.joiner;
        appendPieces(condition, f.pieces, r);
    }
    return condition;
}

// Without any filter nothing is composed or opened: the provider reads with the statement the
// dataset holds (the catalogue's on a fresh object, otherwise the previous request's).
void beforeReadInvoices(DataSetProvider& sender, const Variant& ownerData) {
    const InvoiceRegister& reg = invoiceRegister();
    const ReadRequest r = parseShortOptions(reg.layout, ownerDataText(ownerData));
    const std::string condition = invoiceCondition(reg, r);
    if (trim(condition).empty()) return;
    db::SQLDataSet& ds = dataSetOf(sender);
    std::string sql(reg.base);
    sql += reg.where;
    sql += condition;
    sql += reg.order;
    ds.setCommandText(sql);
    ds.open();
    ds.moveBy(pageSkip(r.pageNumber, r.pageSize));
}

}  // namespace

void registerReportHandlers(server::HandlerTable& table) {
    registerComposedReads(table, reportTables());
    table.add(
        "DSPQ_FACTURASBeforeGetRecords",
        server::RemoteEventHandler([](TAZORVANIL&, DataSetProvider& sender, Variant& ownerData) {
            beforeReadInvoices(sender, ownerData);
        }));
    table.add("DSPQ_FACTURASAfterGetRecords", server::RemoteEventHandler(closeProviderDataSet));
}

}  // namespace zorvanil::read
