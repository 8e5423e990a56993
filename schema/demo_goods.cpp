#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "schema/demo_document.hpp"
#include "schema/demo_tables.hpp"
#include "schema/demo_words.hpp"

namespace zorvanil::schema::demo {

void fillGoodsIn(DemoRun& run) {
    Shop& shop = run.shop;
    Random r = run.stream("E_PROVEEDOR_ACREEDOR");
    std::vector<std::vector<const Article*>> bySupplier(shop.supplierDeleted.size());
    for (const Article& a : shop.articles)
        if (a.supplier && a.tracked)
            bySupplier[static_cast<std::size_t>(*a.supplier)].push_back(&a);
    struct Entry {
        int company, day, supplier;
    };
    std::vector<Entry> entries;
    for (int i = 0; i < run.count(30); ++i)
        entries.push_back({randomCompany(r), randomDay(r), shop.liveSupplier(r)});
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return std::tie(a.company, a.day) < std::tie(b.company, b.day);
    });
    Statement header(run.handle(),
                     "INSERT INTO E_PROVEEDOR_ACREEDOR (ID_ENTRADA,ID_EMPRESA,ANYO,FECHA,"
                     "ID_PROVEEDOR,BASE_ENTRADA,DESCUENTO,IVA) VALUES (?,?,?,?,?,?,?,?)");
    Statement line(run.handle(),
                   "INSERT INTO LIN_E_PROVEEDOR_ACREEDOR (ID_ENTRADA,ID_EMPRESA,ANYO,LINEA,"
                   "ID_ARTICULO,DESCRIPCION,MARCA,CANTIDAD,PRECIO,DESCUENTO,IMPORTE) "
                   "VALUES (?,?,?,?,?,?,?,?,?,?,?)");
    LastNumbers numbers;
    for (const Entry& e : entries) {
        int year = yearOf(e.day);
        int id = ++numbers[{e.company, year}];
        noteLast(shop.counters.entries, e.company, year, id);
        const auto& own = bySupplier[static_cast<std::size_t>(e.supplier)];
        int n = r.intBetween(1, 10);
        std::int64_t base = 0;
        for (int k = 1; k <= n; ++k) {
            const Article& a = own.empty() ? shop.sellableArticle(r)
                                           : *own[static_cast<std::size_t>(
                                                 r.below(static_cast<std::int64_t>(own.size())))];
            std::int64_t quantity = a.byLength ? 10 * r.between(50, 500) : 10 * r.between(1, 24);
            std::int64_t amount = (quantity * a.cost + 5) / 10;
            base += amount;
            line.run(id, e.company, year, k, a.id, a.description,
                     a.brand.empty() ? std::nullopt : std::optional(a.brand), Quantity{quantity},
                     Money{a.cost}, 0.0, Money{amount});
        }
        double discount = e.day % 5 == 0 ? 3.0 : 0.0;
        header.run(id, e.company, year, Day{e.day}, e.supplier, Money{base}, discount,
                   e.day % 17 == 0 ? 0.0 : static_cast<double>(kVat));
    }
    run.report(header, "E_PROVEEDOR_ACREEDOR");
    run.report(line, "LIN_E_PROVEEDOR_ACREEDOR");
}

void fillGoodsOut(DemoRun& run) {
    Shop& shop = run.shop;
    Random r = run.stream("SALIDA");
    struct Out {
        int company, day;
    };
    std::vector<Out> outs;
    for (int i = 0; i < run.count(12); ++i)
        outs.push_back({randomCompany(r), randomDay(r)});
    std::stable_sort(outs.begin(), outs.end(), [](const Out& a, const Out& b) {
        return std::tie(a.company, a.day) < std::tie(b.company, b.day);
    });
    Statement header(run.handle(),
                     "INSERT INTO SALIDA (ID_SALIDA,ID_EMPRESA,ANYO,FECHA,OBSERVACIONES) "
                     "VALUES (?,?,?,?,?)");
    Statement line(run.handle(),
                   "INSERT INTO LINEA_SALIDA (ID_SALIDA,ID_EMPRESA,ANYO,LINEA,ID_ARTICULO,"
                   "CODIGO_BARRAS,DESCRIPCION,MARCA,CANTIDAD) VALUES (?,?,?,?,?,?,?,?,?)");
    LastNumbers numbers;
    for (const Out& o : outs) {
        int year = yearOf(o.day);
        int id = ++numbers[{o.company, year}];
        noteLast(shop.counters.goodsOut, o.company, year, id);
        header.run(id, o.company, year, Day{o.day}, r.pick(Names(kOutReasons)));
        int n = r.intBetween(1, 4);
        for (int k = 1; k <= n; ++k) {
            const Article& a = shop.sellableArticle(r);
            line.run(id, o.company, year, k, a.id,
                     a.barcode.empty() ? std::nullopt : std::optional(a.barcode), a.description,
                     a.brand.empty() ? std::nullopt : std::optional(a.brand),
                     Quantity{10 * r.between(1, 3)});
        }
    }
    run.report(header, "SALIDA");
    run.report(line, "LINEA_SALIDA");
}

}  // namespace zorvanil::schema::demo
