#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zorvanil::test {

// An ALMACEN row: the count of an article in a company, its alert level as stored ("" for
// null), brand and description (nullopt for null).
struct ArticleStock {
    double quantity = 0;
    std::string alertLevel;
    std::optional<std::string> brand, description;
};

// The three stock tables: ALMACEN by article and company, ALMACENDETALLE by bar code,
// ALMACENDETALLE2 by its number with the bar code of each row.
struct StockTables {
    std::map<std::pair<std::string, std::int16_t>, ArticleStock> articles;
    std::map<std::string, double> ledger;
    std::map<std::int64_t, std::pair<std::string, double>> ledger2;

    // Moves every row of the bar code in both ledgers; a bar code without a row moves nothing.
    void moveBarCode(const std::string& barCode, double by);
    // One text per row, in order: "ALMACEN article/company CANTIDAD AVISAR MARCA|DESCRIPCION",
    // "ALMACENDETALLE code CANTIDAD", "ALMACENDETALLE2 number code CANTIDAD"; counts with two
    // decimals, null as "null".
    std::vector<std::string> rows() const;
};

// The stock tables of a database, read through SQLite itself.
StockTables readStockTables(const std::filesystem::path& database);

// The rows in which two row lists differ: "expected: ROW" for a row only `expected` holds,
// "actual:   ROW" for one only `actual` holds. Empty when they are equal.
std::vector<std::string> differences(const std::vector<std::string>& expected,
                                     const std::vector<std::string>& actual);

}  // namespace zorvanil::test
