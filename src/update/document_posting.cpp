#include "update/document_posting.hpp"

#include <exception>
#include <string>

#include "db/sql_dataset.hpp"
#include "server/remote_data_module.hpp"
#include "update/entry_stock.hpp"
#include "update/invoice_delivery_note.hpp"
#include "update/line_stock.hpp"

namespace zorvanil::update {

namespace {

using server::DataSetProvider;
using server::DeltaRecord;
using server::TAZORVANIL;
using server::UpdateKind;
using server::WorkingFields;

// A document whose lines post stock: its provider, the master dataset whose Tag is the posting
// switch of the apply under way (0 posts, 1 does not), the line dataset whose changes post
// (compared exactly), the alert flag the apply returns, the posting of a line, and a condition a
// line must also meet to post.
struct PostingDocument {
    const char* provider;
    const char* master;
    const char* lines;
    std::int32_t WorkingFields::*alert;
    void (*post)(TAZORVANIL&, const DeltaRecord&, UpdateKind);
    bool (*alsoPosts)(TAZORVANIL&, const DeltaRecord&);
};

// An invoice made from a delivery note leaves its lines to the delivery note, which posted them.
bool invoiceWithoutDeliveryNote(TAZORVANIL& module, const DeltaRecord& line) {
    return !InvoiceHasDeliveryNote(module, line);
}

// clang-format off
constexpr PostingDocument kDocuments[] = {
    {"DSPQ_MDALBARAN",  "Q_MDALBARAN",  "Q_MDLINEAALBARAN", &WorkingFields::AlertAlbaran,  PostLineStock,      nullptr},
    {"DSPQ_MDFACTURA",  "Q_MDFACTURA",  "Q_MDLINEAFACTURA", &WorkingFields::AlertFactura,  PostLineStock,      invoiceWithoutDeliveryNote},
    {"DSPQ_MDSALIDA",   "QMD_SALIDA",   "QMD_LINEASALIDA",  &WorkingFields::AlertSalida,   PostLineStock,      nullptr},
    {"DSPQ_MDTICKET",   "Q_MDTICKET",   "Q_MDLINEATICKET",  &WorkingFields::AlertTicket,   PostLineStock,      nullptr},
    {"DSPQ_MDENTRADAS", "QMD_ENTRADAS", "QMD_LINEAENTRADA", &WorkingFields::AlertEntradas, PostEntryLineStock, nullptr},
};
// clang-format on

void readPostingSwitch(const PostingDocument& d, TAZORVANIL& module, Variant& ownerData) {
    db::SQLDataSet& master = module.dataSet(d.master);
    master.setTag(0);
    if (ownerData.toString() == "1") master.setTag(1);
}

// The alert flags of every document kind.
struct AlertFlags {
    std::int32_t entradas, salida, albaran, factura, ticket;
};

AlertFlags alertFlags(const WorkingFields& w) {
    return {w.AlertEntradas, w.AlertSalida, w.AlertAlbaran, w.AlertFactura, w.AlertTicket};
}

void setAlertFlags(WorkingFields& w, const AlertFlags& f) {
    w.AlertEntradas = f.entradas;
    w.AlertSalida = f.salida;
    w.AlertAlbaran = f.albaran;
    w.AlertFactura = f.factura;
    w.AlertTicket = f.ticket;
}

// The flag tells of the last row the handler saw: 1 only for a line whose posting ended with an
// alert. A master row only clears it.
void postLine(const PostingDocument& d, TAZORVANIL& module, db::SQLDataSet& source,
              DeltaRecord& change, UpdateKind kind) {
    module.working().*d.alert = 0;
    if (source.name() != d.lines) return;
    if (module.dataSet(d.master).tag() != 0) return;
    if (d.alsoPosts && !d.alsoPosts(module, change)) return;
    // A line whose posting fails is undone with its statements, and raises no alert either.
    const AlertFlags before = alertFlags(module.working());
    try {
        d.post(module, change, kind);
    } catch (...) {
        setAlertFlags(module.working(), before);
        throw;
    }
}

void returnAlertFlag(const PostingDocument& d, TAZORVANIL& module, Variant& ownerData) {
    module.dataSet(d.master).setTag(0);
    ownerData = Variant(module.working().*d.alert);
}

}  // namespace

void registerStockPostingHandlers(server::HandlerTable& table) {
    for (const PostingDocument& d : kDocuments) {
        const std::string provider = d.provider;
        table.add(provider + "BeforeApplyUpdates",
                  server::RemoteEventHandler([&d](TAZORVANIL& m, DataSetProvider&, Variant& o) {
                      readPostingSwitch(d, m, o);
                  }));
        table.add(
            provider + "AfterUpdateRecord",
            server::AfterUpdateRecordHandler(
                [&d](TAZORVANIL& m, DataSetProvider&, db::SQLDataSet& source, DeltaRecord& change,
                     UpdateKind kind) { postLine(d, m, source, change, kind); }));
        table.add(provider + "AfterApplyUpdates",
                  server::RemoteEventHandler([&d](TAZORVANIL& m, DataSetProvider&, Variant& o) {
                      returnAlertFlag(d, m, o);
                  }));
    }
}

}  // namespace zorvanil::update
