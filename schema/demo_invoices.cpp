#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "schema/demo_document.hpp"
#include "schema/demo_tables.hpp"
#include "schema/demo_words.hpp"

namespace zorvanil::schema::demo {

namespace {

// The statements that write an invoice, its lines, the delivery note it was made from, and the
// register numbers deleted invoices freed.
struct InvoiceStatements {
    explicit InvoiceStatements(sqlite3* db)
        : header(db, kHeaderSql), line(db, kLineSql), link(db, kLinkSql), freed(db, kFreedSql) {}

    static constexpr const char* kHeaderSql =
        "INSERT INTO FACTURAS (ID_FACTURA,ANYO,ID_EMPRESA,ID_SERIE,FECHA,HORA,ID_CLIENTE,"
        "OBSERVACIONES,ID_PRESUPUESTO,ID_ALBARAN,ALBANYO,ALBID_SERIE,ID_TICKET,TICANYO,"
        "TICID_SERIE,ANULADO,COBRADO,ASIENTO,ID_FORMA,IMPRESO,HORACOBRO,FECHACOBRO,IVA,"
        "BASE_FACTURA,DESCUENTO,RE,TOTAL_COBRADO,DESCUENTOEURO,ENTREGA,DEVOLUCION,TOTALCOBRADO,"
        "TOTALDESCUENTO,NUM_FACT,BASE_FACT,EMPRESA,NIF,FECHA_FACTURA,IMPORTEIVA,ULT_FACTURA) "
        "VALUES "
        "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
    static constexpr const char* kLineSql =
        "INSERT INTO LINEAS_FACTURA (ID_FACTURA,ANYO,ID_EMPRESA,ID_SERIE,LINEA,"
        "ID_ARTICULO,CODIGO_BARRAS,DESCRIPCION,MARCA,CANTIDAD,PRECIO,DESCUENTO,IVA,"
        "IMPORTE) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
    static constexpr const char* kLinkSql =
        "INSERT INTO FACTURASALBARANES (ID_FACTURA,ANYO,ID_EMPRESA,ID_SERIE,"
        "ID_ALBARAN,ALBANYO,ALBID_SERIE) VALUES (?,?,?,?,?,?,?)";
    static constexpr const char* kFreedSql =
        "INSERT INTO FACTURASBORRADAS (EMPRESA,NUM_FACT,NUEVA) VALUES (?,?,?)";

    Statement header;
    Statement line;
    Statement link;
    Statement freed;
};

// Invoiced from a delivery note: same company, series and year, a few days later.
void invoiceNote(Random& r, const Shop& shop, Document& d, int note) {
    const Document& a = shop.albaranes[static_cast<std::size_t>(note)];
    d.company = a.company;
    d.series = a.series;
    d.day = std::min({a.day + r.intBetween(0, 10), daysFromCivil(a.year, 12, 31), kLastDay});
    d.customer = a.customer;
    d.source = note;
    d.surcharge = a.surcharge;
    d.discount = a.discount;
    d.lines = a.lines;
}

// Invoiced from a till ticket at the customer's request.
void invoiceTicket(Random& r, const Shop& shop, Document& d) {
    int t = static_cast<int>(r.below(static_cast<std::int64_t>(shop.tickets.size())));
    const Document& ticket = shop.tickets[static_cast<std::size_t>(t)];
    d.company = ticket.company;
    d.series = "A";
    d.day =
        std::min({ticket.day + r.intBetween(0, 3), daysFromCivil(ticket.year, 12, 31), kLastDay});
    d.customer = *ticket.customer > 1 ? *ticket.customer : shop.liveCustomer(r);
    d.source = kFromTicket + t;
    d.discount = ticket.discount;
    d.lines = ticket.lines;
    d.surcharge = shop.surchargeOf(d.customer);
}

// An invoice made on its own, lines to follow.
void invoiceAlone(Random& r, const Shop& shop, Document& d, std::size_t i) {
    d.company = randomCompany(r);
    d.series = r.percent(85) ? "A" : "B";
    d.day = randomDay(r);
    d.customer = shop.documentCustomer(r, static_cast<int>(i));
    d.surcharge = shop.surchargeOf(d.customer);
    d.discount = r.percent(80) ? 0 : 5;
}

// Three in ten invoices come from a delivery note that has lines and no invoice yet, one in ten
// from a ticket; the others stand alone. Numbered once they are all made.
std::vector<Document> draftInvoices(Random& r, const Shop& shop, int count) {
    std::vector<Document> docs(static_cast<std::size_t>(count));
    std::vector<bool> invoiced(shop.albaranes.size(), false);
    for (std::size_t i = 0; i < docs.size(); ++i) {
        Document& d = docs[i];
        int kind = static_cast<int>(r.below(10));
        int note = kind < 3
                       ? static_cast<int>(r.below(static_cast<std::int64_t>(shop.albaranes.size())))
                       : -1;
        if (note >= 0 && (invoiced[static_cast<std::size_t>(note)] ||
                          shop.albaranes[static_cast<std::size_t>(note)].lines.empty()))
            note = -1;
        if (note >= 0) {
            invoiced[static_cast<std::size_t>(note)] = true;
            invoiceNote(r, shop, d, note);
        } else if (kind == 3) {
            invoiceTicket(r, shop, d);
        } else {
            invoiceAlone(r, shop, d, i);
        }
        d.time = randomTime(r);
    }
    number(docs);
    return docs;
}

// The register numbers invoices per company in date order. Some numbers were freed by a
// deleted invoice: NUEVA 0 when the number is still free, 1 when it was given again.
struct Register {
    std::vector<int> lastNumber;             // per company
    std::vector<std::size_t> lastOfCompany;  // per company: its last invoice
    std::vector<int> registerNumber;         // per invoice
};

Register numberRegister(const std::vector<Document>& docs, Statement& freed) {
    Register reg{std::vector<int>(kCompanies + 1, 0),
                 std::vector<std::size_t>(kCompanies + 1, docs.size()),
                 std::vector<int>(docs.size(), 0)};
    std::vector<int>& lastNumber = reg.lastNumber;
    for (std::size_t i = 0; i < docs.size(); ++i) {
        const auto firm = static_cast<std::size_t>(docs[i].company);
        int next = ++lastNumber[firm];
        if (next % 37 == 5) {
            freed.run(docs[i].company, next, 0);
            next = ++lastNumber[firm];
        }
        if (next % 41 == 7) freed.run(docs[i].company, next, 1);
        reg.registerNumber[i] = next;
        reg.lastOfCompany[firm] = i;
    }
    return reg;
}

// Invoice i: its lines (those of its delivery note or ticket, else new ones), totals, payment,
// header, lines and the link to its delivery note.
void insertInvoice(Random& r, InvoiceStatements& insert, Shop& shop, Document& d, std::size_t i,
                   const Register& reg) {
    Statement& header = insert.header;
    const std::vector<int>& registerNumber = reg.registerNumber;
    const std::vector<std::size_t>& lastOfCompany = reg.lastOfCompany;
    if (d.lines.empty()) addLines(r, shop, d, 1, 8);
    total(d);
    Payment p = pay(r, d, 55);
    const Document* note = nullptr;
    const Document* ticket = nullptr;
    if (d.source >= kFromTicket)
        ticket = &shop.tickets[static_cast<std::size_t>(d.source - kFromTicket)];
    else if (d.source >= 0)
        note = &shop.albaranes[static_cast<std::size_t>(d.source)];
    std::optional<std::string> nif;
    if (d.customer && *d.customer < static_cast<int>(shop.customers.size())) {
        const std::string& text = shop.customers[static_cast<std::size_t>(*d.customer)].nif;
        if (!text.empty()) nif = cut(text, 9);
    }
    // Last column first (see Random).
    const int printed = r.percent(90) ? 1 : 0;
    std::optional<int> entry;
    if (r.percent(50)) entry = r.intBetween(1, 99999);
    header.run(
        d.number, d.year, d.company, d.series, Day{d.day}, Clock{d.time}, d.customer,
        note ? std::optional<std::string>("SEGUN ALBARAN " + std::to_string(note->number))
             : std::nullopt,
        kNull, note ? std::optional(note->number) : std::nullopt,
        note ? std::optional(note->year) : std::nullopt,
        note ? std::optional(note->series) : std::nullopt,
        ticket ? std::optional(ticket->number) : std::nullopt,
        ticket ? std::optional(ticket->year) : std::nullopt,
        ticket ? std::optional(ticket->series) : std::nullopt, i % 45 == 30 ? 1 : 0, p.paid ? 1 : 0,
        entry, p.method, printed, p.paid ? std::optional(Clock{p.time}) : std::nullopt,
        p.paid ? std::optional(Day{p.day}) : std::nullopt, static_cast<double>(kVat),
        Money{d.totals.total}, static_cast<double>(d.discount), surchargeRate(d),
        Money{p.paid ? d.totals.total : 0}, Money{d.totals.discount}, Money{p.paid ? p.handed : 0},
        Money{p.paid ? p.change : 0}, Money{p.paid ? d.totals.total : 0},
        Money{d.totals.discount + d.totals.lineDiscount}, registerNumber[i], Money{d.totals.base},
        d.company, nif, Day{d.day}, Money{d.totals.vat},
        lastOfCompany[static_cast<std::size_t>(d.company)] == i ? 1 : 0);
    insertSalesLines(insert.line, d, true);
    if (note)
        insert.link.run(d.number, d.year, d.company, d.series, note->number, note->year,
                        note->series);
    shop.invoices.push_back(d);
}

}  // namespace

// Invoices, their lines, the delivery notes they were made from, and the register numbers.
void fillInvoices(DemoRun& run) {
    Shop& shop = run.shop;
    Random r = run.stream("FACTURAS");
    std::vector<Document> docs = draftInvoices(r, shop, run.count(60));
    InvoiceStatements insert(run.handle());
    Register reg = numberRegister(docs, insert.freed);
    for (std::size_t i = 0; i < docs.size(); ++i)
        insertInvoice(r, insert, shop, docs[i], i, reg);
    run.report(insert.header, "FACTURAS");
    run.report(insert.line, "LINEAS_FACTURA");
    run.report(insert.link, "FACTURASALBARANES");
    run.report(insert.freed, "FACTURASBORRADAS");

    Statement next(run.handle(), "UPDATE EMPRESAS SET SIG_FACTURA = ? WHERE ID_EMPRESA = ?");
    for (int company = 1; company <= kCompanies; ++company)
        next.run(reg.lastNumber[static_cast<std::size_t>(company)] + 1, company);
}

namespace {

// A payment a document waits for: the document, and the day its payment record opens.
struct Pending {
    int company, day;
    const Document* doc;
    std::string_view kind;
};

// Payments owed on invoices and delivery notes alike, in company and date order.
std::vector<Pending> pendingPayments(Random& r, const Shop& shop, int n) {
    std::vector<Pending> list;
    for (int i = 0; i < n; ++i) {
        bool invoice = r.percent(50) && !shop.invoices.empty();
        const Document& doc = invoice
                                  ? shop.invoices[static_cast<std::size_t>(
                                        r.below(static_cast<std::int64_t>(shop.invoices.size())))]
                                  : shop.albaranes[static_cast<std::size_t>(
                                        r.below(static_cast<std::int64_t>(shop.albaranes.size())))];
        list.push_back({doc.company, std::min(doc.day + r.intBetween(0, 20), kLastDay), &doc,
                        invoice ? "FACTURA" : "ALBARAN"});
    }
    std::stable_sort(list.begin(), list.end(), [](const Pending& a, const Pending& b) {
        return std::tie(a.company, a.day) < std::tie(b.company, b.day);
    });
    return list;
}

}  // namespace

// Payment records, each paid in up to three instalments.
void fillPayments(DemoRun& run) {
    Shop& shop = run.shop;
    Random r = run.stream("COBRO");
    std::vector<Pending> list = pendingPayments(r, shop, run.count(40));
    Statement header(run.handle(),
                     "INSERT INTO COBRO (ID_COBRO,ANYO,ID_EMPRESA,ID_SERIE,ANYOSERIE,TIPO,ID,"
                     "ID_CLIENTE,OBSERVACIONES,BASE,ESTADO,TOTAL_COBRADO) "
                     "VALUES (?,?,?,?,?,?,?,?,?,?,?,?)");
    Statement line(run.handle(),
                   "INSERT INTO LINEAS_COBRO (ID_COBRO,ANYO,ID_EMPRESA,LINEA,FECHA,IMPORTE,"
                   "ID_FORMA) VALUES (?,?,?,?,?,?,?)");
    LastNumbers numbers;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Pending& p = list[i];
        int year = yearOf(p.day);
        int id = ++numbers[{p.company, year}];
        noteLast(shop.counters.payments, p.company, year, id);
        std::int64_t base = p.doc->totals.total;
        int instalments = i % 15 == 4 ? 0 : r.intBetween(1, 3);
        std::int64_t paid = 0;
        for (int k = 1; k <= instalments; ++k) {
            std::int64_t amount =
                k == instalments && r.percent(70) ? base - paid : base / (instalments + 1);
            paid += amount;
            line.run(id, year, p.company, k, Day{std::min(p.day + 30 * (k - 1), kLastDay)},
                     Money{amount}, kPaymentMethods[r.below(5)].code);
        }
        std::string_view state = paid == 0 ? "PENDIENTE" : paid >= base ? "COBRADO" : "PARCIAL";
        header.run(id, year, p.company, p.doc->series, p.doc->year, p.kind, p.doc->number,
                   p.doc->customer,
                   r.percent(20) ? std::optional<std::string>("PAGO APLAZADO") : std::nullopt,
                   Money{base}, state, Money{paid});
    }
    run.report(header, "COBRO");
    run.report(line, "LINEAS_COBRO");
}

}  // namespace zorvanil::schema::demo
