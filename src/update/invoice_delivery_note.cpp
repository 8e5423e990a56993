#include "update/invoice_delivery_note.hpp"

#include "common/text.hpp"
#include "server/remote_data_module.hpp"
#include "update/scratch_statement.hpp"
#include "update/stock_statements.hpp"

namespace zorvanil::update {

bool InvoiceHasDeliveryNote(server::TAZORVANIL& module, const server::DeltaRecord& line) {
    const server::MasterRow* invoice = line.master();
    if (!invoice) return false;
    const std::string company = invoice->value("ID_EMPRESA").toString();
    const std::string series = invoice->value("ID_SERIE").toString();
    const std::string year = invoice->value("ANYO").toString();
    const std::string deliveryNote = invoice->value("ID_ALBARAN").toString();
    for (const std::string* key : {&company, &series, &year, &deliveryNote})
        if (trim(*key).empty()) return false;
    const std::string sql = stockSql(
        StockStatement::DeliveryNoteCount,
        {.company = company, .deliveryNote = deliveryNote, .year = year, .series = series});
    return firstInteger(module.Q_AUX(), sql).value_or(0) > 0;
}

}  // namespace zorvanil::update
