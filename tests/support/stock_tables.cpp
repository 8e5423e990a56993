#include "support/stock_tables.hpp"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "support/raw_sqlite.hpp"

namespace zorvanil::test {

namespace {

std::string count(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value + 0.0);  // no "-0.00"
    return text;
}

std::string orNull(const std::optional<std::string>& text) {
    return text ? *text : "null";
}

std::optional<std::string> nullable(sqlite3_stmt* row, int column) {
    if (sqlite3_column_type(row, column) == SQLITE_NULL) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(row, column)));
}

}  // namespace

void StockTables::moveBarCode(const std::string& barCode, double by) {
    if (auto it = ledger.find(barCode); it != ledger.end()) it->second += by;
    for (auto& [number, row] : ledger2)
        if (row.first == barCode) row.second += by;
}

std::vector<std::string> StockTables::rows() const {
    std::vector<std::string> out;
    for (const auto& [key, s] : articles)
        out.push_back("ALMACEN " + key.first + "/" + std::to_string(key.second) + " " +
                      count(s.quantity) + " " + (s.alertLevel.empty() ? "null" : s.alertLevel) +
                      " " + orNull(s.brand) + "|" + orNull(s.description));
    for (const auto& [code, quantity] : ledger)
        out.push_back("ALMACENDETALLE " + code + " " + count(quantity));
    for (const auto& [number, row] : ledger2)
        out.push_back("ALMACENDETALLE2 " + std::to_string(number) + " " + row.first + " " +
                      count(row.second));
    return out;
}

StockTables readStockTables(const std::filesystem::path& database) {
    RawSqlite db(database, SQLITE_OPEN_READONLY);
    StockTables t;
    auto each = [&db](const char* sql, auto take) {
        RawSqlite::Statement s = db.prepare(sql);
        while (sqlite3_step(s.get()) == SQLITE_ROW)
            take(s.get());
    };
    each("SELECT ID_ARTICULO, ID_EMPRESA, CANTIDAD, AVISAR, MARCA, DESCRIPCION FROM ALMACEN",
         [&t](sqlite3_stmt* r) {
             t.articles[{*nullable(r, 0), static_cast<std::int16_t>(sqlite3_column_int(r, 1))}] = {
                 sqlite3_column_double(r, 2), nullable(r, 3).value_or(""), nullable(r, 4),
                 nullable(r, 5)};
         });
    each("SELECT CODIGO_BARRAS, CANTIDAD FROM ALMACENDETALLE",
         [&t](sqlite3_stmt* r) { t.ledger[*nullable(r, 0)] = sqlite3_column_double(r, 1); });
    each("SELECT NUMERO1, CODIGO_BARRAS, CANTIDAD FROM ALMACENDETALLE2", [&t](sqlite3_stmt* r) {
        t.ledger2[sqlite3_column_int64(r, 0)] = {*nullable(r, 1), sqlite3_column_double(r, 2)};
    });
    return t;
}

std::vector<std::string> differences(const std::vector<std::string>& expected,
                                     const std::vector<std::string>& actual) {
    std::vector<std::string> a = expected, b = actual, out;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    std::vector<std::string> onlyExpected, onlyActual;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(onlyExpected));
    std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::back_inserter(onlyActual));
    for (const std::string& row : onlyExpected)
        out.push_back("expected: " + row);
    for (const std::string& row : onlyActual)
        out.push_back("actual:   " + row);
    return out;
}

}  // namespace zorvanil::test
