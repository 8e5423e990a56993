#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "common/variant.hpp"
#include "support/stock_tables.hpp"

namespace zorvanil::test {

// An article of the demo shop with a stock row in company 1 and a bar code in both ledgers.
struct StockedArticle {
    std::string article, barCode;
};

// The first `count` such articles.
std::vector<StockedArticle> stockedArticles(const std::filesystem::path& database, int count);

// New delivery notes of company 1 in 2024, series A, whose lines follow from their number: two
// to four lines of the articles given, each of one to three units, so that a test can say what
// any note it sent holds.
struct PlannedLine {
    StockedArticle stocked;
    double quantity;
};
std::vector<PlannedLine> plannedLines(int number, const std::vector<StockedArticle>& articles);
// The change packet that inserts the note with its lines.
Variant plannedNote(int number, const std::vector<StockedArticle>& articles);

// The stock after the delivery notes of 2024 numbered from `first` to `last` that the database
// holds, with the lines it holds for them: `initial` less each line in ALMACEN and in both
// bar-code ledgers.
StockTables afterStoredNotes(const std::filesystem::path& database, StockTables initial, int first,
                             int last);

}  // namespace zorvanil::test
