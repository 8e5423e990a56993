#include <gtest/gtest.h>

#include <algorithm>

#include "support/case_names.hpp"
#include "support/message_of.hpp"
#include "support/stock_fixture.hpp"
#include "support/test_driver.hpp"
#include "update/barcode_stock.hpp"
#include "update/stock_statements.hpp"

namespace zorvanil::test {
namespace {

using Sql = std::vector<std::string>;

Sql operator+(Sql a, const Sql& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The statements the rules run again and again, spelled once. Articles and bar codes are given
// as they stand in the statement, apostrophes doubled. The scratch dataset stores a statement
// without its leading blanks, so the database receives the company's alert level and the count
// of delivery notes without theirs.
std::string count(const std::string& article, const std::string& company = "1") {
    return "SELECT COUNT(*) FROM ALMACEN WHERE ID_ARTICULO='" + article +
           "' AND ID_EMPRESA=" + company;
}
std::string alert(const std::string& article) {
    return "SELECT AVISAR FROM ALMACEN WHERE ID_ARTICULO='" + article +
           "' AND CANTIDAD <= AVISAR AND ID_EMPRESA=1";
}
std::string level(const std::string& company = "1") {
    return "SELECT AVISAR as cuenta FROM EMPRESAS WHERE ID_EMPRESA=" + company + " ";
}
std::string tracked(const std::string& article) {
    return "SELECT ALMACENABLE FROM ARTICULOS WHERE ID_ARTICULO='" + article + "' ";
}
// Both bar-code ledgers, each its count and, where `movement` is given, its update.
Sql barcodes(const std::string& code, const std::string& movement = "") {
    Sql out;
    for (const char* ledger : {"ALMACENDETALLE", "ALMACENDETALLE2"}) {
        out.push_back("SELECT COUNT(*) FROM " + std::string(ledger) + " WHERE CODIGO_BARRAS='" +
                      code + "' ");
        if (!movement.empty())
            out.push_back("UPDATE " + std::string(ledger) + " SET CANTIDAD= CANTIDAD " + movement +
                          " WHERE CODIGO_BARRAS='" + code + "' ");
    }
    return out;
}

// The lines of document 500 of the fixture.
const Line kLamp{1, "LAMP-100", "8400000000017", "PHILIPS", "LAMPARA TECHO", 2.0};
const Line kFreight{2, Variant::null(), Variant::null(), Variant::null(), "PORTES", 1.0};
const Line kEntryLamp{1, "LAMP-100", {}, "PHILIPS", "LAMPARA TECHO", 2.0};
const Line kEntryCream{2, "L'OREAL-5", {}, "L'OREAL", "CREMA", 2.0};
// A change that sets only the quantity, only the article, or the article and the bar code.
Line quantity(Variant q) {
    return {0, {}, {}, {}, {}, std::move(q)};
}
Line article(Variant a, Variant barCode = {}) {
    return {0, std::move(a), std::move(barCode), {}, {}, {}};
}
Line newLamp(Variant q) {
    return {3, "LAMP-100", "8400000000017", "PHILIPS", "LAMPARA TECHO", std::move(q)};
}

constexpr const char* kNoteLines = "500/1:LAMP-100:2.0;500/2:null:1.0";
constexpr const char* kEntryLines = "500/1:LAMP-100:2.0;500/2:L'OREAL-5:2.0";

// One apply of a document: what it sends, the statements its rules run (byte for byte, in
// order), the rows of the stock ledgers that differ afterwards, the document's lines afterwards,
// the alert flag it returns and the message of the row that failed ("" for none).
struct StockCase {
    const char* name;
    const StockDocument* kind;
    Variant (*delta)();
    Sql statements;
    std::vector<std::string> stock;
    const char* lines;
    std::int32_t alert = 0;
    const char* owner = nullptr;
    std::int32_t maxErrors = 0;
    const char* failure = "";
};

void PrintTo(const StockCase& c, std::ostream* os) {
    *os << c.kind->provider << ' ' << c.name << (c.owner ? " owner data " : "")
        << (c.owner ? c.owner : "") << " MaxErrors " << c.maxErrors;
}

// clang-format off
const StockCase kCases[] = {
    // Delivery notes; the other goods-out documents post the same way.
    {"NewLine", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).inserted(newLamp(2.5)).carried(); },
     Sql{count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  - 2.5 WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1"} + barcodes("8400000000017", " - 2.5") + Sql{alert("LAMP-100")},
     {"ALMACEN LAMP-100/1 7.5 2 null", "ALMACENDETALLE 8400000000017 1.5", "ALMACENDETALLE2 1 8400000000017 2.5", "ALMACENDETALLE2 3 8400000000017 -1.5"},
     "500/1:LAMP-100:2.0;500/2:null:1.0;500/3:LAMP-100:2.5"},
    {"NewLine_QuantityTextWithDecimalComma", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).inserted(newLamp("2,5")).carried(); },
     Sql{count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  - 2.5 WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1"} + barcodes("8400000000017", " - 2.5") + Sql{alert("LAMP-100")},
     {"ALMACEN LAMP-100/1 7.5 2 null", "ALMACENDETALLE 8400000000017 1.5", "ALMACENDETALLE2 1 8400000000017 2.5", "ALMACENDETALLE2 3 8400000000017 -1.5"},
     "500/1:LAMP-100:2.0;500/2:null:1.0;500/3:LAMP-100:2,5"},
    {"NewLine_DownToTheAlertLevel", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).inserted(newLamp(8.0)).carried(); },
     Sql{count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  - 8 WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1"} + barcodes("8400000000017", " - 8") + Sql{alert("LAMP-100")},
     {"ALMACEN LAMP-100/1 2.0 2 null", "ALMACENDETALLE 8400000000017 -4.0", "ALMACENDETALLE2 1 8400000000017 -3.0", "ALMACENDETALLE2 3 8400000000017 -7.0"},
     "500/1:LAMP-100:2.0;500/2:null:1.0;500/3:LAMP-100:8.0", 1},
    {"NewLine_TrackedArticleWithoutStockRow", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).inserted({3, "CABLE-1", "8400000000031", "L'OREAL", "CABLE 1.5MM", 2.5}).carried(); },
     {count("CABLE-1"), level(), tracked("CABLE-1"), "INSERT INTO ALMACEN(ID_ARTICULO,ID_EMPRESA,AVISAR,MARCA,DESCRIPCION,CANTIDAD)  VALUES ('CABLE-1',1,3,'L''OREAL','CABLE 1.5MM',-2.5 ) "},
     {"ALMACEN CABLE-1/1 -2.5 3 L'OREAL"},
     "500/1:LAMP-100:2.0;500/2:null:1.0;500/3:CABLE-1:2.5"},
    {"NewLine_CompanyWithoutAlertLevel", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).inserted({3, "CABLE-1", Variant::null(), Variant::null(), Variant::null(), 1.0, Variant(std::int16_t{2})}).carried(); },
     {count("CABLE-1", "2"), level("2"), tracked("CABLE-1"), "INSERT INTO ALMACEN(ID_ARTICULO,ID_EMPRESA,AVISAR,MARCA,DESCRIPCION,CANTIDAD)  VALUES ('CABLE-1',2,0,'','',-1 ) "},
     {"ALMACEN CABLE-1/2 -1.0 0 "},
     "500/1:LAMP-100:2.0;500/2:null:1.0;500/3:CABLE-1:1.0"},
    {"NewLine_UntrackedArticleWithoutStockRow", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).inserted({3, "LED-7W", Variant::null(), Variant::null(), "BOMBILLA LED", 1.0}).carried(); },
     {count("LED-7W"), level(), tracked("LED-7W")},
     {},
     "500/1:LAMP-100:2.0;500/2:null:1.0;500/3:LED-7W:1.0"},
    {"NewLine_WithoutArticle", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).inserted({3, Variant::null(), Variant::null(), Variant::null(), "PORTES", 1.0}).carried(); },
     {}, {}, "500/1:LAMP-100:2.0;500/2:null:1.0;500/3:null:1.0"},
    {"Quantity_WithTheBarCodeSet", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).modified(kLamp, {0, {}, "8400000000017", {}, {}, 5.0}).carried(); },
     Sql{count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  + 2 - 5 WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1"} + barcodes("8400000000017", " + 2 - 5") + Sql{alert("LAMP-100")},
     {"ALMACEN LAMP-100/1 7.0 2 null", "ALMACENDETALLE 8400000000017 1.0", "ALMACENDETALLE2 1 8400000000017 2.0", "ALMACENDETALLE2 3 8400000000017 -2.0"},
     "500/1:LAMP-100:5.0;500/2:null:1.0"},
    // The bar code the modification leaves is read as empty: no bar-code row moves.
    {"Quantity_WithoutTheBarCode", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).modified(kLamp, quantity(5.0)).carried(); },
     Sql{count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  + 2 - 5 WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1"} + barcodes("") + Sql{alert("LAMP-100")},
     {"ALMACEN LAMP-100/1 7.0 2 null"},
     "500/1:LAMP-100:5.0;500/2:null:1.0"},
    {"Quantity_To0", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).modified(kLamp, quantity(0.0)).carried(); },
     {count("LAMP-100")}, {}, "500/1:LAMP-100:0.0;500/2:null:1.0"},
    {"Article_ToATrackedOneWithoutStockRow", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).modified(kLamp, article("LAMP-200")).carried(); },
     {count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  + 2  WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1", count("LAMP-200"), level(), tracked("LAMP-200"), "INSERT INTO ALMACEN(ID_ARTICULO,ID_EMPRESA,AVISAR,MARCA,DESCRIPCION,CANTIDAD)  VALUES ('LAMP-200',1,3,'','', - 2 ) "},
     {"ALMACEN LAMP-100/1 12.0 2 null", "ALMACEN LAMP-200/1 -2.0 3 "},
     "500/1:LAMP-200:2.0;500/2:null:1.0"},
    {"Article_ToLOreal_WithItsBarCode", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).modified(kLamp, article("L'OREAL-5", "LOR'5")).carried(); },
     Sql{count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  + 2  WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1", count("L''OREAL-5"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  - 2  WHERE ID_ARTICULO='L''OREAL-5' AND ID_EMPRESA=1"} + barcodes("LOR''5", " - 2") + Sql{alert("L''OREAL-5")},
     {"ALMACEN L'OREAL-5/1 2.0 3 L'OREAL", "ALMACEN LAMP-100/1 12.0 2 null", "ALMACENDETALLE LOR'5 -1.0", "ALMACENDETALLE2 4 LOR'5 0.0"},
     "500/1:L'OREAL-5:2.0;500/2:null:1.0", 1},
    {"Article_ToAnUntrackedOneWithoutStockRow", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).modified(kLamp, article("LED-7W")).carried(); },
     {count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  + 2  WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1", count("LED-7W"), level(), tracked("LED-7W")},
     {"ALMACEN LAMP-100/1 12.0 2 null"},
     "500/1:LED-7W:2.0;500/2:null:1.0"},
    // An article of blanks is none: the old article gets its quantity back, and that is all.
    {"Article_ToBlanks", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).modified(kLamp, article("  ")).carried(); },
     {count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  + 2  WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1"},
     {"ALMACEN LAMP-100/1 12.0 2 null"},
     "500/1:  :2.0;500/2:null:1.0"},
    {"Article_OnALineWithoutOne", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).modified(kFreight, article("LAMP-100")).carried(); },
     Sql{count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  - 1  WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1"} + barcodes("") + Sql{alert("LAMP-100")},
     {"ALMACEN LAMP-100/1 9.0 2 null"},
     "500/1:LAMP-100:2.0;500/2:LAMP-100:1.0"},
    {"DeletedLine", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).deleted(kLamp).carried(); },
     Sql{count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  + 2 WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1"} + barcodes("8400000000017", " + 2"),
     {"ALMACEN LAMP-100/1 12.0 2 null", "ALMACENDETALLE 8400000000017 6.0", "ALMACENDETALLE2 1 8400000000017 7.0", "ALMACENDETALLE2 3 8400000000017 3.0"},
     "500/2:null:1.0"},
    {"OwnerData1_PostsNothing", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).inserted(newLamp(8.0)).carried(); },
     {}, {}, "500/1:LAMP-100:2.0;500/2:null:1.0;500/3:LAMP-100:8.0", 0, "1"},
    // The flag tells of the last row written.
    {"Alert_OfTheLastLineOnly", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).inserted(newLamp(8.0)).inserted({4, "LED-7W", Variant::null(), Variant::null(), Variant::null(), 1.0}).carried(); },
     Sql{count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  - 8 WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1"} + barcodes("8400000000017", " - 8") + Sql{alert("LAMP-100"), count("LED-7W"), level(), tracked("LED-7W")},
     {"ALMACEN LAMP-100/1 2.0 2 null", "ALMACENDETALLE 8400000000017 -4.0", "ALMACENDETALLE2 1 8400000000017 -3.0", "ALMACENDETALLE2 3 8400000000017 -7.0"},
     "500/1:LAMP-100:2.0;500/2:null:1.0;500/3:LAMP-100:8.0;500/4:LED-7W:1.0"},
    {"Alert_HeaderModifiedAfterItsLines", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).inserted(newLamp(8.0)).headerModified(Variant("REVISADO")); },
     Sql{count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  - 8 WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1"} + barcodes("8400000000017", " - 8") + Sql{alert("LAMP-100")},
     {"ALMACEN LAMP-100/1 2.0 2 null", "ALMACENDETALLE 8400000000017 -4.0", "ALMACENDETALLE2 1 8400000000017 -3.0", "ALMACENDETALLE2 3 8400000000017 -7.0"},
     "500/1:LAMP-100:2.0;500/2:null:1.0;500/3:LAMP-100:8.0"},
    // The second ledger refuses a count below -100: the line fails after moving ALMACEN and the
    // first ledger, and leaves neither itself nor any movement; the first line stays.
    {"FailedPosting_LeavesNothing", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).inserted(newLamp(1.0)).inserted({4, "LAMP-100", "8400000000017", "PHILIPS", "LAMPARA TECHO", 200.0}).carried(); },
     Sql{count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  - 1 WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1"} + barcodes("8400000000017", " - 1") + Sql{alert("LAMP-100"), count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  - 200 WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1"} + barcodes("8400000000017", " - 200"),
     {"ALMACEN LAMP-100/1 9.0 2 null", "ALMACENDETALLE 8400000000017 3.0", "ALMACENDETALLE2 1 8400000000017 4.0", "ALMACENDETALLE2 3 8400000000017 0.0"},
     "500/1:LAMP-100:2.0;500/2:null:1.0;500/3:LAMP-100:1.0", 0, nullptr, -1, "stock below -100"},
    // A number pasted bare must read as one: this company would have moved every article's count.
    {"FailedPosting_CompanyThatIsNoNumber", &kDeliveryNote,
     [] { return DocumentDelta(kDeliveryNote).inserted({3, "LAMP-100", "8400000000017", "PHILIPS", "LAMPARA TECHO", 1.0, Variant("1 OR 1=1")}).carried(); },
     {}, {}, kNoteLines, 0, nullptr, -1, "'1 OR 1=1' is not a valid floating point value"},

    // Invoices: the invoice read found invoice 600 first, which was made from delivery note 500.
    {"Invoice_FromADeliveryNote", &kInvoice,
     [] { return DocumentDelta(kInvoice, 602).inserted({1, "LAMP-100", "8400000000017", "PHILIPS", "LAMPARA TECHO", 2.0}).headerInserted(Variant(500)); },
     {"SELECT COUNT(*) FROM albaranes WHERE ID_ALBARAN=500 AND ID_EMPRESA= 1 AND ANYO=2024  AND ID_SERIE='A' "},
     {}, "602/1:LAMP-100:2.0"},
    {"Invoice_WithoutDeliveryNote", &kInvoice,
     [] { return DocumentDelta(kInvoice, 601).inserted({1, "LAMP-100", "8400000000017", "PHILIPS", "LAMPARA TECHO", 2.0}).headerInserted(Variant::null()); },
     Sql{count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  - 2 WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1"} + barcodes("8400000000017", " - 2") + Sql{alert("LAMP-100")},
     {"ALMACEN LAMP-100/1 8.0 2 null", "ALMACENDETALLE 8400000000017 2.0", "ALMACENDETALLE2 1 8400000000017 3.0", "ALMACENDETALLE2 3 8400000000017 -1.0"},
     "601/1:LAMP-100:2.0"},
    {"Invoice_NamingNoDeliveryNoteThatExists", &kInvoice,
     [] { return DocumentDelta(kInvoice, 603).inserted({1, "LAMP-100", Variant::null(), "PHILIPS", "LAMPARA TECHO", 8.0}).headerInserted(Variant(999)); },
     Sql{"SELECT COUNT(*) FROM albaranes WHERE ID_ALBARAN=999 AND ID_EMPRESA= 1 AND ANYO=2024  AND ID_SERIE='A' ", count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  - 8 WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1"} + barcodes("") + Sql{alert("LAMP-100")},
     {"ALMACEN LAMP-100/1 2.0 2 null"},
     "603/1:LAMP-100:8.0", 1},

    // A line added to invoice 600, made from delivery note 500, as the invoice was fetched.
    {"Invoice_LineAddedToOneFromADeliveryNote", &kInvoice,
     [] { return DocumentDelta(kInvoice, 600).inserted({1, "LAMP-100", "8400000000017", "PHILIPS", "LAMPARA TECHO", 2.0}).carried(Variant(500)); },
     {"SELECT COUNT(*) FROM albaranes WHERE ID_ALBARAN=500 AND ID_EMPRESA= 1 AND ANYO=2024  AND ID_SERIE='A' "},
     {}, "600/1:LAMP-100:2.0"},
    // The header's modification is written after its lines, and its lines read what it sets.
    {"Invoice_HeaderSetToADeliveryNote", &kInvoice,
     [] { return DocumentDelta(kInvoice, 500).inserted({1, "LAMP-100", "8400000000017", "PHILIPS", "LAMPARA TECHO", 2.0}).headerModified(Variant(500)); },
     {"SELECT COUNT(*) FROM albaranes WHERE ID_ALBARAN=500 AND ID_EMPRESA= 1 AND ANYO=2024  AND ID_SERIE='A' "},
     {}, "500/1:LAMP-100:2.0"},
    {"Invoice_HeaderNoLongerFromADeliveryNote", &kInvoice,
     [] { return DocumentDelta(kInvoice, 600).inserted({1, "LAMP-100", "8400000000017", "PHILIPS", "LAMPARA TECHO", 2.0}).headerModified(Variant::null(), Variant(500)); },
     Sql{count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  - 2 WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1"} + barcodes("8400000000017", " - 2") + Sql{alert("LAMP-100")},
     {"ALMACEN LAMP-100/1 8.0 2 null", "ALMACENDETALLE 8400000000017 2.0", "ALMACENDETALLE2 1 8400000000017 3.0", "ALMACENDETALLE2 3 8400000000017 -1.0"},
     "600/1:LAMP-100:2.0"},

    {"Ticket_NewLine", &kTicket,
     [] { return DocumentDelta(kTicket).inserted({1, "LAMP-100", Variant::null(), "PHILIPS", "LAMPARA TECHO", 8.0}).carried(); },
     Sql{count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  - 8 WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1"} + barcodes("") + Sql{alert("LAMP-100")},
     {"ALMACEN LAMP-100/1 2.0 2 null"},
     "500/1:LAMP-100:8.0", 1},
    {"GoodsOut_DeletedLine", &kGoodsOut,
     [] { return DocumentDelta(kGoodsOut).deleted(kLamp).carried(); },
     Sql{count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD  + 2 WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1"} + barcodes("8400000000017", " + 2"),
     {"ALMACEN LAMP-100/1 12.0 2 null", "ALMACENDETALLE 8400000000017 6.0", "ALMACENDETALLE2 1 8400000000017 7.0", "ALMACENDETALLE2 3 8400000000017 3.0"},
     ""},

    // Goods-in entries: goods come in, and the bar codes do not move.
    {"GoodsIn_NewLine", &kGoodsIn,
     [] { return DocumentDelta(kGoodsIn).inserted({3, "LAMP-100", {}, "PHILIPS", "LAMPARA TECHO", "2,5"}).carried(); },
     {tracked("LAMP-100"), count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD + 2.5 WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1"},
     {"ALMACEN LAMP-100/1 12.5 2 null"},
     "500/1:LAMP-100:2.0;500/2:L'OREAL-5:2.0;500/3:LAMP-100:2,5"},
    {"GoodsIn_NewLine_TrackedArticleWithoutStockRow", &kGoodsIn,
     [] { return DocumentDelta(kGoodsIn).inserted({3, "CABLE-1", {}, "L'OREAL", "CABLE", 2.5}).carried(); },
     {tracked("CABLE-1"), count("CABLE-1"), level(), "INSERT INTO ALMACEN(ID_ARTICULO,ID_EMPRESA,AVISAR,MARCA,DESCRIPCION,CANTIDAD)  VALUES ('CABLE-1',1,3,'L''OREAL','CABLE',2.5 ) "},
     {"ALMACEN CABLE-1/1 2.5 3 L'OREAL"},
     "500/1:LAMP-100:2.0;500/2:L'OREAL-5:2.0;500/3:CABLE-1:2.5"},
    {"GoodsIn_NewLine_UntrackedArticle", &kGoodsIn,
     [] { return DocumentDelta(kGoodsIn).inserted({3, "LED-7W", {}, Variant::null(), "BOMBILLA LED", 2.0}).carried(); },
     {tracked("LED-7W")}, {}, "500/1:LAMP-100:2.0;500/2:L'OREAL-5:2.0;500/3:LED-7W:2.0"},
    {"GoodsIn_Quantity_DownToTheAlertLevel", &kGoodsIn,
     [] { return DocumentDelta(kGoodsIn).modified(kEntryCream, quantity(1.0)).carried(); },
     {count("L''OREAL-5"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD - 2+1 WHERE ID_ARTICULO='L''OREAL-5' AND ID_EMPRESA=1", alert("L''OREAL-5")},
     {"ALMACEN L'OREAL-5/1 3.0 3 L'OREAL"},
     "500/1:LAMP-100:2.0;500/2:L'OREAL-5:1.0", 1},
    {"GoodsIn_Quantity_To0", &kGoodsIn,
     [] { return DocumentDelta(kGoodsIn).modified(kEntryLamp, quantity(0.0)).carried(); },
     {count("LAMP-100")}, {}, "500/1:LAMP-100:0.0;500/2:L'OREAL-5:2.0"},
    {"GoodsIn_Article_ToATrackedOneWithoutStockRow", &kGoodsIn,
     [] { return DocumentDelta(kGoodsIn).modified(kEntryLamp, article("CABLE-1")).carried(); },
     {count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD - 2  WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1", alert("LAMP-100"), count("CABLE-1"), level(), tracked("CABLE-1"), "INSERT INTO ALMACEN(ID_ARTICULO,ID_EMPRESA,AVISAR,MARCA,DESCRIPCION,CANTIDAD) VALUES ('CABLE-1',1,3,'PHILIPS','LAMPARA TECHO',2) "},
     {"ALMACEN CABLE-1/1 2.0 3 PHILIPS", "ALMACEN LAMP-100/1 8.0 2 null"},
     "500/1:CABLE-1:2.0;500/2:L'OREAL-5:2.0"},
    {"GoodsIn_Article_ToOneWithAStockRow", &kGoodsIn,
     [] { return DocumentDelta(kGoodsIn).modified(kEntryLamp, {0, "L'OREAL-5", {}, {}, {}, 3.0}).carried(); },
     {count("LAMP-100"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD - 2  WHERE ID_ARTICULO='LAMP-100' AND ID_EMPRESA=1", alert("LAMP-100"), count("L''OREAL-5"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD + 3  WHERE ID_ARTICULO='L''OREAL-5' AND ID_EMPRESA=1"},
     {"ALMACEN L'OREAL-5/1 7.0 3 L'OREAL", "ALMACEN LAMP-100/1 8.0 2 null"},
     "500/1:L'OREAL-5:3.0;500/2:L'OREAL-5:2.0"},
    {"GoodsIn_RemovedLine_DownToTheAlertLevel", &kGoodsIn,
     [] { return DocumentDelta(kGoodsIn).deleted(kEntryCream).carried(); },
     {count("L''OREAL-5"), "UPDATE ALMACEN SET CANTIDAD= CANTIDAD - 2 WHERE ID_ARTICULO='L''OREAL-5' AND ID_EMPRESA=1", alert("L''OREAL-5")},
     {"ALMACEN L'OREAL-5/1 2.0 3 L'OREAL"},
     "500/1:LAMP-100:2.0", 1},
    {"GoodsIn_OwnerData1_PostsNothing", &kGoodsIn,
     [] { return DocumentDelta(kGoodsIn).deleted(kEntryCream).carried(); },
     {}, {}, "500/1:LAMP-100:2.0", 0, "1"},
};
// clang-format on

// The message of the first failed row of an apply's result, looking inside the master rows that
// carry failed lines; "" when none failed.
std::string failure(const Variant& result) {
    if (result.type() != Variant::Type::Packet || !result.asPacket()) return "";
    for (const packet::PacketRow& row : result.asPacket()->rows) {
        if (row.error) return row.error->message;
        for (const Variant& value : row.values)
            if (std::string inside = failure(value); !inside.empty()) return inside;
    }
    return "";
}

bool isResolverStatement(const std::string& sql) {
    for (const char* prefix : {"insert into \"", "update \"", "delete from \"", "select\r\n"})
        if (sql.rfind(prefix, 0) == 0) return true;
    return false;
}

class StockPostingCase : public StockFixture, public ::testing::WithParamInterface<StockCase> {};

TEST_P(StockPostingCase, PostsItsLinesAndReturnsTheAlertFlag) {
    const StockCase& c = GetParam();
    ReadResult r = read(c.kind->provider, -1, Variant(c.kind->read));
    ASSERT_TRUE(r.status.ok()) << r.status.message;
    const std::vector<std::string> before = stock();
    const std::size_t sentBefore = db.statements().size();

    Variant owner = c.owner ? Variant(c.owner) : Variant();
    Variant result;
    std::int32_t errors = -1;
    const server::CallStatus status =
        module().AS_ApplyUpdates(c.kind->provider, c.delta(), c.maxErrors, errors, owner, result);
    ASSERT_TRUE(status.ok()) << status.message;
    EXPECT_EQ(engineText(failure(result)), c.failure);
    EXPECT_EQ(errors, *c.failure ? 1 : 0);
    EXPECT_EQ(owner, Variant(c.alert));

    const std::vector<std::string> all = db.statements();
    Sql statements;
    std::copy_if(all.begin() + static_cast<std::ptrdiff_t>(sentBefore), all.end(),
                 std::back_inserter(statements),
                 [](const std::string& s) { return !isResolverStatement(s); });
    EXPECT_EQ(statements, c.statements);
    std::vector<std::string> changed;
    for (const std::string& row : stock())
        if (std::find(before.begin(), before.end(), row) == before.end()) changed.push_back(row);
    EXPECT_EQ(changed, c.stock);
    EXPECT_EQ(lines(*c.kind), c.lines);
    EXPECT_FALSE(module().SQLConnection1().inTransaction());
}

INSTANTIATE_TEST_SUITE_P(StockPosting, StockPostingCase, ::testing::ValuesIn(kCases), CaseName());

// One movement of a bar code through both ledgers, called as the document posting calls it.
struct BarcodeCase {
    const char* name;
    const char* barCode;
    const char* quantity;
    const char* secondQuantity;
    std::int16_t mode;
    Sql statements;
    std::vector<std::string> stock;
};

class BarcodeLedgers : public StockFixture {};

TEST_F(BarcodeLedgers, MoveEveryRowOfTheirBarCode) {
    const BarcodeCase cases[] = {
        {"single movement",
         "8400000000017",
         "2,5",
         "0",
         update::kSingleMovement,
         barcodes("8400000000017", " - 2.5"),
         {"ALMACENDETALLE 8400000000017 1.5", "ALMACENDETALLE2 1 8400000000017 2.5",
          "ALMACENDETALLE2 3 8400000000017 -1.5"}},
        {"correction by equal quantities",
         "8400000000024",
         "3",
         "3",
         update::kCorrection,
         barcodes("8400000000024", " + 3 - 3"),
         {}},
        {"other mode", "8400000000024", "3", "5", 2, barcodes("8400000000024"), {}},
        {"bar code without a row",
         "8400000000031",
         "1",
         "0",
         update::kSingleMovement,
         barcodes("8400000000031"),
         {}},
    };
    for (const BarcodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        module();
        const std::vector<std::string> before = stock();
        const std::size_t sentBefore = db.statements().size();
        update::postBarcodeLedgers(module(), c.barCode, " - ", " + ", c.quantity, c.secondQuantity,
                                   c.mode);
        const std::vector<std::string> all = db.statements();
        EXPECT_EQ(Sql(all.begin() + static_cast<std::ptrdiff_t>(sentBefore), all.end()),
                  c.statements);
        std::vector<std::string> changed;
        for (const std::string& row : stock())
            if (std::find(before.begin(), before.end(), row) == before.end())
                changed.push_back(row);
        EXPECT_EQ(changed, c.stock);
    }
}

// Statements as composed, before a dataset stores them without their leading blanks.
struct ComposedCase {
    update::StockStatement statement;
    update::StockValues values;
    const char* sql;
};

TEST(StockStatements, PasteTextsQuotedAndNumbersBare) {
    using enum update::StockStatement;
    const ComposedCase cases[] = {
        {CompanyAlertLevel,
         {.company = "2"},
         " SELECT AVISAR as cuenta FROM EMPRESAS WHERE ID_EMPRESA=2 "},
        {DeliveryNoteCount,
         {.company = "1", .deliveryNote = "500", .year = "2024", .series = "B'"},
         " SELECT COUNT(*) FROM albaranes WHERE ID_ALBARAN=500 AND ID_EMPRESA= 1 AND ANYO=2024  "
         "AND ID_SERIE='B''' "},
        {NewStockRowOfChange,
         {.article = "L'OREAL-5",
          .company = "1",
          .quantity = "1,25",
          .alertLevel = "0",
          .brand = "L'OREAL",
          .description = "CREMA D'OR"},
         "INSERT INTO ALMACEN(ID_ARTICULO,ID_EMPRESA,AVISAR,MARCA,DESCRIPCION,CANTIDAD) VALUES "
         "('L''OREAL-5',1,0,'L''OREAL','CREMA D''OR',1.25) "},
    };
    for (const ComposedCase& c : cases)
        EXPECT_EQ(update::stockSql(c.statement, c.values), c.sql);
    for (const char* notANumber : {"", "1 OR 1=1", "2,5,0", "x"})
        EXPECT_EQ(messageOf([&] { update::stockSql(Move, {.quantity = notANumber}); }),
                  "'" + std::string(notANumber) + "' is not a valid floating point value");
}

}  // namespace
}  // namespace zorvanil::test
