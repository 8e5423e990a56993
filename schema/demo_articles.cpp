#include <optional>
#include <string>

#include "schema/demo_tables.hpp"
#include "schema/demo_words.hpp"

namespace zorvanil::schema::demo {

namespace {

// A Spanish EAN-13 bar code: 84, the serial, and the check digit.
std::string ean13(std::int64_t serial) {
    std::string code = "84" + padded(serial, 10);
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += (code[static_cast<std::size_t>(i)] - '0') * (i % 2 ? 3 : 1);
    code += static_cast<char>('0' + (10 - sum % 10) % 10);
    return code;
}

// The description of an article of this kind: its noun, style, arms, bulb, section, colour and
// model, as far as the kind has them.
std::string describe(Random& r, const ArticleKind& kind, int arms,
                     const std::optional<std::string>& colour, int model) {
    std::string text(kind.noun);
    if (kind.tag == "MEC") text = std::string(r.pick(Names(kMechanisms)));
    if (kind.tag == "LTM" || kind.tag == "SOB" || kind.tag == "PIE")
        text += " " + std::string(r.pick(Names(kStyles)));
    if (arms > 0) text += " " + std::to_string(arms) + (arms == 1 ? " BRAZO" : " BRAZOS");
    if (kind.tag == "BLD" || kind.tag == "BHA") {
        std::int64_t watts = r.between(3, 15) * (kind.tag == "BHA" ? 10 : 1);
        std::string_view socket = r.pick(Names(kBulbSockets));
        text += " " + std::string(socket) + " " + std::to_string(watts) + "W";
    }
    if (kind.tag == "CAB") text += " " + std::string(r.pick(Names(kCableSections)));
    if (colour) {
        for (const Colour& c : kColours)
            if (c.code == *colour) text += " " + std::string(c.description);
    }
    if (!kind.service) text += " MOD. " + std::to_string(model);
    return text;
}

std::string familyName(const std::string& code) {
    for (const Family& f : kFamilies)
        if (f.code == code) return std::string(f.description);
    return {};
}

// The statements that write an article: the article, its bar codes, the price-list rows.
struct ArticleStatements {
    explicit ArticleStatements(sqlite3* db)
        : article(db, kArticleSql),
          ean(db, "INSERT INTO EAN (EAN,ID_ARTICULO) VALUES (?,?)"),
          tariff(db, kTariffSql) {}

    static constexpr const char* kArticleSql =
        "INSERT INTO ARTICULOS (COD_ARTICULO,COD_FAMILIA,PROFUNDIDAD,ID_ARTICULO,DESCRIPCION,"
        "DESCRIPCIONTICKET,BENEFICIO,PRECIO_COSTE,PRECIO_MAX_COSTE,PRECIO_MIN_COSTE,"
        "PRECIO_MED_COSTE,PRECIO_VENTA,IVA,BRAZOS,ID_COLOR,PVPCAT,DESCUENTO,MARCA,IMAGEN,TRANS,"
        "ART_PROVEEDOR,ID_PROVEEDOR,OBSERVACIONES,OLDART_PROVEEDOR,OLDID_PROVEEDOR,"
        "MOSTRARIMAGEN,MOSTRARDESCRIPCION,POSICION,POSICIONUSO,DESCRIPCIONBOTON,"
        "MOSTRARPOSICION,MOSTRARPOSICIONUSO,BORRADO,ALMACENABLEBORRAR,ALMACENABLE,TRANSPORTES,"
        "FINANCIEROS,OTROSCOSTES,PVPPROV,PVP2,FMODIFICACION,CONTADOR) "
        "VALUES "
        "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,"
        "?,?)";
    static constexpr const char* kTariffSql =
        "INSERT INTO TARIFAS_PROVEEDORES (ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,"
        "GDESCRIPCION,NOMBRE,OBSERVACIONES,FECHA,DIAS_SUMINISTRO,EAN_FABRICANTE,MARCA,BRAZOS,"
        "ID_COLOR,PRECIO,DESCUENTO,NETO,IVA,PVPCAT) VALUES "
        "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";

    Statement article;
    Statement ean;
    Statement tariff;
};

// The serial numbers that bar codes and suppliers' article codes are made from.
struct Serials {
    std::int64_t barcode = 0;
    std::int64_t supplierCode = 0;
};

// A kind of article, each as often as its weight says.
const ArticleKind& pickKind(Random& r, int totalWeight) {
    int roll = static_cast<int>(r.below(totalWeight));
    const ArticleKind* kind = &kArticleKinds[0];
    for (const ArticleKind& k : kArticleKinds) {
        if (roll < k.weight) {
            kind = &k;
            break;
        }
        roll -= k.weight;
    }
    return *kind;
}

// The article's own values; colour and supplier only where the kind has them.
Article makeArticle(Random& r, const Shop& shop, const ArticleKind& kind, int code,
                    Serials& serials) {
    Article a;
    a.id = std::string(kind.tag) + padded(code, 6);
    a.brand = kind.service ? "" : std::string(r.pick(Names(kBrands)));
    a.byLength = kind.byLength;
    a.arms = kind.maxArms > 0 ? r.intBetween(1, kind.maxArms) : 0;
    if (!kind.service && code % 20 != 3 && r.percent(80))
        a.colour =
            std::string(kColours[static_cast<std::size_t>(r.below(std::size(kColours)))].code);
    if (!kind.service && code % 25 != 4 && r.percent(92)) {
        a.supplier = shop.liveSupplier(r);
        a.supplierCode = "R" + padded(++serials.supplierCode, 7);
    }
    a.cost = r.between(kind.minCost, kind.maxCost);
    a.margin = r.intBetween(30, 90);
    a.price = (a.cost * (100 + a.margin) + 50) / 100;
    a.deleted = code % 50 == 17;
    a.tracked = !kind.service && code % 40 != 9;
    a.description = describe(r, kind, a.arms, a.colour, r.intBetween(1000, 9999));
    return a;
}

// None, one or two bar codes; the first is the article's own.
void insertBarcodes(Random& r, ArticleStatements& insert, Shop& shop, Article& a,
                    const ArticleKind& kind, int code, Serials& serials) {
    int barcodes = kind.service || code % 30 == 21 ? 0 : (r.percent(85) ? 1 : 2);
    for (int b = 0; b < barcodes; ++b) {
        std::string barcode = ean13(++serials.barcode);
        insert.ean.run(barcode, a.id);
        if (b == 0) a.barcode = barcode;
        shop.articleBarcodes.push_back({barcode, a.tracked});
    }
}

void insertArticle(Random& r, ArticleStatements& insert, const Shop& shop, const Article& a,
                   const ArticleKind& kind, int code, Serials& serials) {
    // A tiny stand-in picture for the few articles that carry one.
    static constexpr unsigned char kPicture[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A,
                                                 0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    const int margin = a.margin;
    Statement& article = insert.article;
    std::int64_t costMin = a.cost - r.between(0, a.cost / 10);
    std::int64_t costMax = a.cost + r.between(0, a.cost / 10);
    bool formerSupplier = a.supplier && r.percent(5);
    std::optional<int> oldSupplier;
    std::optional<std::string> oldCode;
    if (formerSupplier) {
        oldSupplier = shop.liveSupplier(r);
        oldCode = "R" + padded(++serials.supplierCode, 7);
    }
    std::optional<std::string> notes;
    if (r.percent(8)) notes = "CONSULTAR PLAZO DE ENTREGA";
    std::optional<Bytes> picture;
    if (code % 100 == 1) picture = Bytes{kPicture};
    std::string family(kind.family);
    // Last column first (see Random).
    const int counter = static_cast<int>(r.below(5000));
    const Day modified{kFirstDay - static_cast<int>(r.below(900))};
    const int transport = r.percent(30) ? 1 : 0;
    const int showUsePosition = r.percent(10) ? 1 : 0;
    const int showPosition = r.percent(20) ? 1 : 0;
    const int usePosition = static_cast<int>(r.below(100));
    const Money transfer{kind.service ? 0 : r.between(0, 300)};
    const double discount = r.percent(85) ? 0.0 : static_cast<double>(r.between(1, 4) * 5);
    article.run(code, family, static_cast<int>(family.size() / 2), a.id, a.description,
                cut(a.description, 30), static_cast<double>(margin), Money{a.cost}, Money{costMax},
                Money{costMin}, Money{(costMin + costMax) / 2}, Money{a.price},
                static_cast<double>(kVat), a.arms > 0 ? std::optional(a.arms) : std::nullopt,
                a.colour, Money{(a.price * 12 + 5) / 10}, discount,
                a.brand.empty() ? std::nullopt : std::optional(a.brand), picture, transfer,
                a.supplier ? std::optional(a.supplierCode) : std::nullopt, a.supplier, notes,
                oldCode, oldSupplier, picture ? 1 : 0, 1, static_cast<int>(code % 500), usePosition,
                cut(a.description, 15), showPosition, showUsePosition, a.deleted ? -1 : 0, 0.0,
                a.tracked ? 1 : 0, transport, 0, 0, Money{(a.price * 115 + 50) / 100},
                Money{(a.price * 95 + 50) / 100}, modified, counter);
}

// The supplier's price-list row of the article, and now and then one of an item of the same
// supplier that the shop does not stock.
void insertTariffs(Random& r, Statement& tariff, const Article& a, const ArticleKind& kind,
                   Serials& serials) {
    const int tariffDays[] = {daysFromCivil(2025, 1, 15), daysFromCivil(2026, 1, 15)};
    std::string family(kind.family);
    int discount = r.intBetween(0, 8) * 5;
    std::int64_t list = (a.cost * 100 + (100 - discount) / 2) / (100 - discount);
    // Last column first (see Random).
    int supplyDays = r.intBetween(2, 30);
    Day listed{tariffDays[r.below(2)]};
    std::optional<std::string> notes;
    if (r.percent(10)) notes = "SUSTITUYE A MODELO ANTERIOR";
    tariff.run(*a.supplier, a.supplierCode, a.id, "G" + family, familyName(family),
               a.description.substr(0, 100), notes, listed, supplyDays,
               a.barcode.empty() ? std::nullopt : std::optional(a.barcode), std::optional(a.brand),
               a.arms > 0 ? std::optional(a.arms) : std::nullopt, a.colour, Money{list},
               static_cast<double>(discount), Money{a.cost}, static_cast<double>(kVat),
               Money{(a.price * 12 + 5) / 10});
    // Catalogue items of the same supplier that the shop does not stock.
    if (r.percent(20)) {
        std::int64_t price = r.between(kind.minCost, kind.maxCost);
        std::int64_t serial = ++serials.supplierCode;
        int itemSupplyDays = r.intBetween(5, 45);
        Day itemListed{tariffDays[r.below(2)]};
        int model = r.intBetween(1000, 9999);
        std::string name = describe(r, kind, a.arms, std::nullopt, model);
        tariff.run(*a.supplier, "R" + padded(serial, 7), kNull, "G" + family, familyName(family),
                   name, kNull, itemListed, itemSupplyDays, ean13(9000000000 + serial), a.brand,
                   kNull, kNull, Money{price}, 0.0, Money{price}, static_cast<double>(kVat),
                   Money{(price * 20 + 5) / 10});
    }
}

}  // namespace

void fillArticles(DemoRun& run) {
    Shop& shop = run.shop;
    Random r = run.stream("ARTICULOS");
    ArticleStatements insert(run.handle());
    int totalWeight = 0;
    for (const ArticleKind& k : kArticleKinds)
        totalWeight += k.weight;
    const int n = run.count(1000);
    shop.articles.reserve(static_cast<std::size_t>(n));
    Serials serials;
    serials.barcode = 4210000000 + r.below(1000000);
    for (int code = 1; code <= n; ++code) {
        const ArticleKind& kind = pickKind(r, totalWeight);
        Article a = makeArticle(r, shop, kind, code, serials);
        insertBarcodes(r, insert, shop, a, kind, code, serials);
        insertArticle(r, insert, shop, a, kind, code, serials);
        if (a.supplier) insertTariffs(r, insert.tariff, a, kind, serials);
        shop.articles.push_back(std::move(a));
    }
    run.report(insert.article, "ARTICULOS");
    run.report(insert.ean, "EAN");
    run.report(insert.tariff, "TARIFAS_PROVEEDORES");
}

// Stock per article and company, and the two bar-code ledgers.
void fillStock(DemoRun& run) {
    const Shop& shop = run.shop;
    Random r = run.stream("ALMACEN");
    Statement almacen(run.handle(),
                      "INSERT INTO ALMACEN (ID_ARTICULO,ID_EMPRESA,DESCRIPCION,MARCA,CANTIDAD,"
                      "AVISAR) VALUES (?,?,?,?,?,?)");
    for (const Article& a : shop.articles) {
        if (!a.tracked) continue;
        for (int company = 1; company <= kCompanies; ++company) {
            if (company == 2 && !r.percent(40)) continue;
            int alert = r.percent(70) ? (company == 1 ? 2 : 1) : r.intBetween(0, 5);
            std::int64_t quantity;
            if (a.byLength)
                quantity = 5 * r.between(0, 1000);
            else if (r.percent(4))
                quantity = -10 * r.between(1, 3);  // sold before it was received
            else if (r.percent(15))
                quantity = 10 * r.between(0, alert);  // at or below its alert level
            else
                quantity = 10 * r.between(alert + 1, 40);
            almacen.run(a.id, company, a.description,
                        a.brand.empty() ? std::nullopt : std::optional(a.brand), Quantity{quantity},
                        alert);
        }
    }
    run.report(almacen, "ALMACEN");

    Statement detail(run.handle(),
                     "INSERT INTO ALMACENDETALLE (CODIGO_BARRAS,CANTIDAD) VALUES (?,?)");
    Statement detail2(run.handle(),
                      "INSERT INTO ALMACENDETALLE2 (NUMERO1,CODIGO_BARRAS,CANTIDAD) "
                      "VALUES (?,?,?)");
    int number = 0;
    for (const auto& [barcode, tracked] : shop.articleBarcodes) {
        if (!tracked || r.percent(20)) continue;
        std::int64_t quantity = 10 * r.between(0, 20);
        detail.run(barcode, Quantity{quantity});
        detail2.run(++number, barcode, Quantity{quantity});
        // A few bar codes are counted twice in the second ledger.
        if (number % 200 == 17) detail2.run(++number, barcode, Quantity{10 * r.between(0, 5)});
    }
    run.report(detail, "ALMACENDETALLE");
    run.report(detail2, "ALMACENDETALLE2");
}

}  // namespace zorvanil::schema::demo
