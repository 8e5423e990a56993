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
#include "support/stock_tables.hpp"

namespace zorvanil::test {
namespace {

// ---------------------------------------------------------------------------------------------
// The model: what the posting rules do to the stock tables, written from the rules themselves.
// A line is read as the rules read a change: its value (null where a modification sets
// nothing), its old value (the line as it was) and its new value (unassigned where a
// modification sets nothing); "text" is a reading's string form, empty for null.
// ---------------------------------------------------------------------------------------------

std::string text(const Variant& reading) {
    return reading.isEmpty() ? std::string() : reading.toString();
}

// A quantity as the database reads it once its decimal comma is a point.
double number(std::string quantity) {
    std::replace(quantity.begin(), quantity.end(), ',', '.');
    return std::stod(quantity);
}

// The value reading of a field that a modification may set.
Variant valueOf(const Variant& set) {
    return set.isUnassigned() ? Variant::null() : set;
}

class StockModel {
  public:
    StockModel(StockTables tables, std::set<std::string> tracked,
               std::map<std::int16_t, std::string> companyLevels)
        : tables_(std::move(tables)),
          tracked_(std::move(tracked)),
          levels_(std::move(companyLevels)) {}

    const StockTables& tables() const { return tables_; }
    // The ways through the rules the changes so far took, each named as in kWays.
    const std::set<std::string>& ways() const { return ways_; }

    // Goods out (delivery notes, tickets). Each returns the alert flag the change leaves.
    int outInserted(const Line& line) {
        if (line.article.isEmpty()) return took("out: new line without article");
        const std::string article = text(line.article);
        const std::int16_t company = companyOf(line.company);
        const double quantity = number(text(line.quantity));
        if (!hasRow(article, company))
            return newRow(article, company, -quantity, text(line.brand), text(line.description));
        took("out: new line");
        row(article, company).quantity -= quantity;
        tables_.moveBarCode(text(line.barCode), -quantity);
        return alert(article, company);
    }

    int outModified(const Line& before, const Line& change) {
        const std::string oldQuantity = before.quantity.isEmpty() ? "0" : text(before.quantity);
        const Variant quantity = valueOf(change.quantity);
        const std::string newQuantity = quantity.isEmpty() ? oldQuantity : text(quantity);
        const std::int16_t company = companyOf(before.company);
        const std::string barCode = text(valueOf(change.barCode));
        // The quantity the line takes to an article it did not post to before.
        const double lineQuantity =
            number(text(quantity).empty() ? text(before.quantity) : text(quantity));
        if (before.article.isEmpty()) {
            const std::string article = text(valueOf(change.article));
            if (article.empty() || !hasRow(article, company))
                return took("out: line without article, none to post");
            took("out: article given to a line without one");
            return takeOut(article, company, barCode, lineQuantity);
        }
        const std::string oldArticle = text(before.article);
        if (change.article.isUnassigned()) {
            if (!hasRow(oldArticle, company) || newQuantity == "0")
                return took("out: quantity changed, nothing posted");
            took(barCode.empty() ? "out: quantity changed" : "out: quantity and bar code changed");
            const double by = number(oldQuantity) - number(newQuantity);
            double& count = row(oldArticle, company).quantity;
            count = count + number(oldQuantity) - number(newQuantity);
            tables_.moveBarCode(barCode, by);
            return alert(oldArticle, company);
        }
        if (hasRow(oldArticle, company)) row(oldArticle, company).quantity += number(oldQuantity);
        const std::string article = text(change.article);
        if (trim(article).empty()) return took("out: article removed");
        if (hasRow(article, company)) {
            took("out: article changed");
            return takeOut(article, company, barCode, lineQuantity);
        }
        return newRow(article, company, -lineQuantity, text(valueOf(change.brand)),
                      text(valueOf(change.description)));
    }

    int outDeleted(const Line& line) {
        const std::string article = text(line.article);
        const std::int16_t company = companyOf(line.company);
        if (!hasRow(article, company)) return took("out: line deleted, nothing posted");
        took("out: line deleted");
        const double quantity = number(text(line.quantity));
        row(article, company).quantity += quantity;
        tables_.moveBarCode(text(line.barCode), quantity);
        return 0;
    }

    // Goods in (entries): ALMACEN only, and only the entries' own alert.
    int inInserted(const Line& line) {
        const std::string article = text(line.article);
        if (article.empty() || !tracked_.contains(article))
            return took("in: new line, nothing tracked");
        const std::int16_t company = companyOf(line.company);
        const double quantity = number(text(line.quantity));
        if (!hasRow(article, company))
            return newRow(article, company, quantity, text(line.brand), text(line.description));
        took("in: new line");
        row(article, company).quantity += quantity;
        return 0;
    }

    int inModified(const Line& before, const Line& change) {
        const std::string oldQuantity = before.quantity.isEmpty() ? "0" : text(before.quantity);
        const Variant quantity = valueOf(change.quantity);
        const std::string newQuantity = quantity.isEmpty() ? oldQuantity : text(quantity);
        const std::int16_t company = companyOf(before.company);
        const std::string oldArticle = text(before.article);
        if (change.article.isUnassigned() && !before.article.isEmpty()) {
            if (!hasRow(oldArticle, company) || newQuantity == "0")
                return took("in: quantity changed, nothing posted");
            took("in: quantity changed");
            double& count = row(oldArticle, company).quantity;
            count = count - number(oldQuantity) + number(newQuantity);
            return alert(oldArticle, company);
        }
        int flag = 0;
        if (!before.article.isEmpty() && hasRow(oldArticle, company)) {
            row(oldArticle, company).quantity -= number(oldQuantity);
            flag = alert(oldArticle, company);
        }
        const std::string article = text(valueOf(change.article));
        if (trim(article).empty()) return flag;
        if (hasRow(article, company)) {
            took("in: article changed");
            row(article, company).quantity += number(newQuantity);
            return flag;
        }
        auto orBefore = [](const Variant& set, const Variant& old) {
            return text(valueOf(set)).empty() ? text(old) : text(valueOf(set));
        };
        if (tracked_.contains(article))
            newRow(article, company, number(text(quantity).empty() ? oldQuantity : text(quantity)),
                   orBefore(change.brand, before.brand),
                   orBefore(change.description, before.description));
        return flag;
    }

    int inDeleted(const Line& line) {
        const std::string article = text(line.article);
        const std::int16_t company = companyOf(line.company);
        if (!hasRow(article, company)) return took("in: line deleted, nothing posted");
        took("in: line deleted");
        row(article, company).quantity -=
            number(line.quantity.isEmpty() ? "0" : text(line.quantity));
        return alert(article, company);
    }

  private:
    static std::int16_t companyOf(const Variant& company) {
        return static_cast<std::int16_t>(std::stoi(text(company)));
    }
    bool hasRow(const std::string& article, std::int16_t company) const {
        return tables_.articles.contains({article, company});
    }
    ArticleStock& row(const std::string& article, std::int16_t company) {
        return tables_.articles.at({article, company});
    }
    // The article is at or below its alert level.
    int alert(const std::string& article, std::int16_t company) {
        const ArticleStock& s = row(article, company);
        return !s.alertLevel.empty() && s.quantity <= std::stod(s.alertLevel) ? 1 : 0;
    }
    int takeOut(const std::string& article, std::int16_t company, const std::string& barCode,
                double quantity) {
        row(article, company).quantity -= quantity;
        tables_.moveBarCode(barCode, -quantity);
        return alert(article, company);
    }
    int took(const char* way) {
        ways_.insert(way);
        return 0;
    }
    // A tracked article without a row gets one, with its company's alert level; no alert.
    int newRow(const std::string& article, std::int16_t company, double quantity,
               const std::string& brand, const std::string& description) {
        if (!tracked_.contains(article)) return took("new row refused: not tracked");
        took(quantity < 0 ? "out: new row" : "in: new row");
        const auto level = levels_.find(company);
        tables_.articles[{article, company}] = {
            quantity, level == levels_.end() || level->second.empty() ? "0" : level->second, brand,
            description};
        return 0;
    }

    StockTables tables_;
    std::set<std::string> tracked_;
    std::map<std::int16_t, std::string> levels_;
    std::set<std::string> ways_;
};

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
        out.push_back(std::to_string(l.linea) + ":" + text(l.article) + ":" + text(l.barCode) +
                      ":" +
                      (l.quantity.type() == Variant::Type::String ? text(l.quantity) : quantity));
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
