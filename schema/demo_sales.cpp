#include <algorithm>
#include <optional>
#include <string>

#include "schema/demo_document.hpp"
#include "schema/demo_tables.hpp"
#include "schema/demo_words.hpp"

namespace zorvanil::schema::demo {

namespace {

// Paid at the till within minutes; cash is handed in round amounts. The ticket names its
// `method` only when it has one.
Payment payAtTill(Random& r, const Document& d, bool hasMethod,
                  std::optional<std::string>& method) {
    Payment p = pay(r, d, 97);
    p.day = d.day;
    p.time = std::min(d.time + r.intBetween(10, 180), 86399);
    if (hasMethod) method = r.percent(60) ? "EF" : r.percent(90) ? "TJ" : "BZ";
    if (method == "EF") {
        std::int64_t step = d.totals.total < 2000 ? 500 : 1000;
        p.handed = (d.totals.total + step - 1) / step * step;
    } else {
        p.handed = d.totals.total;
    }
    p.change = p.handed - d.totals.total;
    return p;
}

}  // namespace

void fillQuotes(DemoRun& run) {
    Shop& shop = run.shop;
    Random r = run.stream("PRESUPUESTOS");
    std::vector<Document> docs(static_cast<std::size_t>(run.count(25)));
    for (std::size_t i = 0; i < docs.size(); ++i) {
        Document& d = docs[i];
        d.company = randomCompany(r);
        d.day = randomDay(r);
        d.time = randomTime(r);
        d.customer = shop.documentCustomer(r, static_cast<int>(i));
    }
    number(docs);
    Statement header(run.handle(),
                     "INSERT INTO PRESUPUESTOS (ID_PRESUPUESTO,ID_EMPRESA,ANYO,ID_CLIENTE,"
                     "BASE_PRESUPUESTO,BASE_PRESUPUESTOSINIVA,FECHA,DESCUENTO,IVA,VALIDEZ,"
                     "OBSERVACIONES,RE) VALUES (?,?,?,?,?,?,?,?,?,?,?,?)");
    Statement line(run.handle(),
                   "INSERT INTO LINEAS_PRESUPUESTO (ID_PRESUPUESTO,ID_EMPRESA,ANYO,LINEA,"
                   "ID_ARTICULO,DESCRIPCION,MARCA,ART_PROVEEDOR,ID_PROVEEDOR,CANTIDAD,PRECIO,"
                   "DESCUENTO,IVA,IMPORTE,IMPORTE_FACT,BASE_LINEA,PRECIO_COSTE,ESTADO) "
                   "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    for (Document& d : docs) {
        d.discount = r.percent(70) ? 0 : r.intBetween(1, 3) * 5;
        d.surcharge = shop.surchargeOf(d.customer);
        addLines(r, shop, d, 1, 8);
        total(d);
        noteLast(shop.counters.quotes, d.company, d.year, d.number);
        header.run(
            d.number, d.company, d.year, d.customer, Money{d.totals.total}, Money{d.totals.base},
            Day{d.day}, static_cast<double>(d.discount), static_cast<double>(kVat), Day{d.day + 30},
            r.percent(30) ? std::optional<std::string>("PRECIOS VALIDOS 30 DIAS") : std::nullopt,
            surchargeRate(d));
        std::string_view state = r.pick(Names(kQuoteLineStates));
        int n = 0;
        for (const Line& l : d.lines) {
            const Article& a = *l.article;
            line.run(d.number, d.company, d.year, ++n, a.id, a.description,
                     a.brand.empty() ? std::nullopt : std::optional(a.brand),
                     a.supplier ? std::optional(a.supplierCode) : std::nullopt, a.supplier,
                     Quantity{l.quantity}, Money{a.price}, static_cast<double>(l.discount),
                     static_cast<double>(kVat), Money{l.amount},
                     Money{state == "ACEPTADO" ? l.amount : 0}, Money{l.gross}, Money{a.cost},
                     state);
        }
    }
    run.report(header, "PRESUPUESTOS");
    run.report(line, "LINEAS_PRESUPUESTO");
    shop.quoteCount = static_cast<int>(docs.size());
}

void fillDeliveryNotes(DemoRun& run) {
    Shop& shop = run.shop;
    Random r = run.stream("ALBARANES");
    shop.albaranes.assign(static_cast<std::size_t>(run.count(60)), Document{});
    for (std::size_t i = 0; i < shop.albaranes.size(); ++i) {
        Document& d = shop.albaranes[i];
        d.company = randomCompany(r);
        d.day = randomDay(r);
        d.time = randomTime(r);
        d.series = r.percent(80) ? "A" : "B";
        d.customer = shop.documentCustomer(r, static_cast<int>(i));
    }
    number(shop.albaranes);
    Statement header(
        run.handle(),
        "INSERT INTO ALBARANES (ID_ALBARAN,ANYO,ID_EMPRESA,ID_SERIE,FECHA,HORA,FECHAFIN,"
        "ID_CLIENTE,OBSERVACIONES,ID_PRESUPUESTO,ANULADO,COBRADO,ID_FORMA,HORACOBRO,FECHACOBRO,"
        "IVA,BASE_ALBARAN,BASE_ALBARANSINIVA,DESCUENTO,RE,TOTAL_COBRADO,DESCUENTOEURO,ENTREGA,"
        "DEVOLUCION,TOTALCOBRADO,TOTALDESCUENTO) "
        "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    Statement line(run.handle(),
                   "INSERT INTO LIN_ALBARAN (ID_ALBARAN,ANYO,ID_EMPRESA,ID_SERIE,LINEA,"
                   "ID_ARTICULO,CODIGO_BARRAS,DESCRIPCION,MARCA,CANTIDAD,PRECIO,DESCUENTO,IVA,"
                   "IMPORTE) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    for (std::size_t i = 0; i < shop.albaranes.size(); ++i) {
        Document& d = shop.albaranes[i];
        d.discount = r.percent(75) ? 0 : r.intBetween(1, 2) * 5;
        d.surcharge = shop.surchargeOf(d.customer);
        if (i % 40 != 7) addLines(r, shop, d, 1, 8);  // a few notes have no lines yet
        total(d);
        Payment p = pay(r, d, 60);
        std::optional<int> quote;
        if (shop.quoteCount > 0 && r.percent(10))
            quote = r.intBetween(1, std::max(1, shop.quoteCount / 2));
        // Last column first (see Random).
        std::optional<std::string> notes;
        if (r.percent(20)) notes = "ENTREGAR POR LA TARDE";
        std::optional<Day> delivered;
        if (r.percent(30)) delivered = Day{std::min(d.day + r.intBetween(1, 15), kLastDay)};
        header.run(d.number, d.year, d.company, d.series, Day{d.day}, Clock{d.time}, delivered,
                   d.customer, notes, quote, i % 33 == 20 ? 1 : 0, p.paid ? 1 : 0,
                   p.paid ? std::optional(p.method) : std::nullopt,
                   p.paid ? std::optional(Clock{p.time}) : std::nullopt,
                   p.paid ? std::optional(Day{p.day}) : std::nullopt, static_cast<double>(kVat),
                   Money{d.totals.total}, Money{d.totals.base}, static_cast<double>(d.discount),
                   surchargeRate(d), Money{p.paid ? d.totals.total : 0}, Money{d.totals.discount},
                   Money{p.paid ? p.handed : 0}, Money{p.paid ? p.change : 0},
                   Money{p.paid ? d.totals.total : 0},
                   Money{d.totals.discount + d.totals.lineDiscount});
        insertSalesLines(line, d, true);
    }
    run.report(header, "ALBARANES");
    run.report(line, "LIN_ALBARAN");
}

void fillTickets(DemoRun& run) {
    Shop& shop = run.shop;
    Random r = run.stream("TICKET");
    shop.tickets.assign(static_cast<std::size_t>(run.count(150)), Document{});
    for (std::size_t i = 0; i < shop.tickets.size(); ++i) {
        Document& d = shop.tickets[i];
        d.company = randomCompany(r);
        d.day = randomDay(r);
        d.time = randomTime(r);
        d.series = "T";
        // The till sells mostly to the anonymous customer 1; customer 0 does not exist.
        if (i % 20 == 13)
            d.customer = 0;
        else if (r.percent(85))
            d.customer = 1;
        else
            d.customer = shop.liveCustomer(r);
    }
    number(shop.tickets);
    Statement header(
        run.handle(),
        "INSERT INTO TICKET (ID_TICKET,ID_EMPRESA,ANYO,ID_SERIE,IMPRESO,ID_CLIENTE,COBRADO,"
        "FORMAPAGO,HORACOBRO,FECHACOBRO,HORA,FECHA,DESCUENTO,DESCUENTOEURO,BASE_TICKET,"
        "BASE_TICKETSINIVA,IVA,ENTREGA,DEVOLUCION,TOTALCOBRADO,TOTALDESCUENTO) "
        "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    Statement line(run.handle(),
                   "INSERT INTO LINEA_TICKET (ID_TICKET,ID_EMPRESA,ANYO,ID_SERIE,LINEA,"
                   "ID_ARTICULO,CODIGO_BARRAS,DESCRIPCION,MARCA,CANTIDAD,PRECIO,DESCUENTO,IVA,"
                   "IMPORTE) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    for (std::size_t i = 0; i < shop.tickets.size(); ++i) {
        Document& d = shop.tickets[i];
        d.discount = r.percent(90) ? 0 : 5;
        addLines(r, shop, d, 1, 5);
        total(d);
        std::optional<std::string> method;
        Payment p = payAtTill(r, d, i % 50 != 29, method);
        header.run(d.number, d.company, d.year, d.series, r.percent(95) ? 1 : 0, *d.customer,
                   p.paid ? 1 : 0, method, p.paid ? std::optional(Clock{p.time}) : std::nullopt,
                   p.paid ? std::optional(Day{p.day}) : std::nullopt, Clock{d.time}, Day{d.day},
                   static_cast<double>(d.discount), Money{d.totals.discount}, Money{d.totals.total},
                   Money{d.totals.base}, static_cast<double>(kVat), Money{p.paid ? p.handed : 0},
                   Money{p.paid ? p.change : 0}, Money{p.paid ? d.totals.total : 0},
                   Money{d.totals.discount + d.totals.lineDiscount});
        insertSalesLines(line, d, false);
    }
    run.report(header, "TICKET");
    run.report(line, "LINEA_TICKET");
}

}  // namespace zorvanil::schema::demo
