#include "support/planned_notes.hpp"

#include "support/raw_sqlite.hpp"
#include "support/stock_fixture.hpp"

namespace zorvanil::test {

std::vector<StockedArticle> stockedArticles(const std::filesystem::path& database, int count) {
    RawSqlite db(database, SQLITE_OPEN_READONLY);
    std::vector<StockedArticle> out;
    for (const auto& row :
         db.rows("SELECT S.ID_ARTICULO, E.EAN FROM ALMACEN S, EAN E, ALMACENDETALLE D, "
                 "ALMACENDETALLE2 D2 WHERE S.ID_EMPRESA=1 AND E.ID_ARTICULO=S.ID_ARTICULO AND "
                 "D.CODIGO_BARRAS=E.EAN AND D2.CODIGO_BARRAS=E.EAN ORDER BY E.EAN LIMIT " +
                 std::to_string(count)))
        out.push_back({row.at(0), row.at(1)});
    return out;
}

std::vector<PlannedLine> plannedLines(int number, const std::vector<StockedArticle>& articles) {
    std::vector<PlannedLine> lines;
    const int n = 2 + number % 3;
    for (int i = 0; i < n; ++i)
        lines.push_back({articles[static_cast<std::size_t>(number + i) % articles.size()],
                         1.0 + (number + 2 * i) % 3});
    return lines;
}

Variant plannedNote(int number, const std::vector<StockedArticle>& articles) {
    DocumentDelta note(kDeliveryNote, number);
    int linea = 0;
    for (const PlannedLine& l : plannedLines(number, articles))
        note.inserted(
            {++linea, l.stocked.article, l.stocked.barCode, "PHILIPS", "LAMPARA", l.quantity});
    return note.headerInserted(Variant::null());
}

StockTables afterStoredNotes(const std::filesystem::path& database, StockTables initial, int first,
                             int last) {
    RawSqlite db(database, SQLITE_OPEN_READONLY);
    for (const auto& row : db.rows(
             "SELECT L.ID_ARTICULO, L.CODIGO_BARRAS, L.CANTIDAD FROM ALBARANES A, LIN_ALBARAN L "
             "WHERE A.ANYO=2024 AND A.ID_EMPRESA=1 AND A.ID_SERIE='A' AND A.ID_ALBARAN BETWEEN " +
             std::to_string(first) + " AND " + std::to_string(last) +
             " AND L.ID_ALBARAN=A.ID_ALBARAN AND L.ANYO=A.ANYO AND L.ID_EMPRESA=A.ID_EMPRESA AND "
             "L.ID_SERIE=A.ID_SERIE")) {
        const double quantity = std::stod(row.at(2));
        initial.articles.at({row.at(0), std::int16_t{1}}).quantity -= quantity;
        initial.moveBarCode(row.at(1), -quantity);
    }
    return initial;
}

}  // namespace zorvanil::test
