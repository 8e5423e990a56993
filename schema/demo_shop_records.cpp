#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "schema/demo_document.hpp"
#include "schema/demo_tables.hpp"
#include "schema/demo_words.hpp"

namespace zorvanil::schema::demo {

void fillNotices(DemoRun& run) {
    Shop& shop = run.shop;
    Random r = run.stream("AVISOS");
    struct Notice {
        int company, day, time;
    };
    std::vector<Notice> list;
    for (int i = 0; i < run.count(20); ++i)
        list.push_back({randomCompany(r), randomDay(r), randomTime(r)});
    std::stable_sort(list.begin(), list.end(), [](const Notice& a, const Notice& b) {
        return std::tie(a.company, a.day, a.time) < std::tie(b.company, b.day, b.time);
    });
    Statement insert(
        run.handle(),
        "INSERT INTO AVISOS (ID_AVISO,ID_EMPRESA,ANYO,FECHA_AVISO,HORA,NOMBRE_CONTACTO,"
        "DIRECCION,POBLACION,TELEFONO,MOVIL,MOTIVO_AVISO,COMENTARIOS,FECHA_PARA_VISITA,"
        "HORA_PARA_VISITA,ESTADO,REALIZADO,OBSERVACIONES) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,"
        "?,?,?)");
    LastNumbers numbers;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Notice& n = list[i];
        int year = yearOf(n.day);
        int id = ++numbers[{n.company, year}];
        noteLast(shop.counters.notices, n.company, year, id);
        // Surname first, then the columns from the last (see Random).
        std::string surname(i % 10 == 4 ? "D'OCON" : r.pick(Names(kSurnames)));
        std::string contact = std::string(r.pick(Names(kFirstNames))) + " " + surname;
        std::string_view state = r.pick(Names(kNoticeStates));
        const Town& town = kTowns[static_cast<std::size_t>(r.below(12))];
        int visit = std::min(n.day + r.intBetween(1, 10), kLastDay);
        const Clock visitTime{r.intBetween(9, 19) * 3600};
        std::optional<std::string> comments;
        if (r.percent(40)) comments = "LLAMAR ANTES DE IR";
        std::string_view reason = r.pick(Names(kNoticeReasons));
        std::optional<std::string> mobile;
        if (r.percent(70)) mobile = "6" + padded(r.between(0, 99999999), 8);
        std::string phone = "96" + padded(r.between(0, 9999999), 7);
        std::string number = std::to_string(r.between(1, 90));
        std::string address = std::string(r.pick(Names(kStreets))) + " " + number;
        insert.run(id, n.company, year, Day{n.day}, Clock{n.time}, contact, address, town.name,
                   phone, mobile, reason, comments, Day{visit}, visitTime, state,
                   state == "TERMINADO" ? -1 : 0, kNull);
    }
    run.report(insert, "AVISOS");
}

void fillPendingOrders(DemoRun& run) {
    Shop& shop = run.shop;
    Random r = run.stream("PEDIDOSPENDIENTES");
    Statement insert(
        run.handle(),
        "INSERT INTO PEDIDOSPENDIENTES (ID_EMPRESA,LINEA,FECHA_NOTA,FECHA_PEDIDO,ID_CLIENTE,"
        "NOMBRE_CONTACTO,ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,MARCA,DESCRIPCION,BRAZOS,"
        "ID_COLOR,CANTIDAD,PEDIDO,COMENTARIOS) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    std::vector<int> lines(kCompanies + 1, 0);
    for (int i = 0; i < run.count(25); ++i) {
        int firm = randomCompany(r);
        const Article& a = shop.sellableArticle(r);
        int day = std::max(randomDay(r), kLastDay - 120);
        bool ordered = r.percent(50);
        std::optional<int> customer;
        if (i % 12 != 5) customer = shop.liveCustomer(r);
        // Last column first (see Random).
        std::optional<std::string> comments;
        if (r.percent(30)) comments = "AVISAR AL CLIENTE AL LLEGAR";
        const Quantity quantity{10 * r.between(1, 4)};
        std::string surname(r.pick(Names(kSurnames)));
        std::string contact = std::string(r.pick(Names(kFirstNames))) + " " + surname;
        std::optional<Day> orderDay;
        if (ordered) orderDay = Day{std::min(day + r.intBetween(0, 7), kLastDay)};
        insert.run(firm, ++lines[static_cast<std::size_t>(firm)], Day{day}, orderDay, customer,
                   contact, a.supplier, a.supplier ? std::optional(a.supplierCode) : std::nullopt,
                   a.id, a.brand.empty() ? std::nullopt : std::optional(a.brand), a.description,
                   a.arms > 0 ? std::optional(a.arms) : std::nullopt, a.colour, quantity,
                   ordered ? 1 : 0, comments);
    }
    run.report(insert, "PEDIDOSPENDIENTES");
}

void fillCashCounts(DemoRun& run) {
    Random r = run.stream("ARQUEODECAJA");
    Statement insert(run.handle(),
                     "INSERT INTO ARQUEODECAJA (ID_ARQUEO,ID_EMPRESA,ANYO,AFECHA,AHORA,"
                     "SALDO_INICIAL,EFECTIVO,TARJETA,OTROS,CONTADO,DIFERENCIA,OBSERVACIONES) "
                     "VALUES (?,?,?,?,?,?,?,?,?,?,?,?)");
    const int days = 30 + run.count(2);
    for (int company = 1; company <= kCompanies; ++company) {
        std::map<int, int> numbers;
        std::vector<int> open;
        for (int day = kLastDay; static_cast<int>(open.size()) < days; --day)
            if (!isSunday(day)) open.push_back(day);
        std::reverse(open.begin(), open.end());
        for (int day : open) {
            int year = yearOf(day);
            std::int64_t start = 15000;
            std::int64_t cash = r.between(5000, 120000) / company;
            std::int64_t card = r.between(5000, 200000) / company;
            std::int64_t other = r.percent(20) ? r.between(1000, 20000) : 0;
            std::int64_t difference = r.percent(85) ? 0 : r.between(-500, 500);
            insert.run(
                ++numbers[year], company, year, Day{day},
                Clock{20 * 3600 + 1800 + r.intBetween(0, 1200)}, Money{start}, Money{cash},
                Money{card}, Money{other}, Money{start + cash + difference}, Money{difference},
                difference != 0 ? std::optional<std::string>("DESCUADRE REVISADO") : std::nullopt);
        }
    }
    run.report(insert, "ARQUEODECAJA");
}

// One row per company and year, holding the number of the last document of each kind.
void fillCounters(DemoRun& run) {
    Shop& shop = run.shop;
    Statement insert(run.handle(),
                     "INSERT INTO OPCIONESNUMERICAS (ID_EMPRESA,ANYO,ID_COBRO,ID_ENTRADA,"
                     "ID_PRESUPUESTO,ID_SALIDA,ID_AVISO) VALUES (?,?,?,?,?,?,?)");
    for (int company = 1; company <= kCompanies; ++company)
        for (int year : kYears) {
            auto last = [&](const LastNumbers& m) {
                auto it = m.find({company, year});
                return it == m.end() ? 0 : it->second;
            };
            insert.run(company, year, last(shop.counters.payments), last(shop.counters.entries),
                       last(shop.counters.quotes), last(shop.counters.goodsOut),
                       last(shop.counters.notices));
        }
    run.report(insert, "OPCIONESNUMERICAS");
}

}  // namespace zorvanil::schema::demo
