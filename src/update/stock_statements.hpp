#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zorvanil::update {

// The statements of stock posting, by what they do. Their texts are a table
// (stock_statements.cpp); they differ from document to document only in the values and signs
// pasted into them.
enum class StockStatement : std::uint8_t {
    // ALMACEN, the count of an article in a company.
    StockRowCount,        // the article's rows in the company
    AlertCheck,           // the article's row when it is at or below its alert level
    CompanyAlertLevel,    // the company's alert level for new rows
    ArticleTracked,       // ALMACENABLE of the article
    NewStockRow,          // a new row for a new line ("  VALUES", " ) ")
    NewStockRowOfChange,  // a new row for a changed goods-in line (" VALUES", ") ")
    Move,                 // the count moves by one quantity (" WHERE")
    MoveOnArticleChange,  // the same, where a line changes its article ("  WHERE")
    Correct,              // one quantity taken back, another applied
    // ALMACENDETALLE and ALMACENDETALLE2, the count of a bar code.
    BarcodeRowCount,
    BarcodeMove,
    BarcodeCorrect,
    // ALBARANES: whether the delivery note an invoice names exists.
    DeliveryNoteCount,
};

// The values a statement pastes. Article, bar code, series and the line's brand and description
// stand between apostrophes, which are doubled; company, quantities, alert level, delivery note
// and year are numbers, pasted bare with a decimal comma turned into a point, and a text that is
// no number fails the statement with "'%s' is not a valid floating point value"; ledger and
// signs are fixed texts of the rules themselves.
struct StockValues {
    std::string_view article{};
    std::string_view company{};
    std::string_view quantity{};
    std::string_view secondQuantity{};
    std::string_view alertLevel{};
    std::string_view brand{};        // MARCA
    std::string_view description{};  // DESCRIPCION
    std::string_view barCode{};
    std::string_view ledger{};  // ALMACENDETALLE or ALMACENDETALLE2
    std::string_view sign{};
    std::string_view reverseSign{};
    std::string_view deliveryNote{};
    std::string_view year{};
    std::string_view series{};
};

// The statement's text with the values pasted in.
std::string stockSql(StockStatement statement, const StockValues& values);

}  // namespace zorvanil::update
