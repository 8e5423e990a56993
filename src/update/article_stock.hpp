#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "update/stock_statements.hpp"

namespace zorvanil::server {
class TAZORVANIL;
}

namespace zorvanil::update {

// The count of an article in a company, ALMACEN, as the stock posting of documents and goods-in
// entries moves it: every statement runs on the server object's Q_AUX (Q_AUX1 for the article's
// ALMACENABLE) inside the apply's transaction, and leaves it closed.

// The rows of ALMACEN for the article in the company.
std::int32_t stockRowCount(server::TAZORVANIL& module, std::string_view article,
                           std::string_view company);

// Runs a movement of the count (Move, MoveOnArticleChange): `sign` and the quantity.
void moveStock(server::TAZORVANIL& module, StockStatement movement, std::string_view sign,
               std::string_view quantity, std::string_view article, std::string_view company);

// Takes one quantity back and applies another (Correct).
void correctStock(server::TAZORVANIL& module, std::string_view reverseSign,
                  std::string_view oldQuantity, std::string_view sign, std::string_view newQuantity,
                  std::string_view article, std::string_view company);

// Whose flags an alert raises: a sale's raises the flags of every document kind, a goods-in
// entry's only its own.
enum class AlertScope : std::uint8_t { EveryDocument, GoodsIn };

// Raises the stock alert when the article is at or below its alert level (AVISAR) in the
// company. The flags are 1 or 0; nothing here clears them.
void checkStockAlert(server::TAZORVANIL& module, std::string_view article, std::string_view company,
                     AlertScope scope);

// The company's alert level for a new row: EMPRESAS.AVISAR, or "0" when the company has none.
std::string companyAlertLevel(server::TAZORVANIL& module, std::string_view company);

// Whether the article's stock is tracked: its ALMACENABLE is 1.
bool isTracked(server::TAZORVANIL& module, std::string_view article);

// What a new ALMACEN row holds; its count is `sign` followed by the quantity.
struct NewStockValues {
    std::string_view article;
    std::string_view company;
    std::string_view alertLevel;
    std::string_view brand;
    std::string_view description;
    std::string_view sign;
    std::string_view quantity;
};

// Inserts the row with a statement of its own (NewStockRow, NewStockRowOfChange).
void insertStockRow(server::TAZORVANIL& module, StockStatement insert, const NewStockValues& row);

}  // namespace zorvanil::update
