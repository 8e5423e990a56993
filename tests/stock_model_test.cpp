#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/text.hpp"
#include "support/demo_shop.hpp"
#include "support/raw_sqlite.hpp"
#include "support/running_server.hpp"
#include "support/stock_fixture.hpp"
#include "support/stock_model.hpp"
#include "support/stock_tables.hpp"

namespace zorvanil::test {
namespace {

// The ways through the rules that the sequence must take at least once.
const char* const kWays[] = {
    "out: new line",
    "out: new line without article",
    "out: new row",
    "new row refused: not tracked",
    "out: quantity changed",
    "out: quantity and bar code changed",
    "out: quantity changed, nothing posted",
    "out: article changed",
    "out: article removed",
    "out: article given to a line without one",
    "out: line without article, none to post",
    "out: line deleted",
    "out: line deleted, nothing posted",
    "in: new line",
    "in: new line, nothing tracked",
    "in: new row",
    "in: quantity changed",
    "in: quantity changed, nothing posted",
    "in: article changed",
    "in: line deleted",
};

// ---------------------------------------------------------------------------------------------
// The documents the sequence changes, and what it picks from.
// ---------------------------------------------------------------------------------------------

struct ModelDocument {
    const StockDocument* kind;
    DocumentKey key;
    Variant extra = Variant::null();  // a delivery note's OBSERVACIONES, as stored
    std::vector<Line> lines;
    int nextLine = 1;
    bool stored = true;  // its header is in the database
};

Variant column(sqlite3_stmt* row, int i) {
    switch (sqlite3_column_type(row, i)) {
        case SQLITE_NULL:
            return Variant::null();
        case SQLITE_INTEGER:
            return Variant(static_cast<std::int32_t>(sqlite3_column_int(row, i)));
        case SQLITE_FLOAT:
            return Variant(sqlite3_column_double(row, i));
        default:
            return Variant(std::string(reinterpret_cast<const char*>(sqlite3_column_text(row, i))));
    }
}

// The demo's documents of a kind that have lines: the first two of each company, with their
// lines as stored.
std::vector<ModelDocument> demoDocuments(RawSqlite& db, const StockDocument& kind) {
    const std::string number = kind.number;
    const std::string table = kind.header;
    const std::string lines = kind.lines;
    const std::string series = kind.series ? "ID_SERIE" : "''";
    const std::string extra = *kind.extraField ? kind.extraField : "NULL";
    std::vector<ModelDocument> docs;
    for (int company : {1, 2}) {
        RawSqlite::Statement headers = db.prepare(
            "SELECT " + number + ", ANYO, ID_EMPRESA, " + series + ", " + extra + " FROM " + table +
            " H WHERE ID_EMPRESA=" + std::to_string(company) + " AND EXISTS (SELECT 1 FROM " +
            lines + " L WHERE L." + number + "=H." + number +
            " AND L.ANYO=H.ANYO AND L.ID_EMPRESA=H.ID_EMPRESA) ORDER BY ANYO, " + number +
            " LIMIT 2");
        while (sqlite3_step(headers.get()) == SQLITE_ROW) {
            ModelDocument d{&kind,
                            {sqlite3_column_int(headers.get(), 0),
                             static_cast<std::int16_t>(sqlite3_column_int(headers.get(), 1)),
                             static_cast<std::int16_t>(sqlite3_column_int(headers.get(), 2)),
                             reinterpret_cast<const char*>(sqlite3_column_text(headers.get(), 3))},
                            column(headers.get(), 4),
                            {}};
            const std::string where = " WHERE " + number + "=" + std::to_string(d.key.number) +
                                      " AND ANYO=" + std::to_string(d.key.year) +
                                      " AND ID_EMPRESA=" + std::to_string(d.key.company) +
                                      (kind.series ? " AND ID_SERIE='" + d.key.series + "'" : "");
            RawSqlite::Statement rows = db.prepare(
                "SELECT LINEA, ID_ARTICULO, " +
                std::string(kind.barCodes ? "CODIGO_BARRAS" : "NULL") +
                ", MARCA, DESCRIPCION, CANTIDAD FROM " + lines + where + " ORDER BY LINEA");
            while (sqlite3_step(rows.get()) == SQLITE_ROW) {
                Line l{sqlite3_column_int(rows.get(), 0),
                       column(rows.get(), 1),
                       kind.barCodes ? column(rows.get(), 2) : Variant(),
                       column(rows.get(), 3),
                       column(rows.get(), 4),
                       column(rows.get(), 5),
                       Variant(d.key.company)};
                d.nextLine = std::max(d.nextLine, l.linea + 1);
                d.lines.push_back(std::move(l));
            }
            docs.push_back(std::move(d));
        }
    }
    return docs;
}

std::vector<Variant> texts(RawSqlite& db, const std::string& sql) {
    std::vector<Variant> out;
    for (const auto& row : db.rows(sql))
        out.emplace_back(row.at(0));
    return out;
}

// Articles of every kind the rules tell apart: tracked with a row in both companies, tracked
// with a row in company 1 only (a line of company 2 gives it a row), not tracked; and their bar
// codes, one of them counted twice in the second ledger.
struct Picks {
    std::vector<Variant> articles, barCodes;
};

Picks picks(RawSqlite& db) {
    Picks p;
    const char* const articleQueries[] = {
        "SELECT ID_ARTICULO FROM ALMACEN WHERE ID_EMPRESA=2 ORDER BY ID_ARTICULO LIMIT 3",
        "SELECT ID_ARTICULO FROM ALMACEN A WHERE ID_EMPRESA=1 AND NOT EXISTS (SELECT 1 FROM "
        "ALMACEN B WHERE B.ID_ARTICULO=A.ID_ARTICULO AND B.ID_EMPRESA=2) ORDER BY ID_ARTICULO "
        "LIMIT 4",
        "SELECT ID_ARTICULO FROM ARTICULOS WHERE ALMACENABLE=0 ORDER BY ID_ARTICULO LIMIT 2",
        "SELECT E.ID_ARTICULO FROM EAN E, ALMACENDETALLE2 D WHERE D.CODIGO_BARRAS=E.EAN GROUP BY "
        "E.EAN HAVING COUNT(*) > 1 ORDER BY E.EAN LIMIT 1",
    };
    for (const char* sql : articleQueries) {
        const std::vector<Variant> found = texts(db, sql);
        EXPECT_FALSE(found.empty()) << sql;
        p.articles.insert(p.articles.end(), found.begin(), found.end());
    }
    std::string in;
    for (const Variant& a : p.articles)
        in += (in.empty() ? "'" : ",'") + a.toString() + "'";
    p.barCodes = texts(db, "SELECT EAN FROM EAN WHERE ID_ARTICULO IN (" + in + ") ORDER BY EAN");
    return p;
}

// ---------------------------------------------------------------------------------------------
// The sequence.
// ---------------------------------------------------------------------------------------------

constexpr std::uint32_t kSeed = 20261209;
constexpr int kSteps = 300;

class Sequence {
  public:
    Sequence(std::uint32_t seed, Picks picks) : random_(seed), picks_(std::move(picks)) {}

    int below(int n) { return static_cast<int>(random_() % static_cast<std::uint32_t>(n)); }
    bool percent(int p) { return below(100) < p; }
    template <typename T>
    const T& pick(const std::vector<T>& from) {
        return from[static_cast<std::size_t>(below(static_cast<int>(from.size())))];
    }

    Variant article() { return percent(6) ? Variant::null() : pick(picks_.articles); }
    Variant barCode() { return percent(15) ? Variant::null() : pick(picks_.barCodes); }
    Variant quantity(bool zeroToo) {
        static const std::vector<Variant> kQuantities = {0.5, 1.0, 1.5,  2.0,  3.0,
                                                         4.0, 6.0, 10.0, "2,5"};
        if (zeroToo && percent(10)) return Variant(0.0);
        return pick(kQuantities);
    }
    Variant brand() {
        static const std::vector<Variant> kBrands = {Variant::null(), "PHILIPS", "L'OREAL"};
        return pick(kBrands);
    }
    Variant description() {
        static const std::vector<Variant> kDescriptions = {Variant::null(), "LAMPARA",
                                                           "CABLE D'ACERO"};
        return pick(kDescriptions);
    }

  private:
    std::mt19937 random_;
    Picks picks_;
};

// One change of a line and what the model makes of it.
struct LineChange {
    enum Kind { Inserted, Modified, Deleted } kind;
    Line before;  // the line as it was (the new line, for an insert)
    Line change;  // what a modification sets, unassigned elsewhere
};

Line applied(Line line, const Line& change) {
    auto take = [](Variant& to, const Variant& from) {
        if (!from.isUnassigned()) to = from;
    };
    take(line.article, change.article);
    take(line.barCode, change.barCode);
    take(line.brand, change.brand);
    take(line.description, change.description);
    take(line.quantity, change.quantity);
    return line;
}

int post(StockModel& model, const StockDocument& kind, const LineChange& c) {
    const bool in = &kind == &kGoodsIn;
    switch (c.kind) {
        case LineChange::Inserted:
            return in ? model.inInserted(c.before) : model.outInserted(c.before);
        case LineChange::Modified:
            return in ? model.inModified(c.before, c.change)
                      : model.outModified(c.before, c.change);
        case LineChange::Deleted:
            return in ? model.inDeleted(c.before) : model.outDeleted(c.before);
    }
    return 0;
}

// Up to three changes of distinct lines of the document: new lines, modifications of the
// quantity (with or without the bar code), of the article (with or without bar code, brand and
// description) and deleted lines.
std::vector<LineChange> changesOf(Sequence& s, ModelDocument& doc) {
    std::vector<LineChange> changes;
    std::set<int> touched;
    const bool barCodes = doc.kind->barCodes;
    const int n = 1 + s.below(3);
    for (int i = 0; i < n; ++i) {
        std::vector<const Line*> free;
        for (const Line& l : doc.lines)
            if (!touched.contains(l.linea)) free.push_back(&l);
        const int roll = s.below(100);
        if (free.empty() || roll < 35) {
            Line l{doc.nextLine++,
                   s.article(),
                   barCodes ? s.barCode() : Variant(),
                   s.brand(),
                   s.description(),
                   s.quantity(false),
                   Variant(doc.key.company)};
            touched.insert(l.linea);
            changes.push_back({LineChange::Inserted, l, {}});
            continue;
        }
        const Line& line = *s.pick(free);
        touched.insert(line.linea);
        Line change{line.linea, {}, {}, {}, {}, {}, Variant(doc.key.company)};
        if (roll < 60) {
            change.quantity = s.quantity(true);
            if (barCodes && s.percent(40))
                change.barCode = s.percent(70) ? line.barCode : s.barCode();
        } else if (roll < 82) {
            change.article = s.article();
            if (barCodes && s.percent(60)) change.barCode = s.barCode();
            if (s.percent(40)) change.quantity = s.quantity(false);
            if (s.percent(30)) change.brand = s.brand();
            if (s.percent(30)) change.description = s.description();
        } else {
            changes.push_back({LineChange::Deleted, line, {}});
            continue;
        }
        changes.push_back({LineChange::Modified, line, change});
    }
    return changes;
}

// The document's lines afterwards, as the model has them: "linea:article:barcode:quantity",
// a quantity that is a number as printf's %g writes it.
std::vector<std::string> modelLines(const ModelDocument& doc) {
    std::vector<std::string> out;
    for (const Line& l : doc.lines) {
        char quantity[32];
        std::snprintf(quantity, sizeof quantity, "%g",
                      l.quantity.type() == Variant::Type::Double ? l.quantity.toDouble() : 0.0);
        out.push_back(
            std::to_string(l.linea) + ":" + StockModel::text(l.article) + ":" +
            StockModel::text(l.barCode) + ":" +
            (l.quantity.type() == Variant::Type::String ? StockModel::text(l.quantity) : quantity));
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> storedLines(RawSqlite& db, const ModelDocument& doc) {
    const StockDocument& k = *doc.kind;
    std::vector<std::string> out;
    for (const auto& row :
         db.rows("SELECT LINEA || ':' || IFNULL(ID_ARTICULO, '') || ':' || " +
                 std::string(k.barCodes ? "IFNULL(CODIGO_BARRAS, '')" : "''") +
                 " || ':' || CASE typeof(CANTIDAD) WHEN 'text' THEN CANTIDAD ELSE printf('%g', "
                 "CANTIDAD) END FROM " +
                 k.lines + " WHERE " + k.number + "=" + std::to_string(doc.key.number) +
                 " AND ANYO=" + std::to_string(doc.key.year) +
                 " AND ID_EMPRESA=" + std::to_string(doc.key.company) +
                 (k.series ? " AND ID_SERIE='" + doc.key.series + "'" : "")))
        out.push_back(row.at(0));
    std::sort(out.begin(), out.end());
    return out;
}

// A sequence of applies of delivery-note, ticket and goods-in lines on the demo shop, through a
// connected client; afterwards the stock tables hold what the model of the rules predicts, row
// by row, and every apply returned the alert flag the model gave its last row.
TEST(StockModel, RandomApplies_LeaveTheStockTheRulesPredict) {
    RunningServer server;
    const std::filesystem::path demo = createDemoShop(server.db.dir() / "demo.db");
    server.db.pointConnectionFileAt(demo);

    std::vector<ModelDocument> docs;
    std::set<std::string> tracked;
    std::map<std::int16_t, std::string> levels;
    Picks chosen;
    {
        RawSqlite db(demo);
        for (const StockDocument* kind : {&kDeliveryNote, &kTicket, &kGoodsIn}) {
            std::vector<ModelDocument> found = demoDocuments(db, *kind);
            ASSERT_EQ(found.size(), 4u) << kind->provider;
            docs.insert(docs.end(), found.begin(), found.end());
        }
        for (const auto& row : db.rows("SELECT ID_ARTICULO FROM ARTICULOS WHERE ALMACENABLE=1"))
            tracked.insert(row.at(0));
        for (const auto& row : db.rows("SELECT ID_EMPRESA, IFNULL(AVISAR, '') FROM EMPRESAS"))
            levels[static_cast<std::int16_t>(std::stoi(row.at(0)))] = row.at(1);
        chosen = picks(db);
    }
    // New documents of their own: delivery notes and goods-in entries (a ticket needs its
    // customer, which these change packets do not carry).
    for (int n = 0; n < 2; ++n) {
        for (const StockDocument* kind : {&kDeliveryNote, &kGoodsIn}) {
            ModelDocument d{
                kind, {9000 + n, 2024, static_cast<std::int16_t>(1 + n), "A"}, Variant::null(), {}};
            d.stored = false;
            docs.push_back(std::move(d));
        }
    }
    const StockTables initial = readStockTables(demo);
    StockModel model(initial, tracked, levels);
    Sequence s(kSeed, chosen);

    auto client = server.connect();
    for (const StockDocument* kind : {&kDeliveryNote, &kTicket, &kGoodsIn})
        client->getRecords(kind->provider, -1, Variant(kind->read));

    int changes = 0, applies = 0, alerts = 0;
    while (changes < kSteps) {
        ModelDocument& doc = docs[static_cast<std::size_t>(s.below(static_cast<int>(docs.size())))];
        const std::vector<LineChange> lineChanges = changesOf(s, doc);
        DocumentDelta delta(*doc.kind, doc.key);
        for (const LineChange& c : lineChanges) {
            if (c.kind == LineChange::Inserted) delta.inserted(c.before);
            if (c.kind == LineChange::Modified) delta.modified(c.before, c.change);
            if (c.kind == LineChange::Deleted) delta.deleted(c.before);
        }
        const bool postingOff = s.percent(5);
        const bool headerModified = doc.stored && *doc.kind->extraField && s.percent(8);
        const Variant extra = Variant("REVISADO " + std::to_string(applies));
        const Variant packet = !doc.stored      ? delta.headerInserted(Variant::null())
                               : headerModified ? delta.headerModified(extra, doc.extra)
                                                : delta.carried(doc.extra);

        const auto result = client->applyUpdates(doc.kind->provider, packet, 0,
                                                 postingOff ? Variant("1") : Variant());
        ASSERT_EQ(result.errorCount, 0) << "apply " << applies << " of " << doc.kind->provider;

        int flag = 0;
        for (const LineChange& c : lineChanges) {
            flag = postingOff ? 0 : post(model, *doc.kind, c);
            auto at = std::find_if(doc.lines.begin(), doc.lines.end(),
                                   [&](const Line& l) { return l.linea == c.before.linea; });
            if (c.kind == LineChange::Inserted) doc.lines.push_back(c.before);
            if (c.kind == LineChange::Modified) *at = applied(*at, c.change);
            if (c.kind == LineChange::Deleted) doc.lines.erase(at);
        }
        if (headerModified) {
            flag = 0;
            doc.extra = extra;
        }
        doc.stored = true;
        EXPECT_EQ(result.ownerData, Variant(static_cast<std::int32_t>(flag)))
            << "apply " << applies << " of " << doc.kind->provider;
        alerts += flag;
        changes += static_cast<int>(lineChanges.size());
        ++applies;
    }

    EXPECT_EQ(differences(model.tables().rows(), readStockTables(demo).rows()),
              std::vector<std::string>{});
    RawSqlite db(demo);
    for (const ModelDocument& doc : docs)
        EXPECT_EQ(storedLines(db, doc), modelLines(doc))
            << doc.kind->provider << " " << doc.key.number;
    // The sequence reached what it is meant to: every way through the rules, alerts raised, and
    // the counts it moved.
    for (const char* way : kWays)
        EXPECT_TRUE(model.ways().contains(way)) << way;
    EXPECT_GT(alerts, 10);
    EXPECT_GT(differences(initial.rows(), model.tables().rows()).size(), 20u);
    RecordProperty("applies", applies);
}

}  // namespace
}  // namespace zorvanil::test
