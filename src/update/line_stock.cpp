#include "update/line_stock.hpp"

#include "common/text.hpp"
#include "update/article_stock.hpp"
#include "update/barcode_stock.hpp"
#include "update/line_readings.hpp"

namespace zorvanil::update {

namespace {

using server::DeltaRecord;
using server::TAZORVANIL;

// Goods leave the shop; a posting is taken back by the other sign.
constexpr std::string_view kPost = " - ";
constexpr std::string_view kTakeBack = " + ";

// A new line's quantity taken out of a new stock row: the number negated, with a point.
std::string negated(std::string_view quantity) {
    const double value = stringToDouble(quantity);
    return doubleToString(value == 0 ? 0.0 : -value);
}

// A new stock row for an article that has none, if its stock is tracked: the company's alert
// level, the line's brand and description, and `sign` with the quantity as its count.
void newStockRow(TAZORVANIL& module, const DeltaRecord& line, std::string_view article,
                 std::string_view company, std::string_view sign, std::string_view quantity) {
    const std::string level = companyAlertLevel(module, company);
    if (!isTracked(module, article)) return;
    const std::string brand = textOf(line.value("MARCA"));
    const std::string description = textOf(line.value("DESCRIPCION"));
    insertStockRow(module, StockStatement::NewStockRow,
                   {article, company, level, brand, description, sign, quantity});
}

void postNewLine(TAZORVANIL& module, const DeltaRecord& line) {
    if (line.oldValue("ID_ARTICULO").isEmpty()) return;
    const std::string article = textOf(line.value("ID_ARTICULO"));
    const std::string company = textOf(line.value("ID_EMPRESA"));
    const std::string quantity = textOf(line.value("CANTIDAD"));
    const std::string barCode = textOf(line.value("CODIGO_BARRAS"));
    if (stockRowCount(module, article, company) >= 1) {
        moveStock(module, StockStatement::Move, kPost, quantity, article, company);
        postBarcodeLedgers(module, barCode, kPost, kTakeBack, quantity, "0", kSingleMovement);
        checkStockAlert(module, article, company, AlertScope::EveryDocument);
    } else {
        // The bar codes do not move, and no alert is checked.
        newStockRow(module, line, article, company, "", negated(quantity));
    }
}

void postRemovedLine(TAZORVANIL& module, const DeltaRecord& line) {
    const std::string article = textOf(line.value("ID_ARTICULO"));
    const std::string company = textOf(line.value("ID_EMPRESA"));
    const std::string quantity = textOf(line.value("CANTIDAD"));
    const std::string barCode = textOf(line.value("CODIGO_BARRAS"));
    if (stockRowCount(module, article, company) < 1) return;
    moveStock(module, StockStatement::Move, kTakeBack, quantity, article, company);
    postBarcodeLedgers(module, barCode, kTakeBack, kTakeBack, quantity, "0", kSingleMovement);
}

// What a changed line reads before it knows which of its articles move.
struct LineChange {
    std::string oldQuantity;  // of the old value, "0" for null
    std::string newQuantity;  // of the value, the old quantity when it is null
    std::string company;      // of the old value
    Variant oldArticle;
};

LineChange readChange(const DeltaRecord& line) {
    LineChange c;
    c.oldQuantity = quantityOr0(line.oldValue("CANTIDAD"));
    const Variant quantity = line.value("CANTIDAD");
    c.newQuantity = quantity.isEmpty() ? c.oldQuantity : textOf(quantity);
    c.company = textOf(line.oldValue("ID_EMPRESA"));
    c.oldArticle = line.oldValue("ID_ARTICULO");
    return c;
}

// The quantity the line takes to its new article: the value, else the old value.
std::string lineQuantity(const DeltaRecord& line) {
    const std::string quantity = textOf(line.value("CANTIDAD"));
    return quantity.empty() ? textOf(line.oldValue("CANTIDAD")) : quantity;
}

// The line's article, its company and its bar code as the change sets them, all moved by the
// line's quantity.
void postToArticle(TAZORVANIL& module, const DeltaRecord& line, std::string_view article,
                   std::string_view company, std::string_view quantity) {
    moveStock(module, StockStatement::MoveOnArticleChange, kPost, quantity, article, company);
    postBarcodeLedgers(module, textOf(line.value("CODIGO_BARRAS")), kPost, kTakeBack, quantity, "0",
                       kSingleMovement);
    checkStockAlert(module, article, company, AlertScope::EveryDocument);
}

void correctSameArticle(TAZORVANIL& module, const DeltaRecord& line, const LineChange& c) {
    const std::string article = textOf(c.oldArticle);
    if (stockRowCount(module, article, c.company) == 0) return;
    if (c.newQuantity == "0") return;
    correctStock(module, kTakeBack, c.oldQuantity, kPost, c.newQuantity, article, c.company);
    postBarcodeLedgers(module, textOf(line.value("CODIGO_BARRAS")), kPost, kTakeBack, c.oldQuantity,
                       c.newQuantity, kCorrection);
    checkStockAlert(module, article, c.company, AlertScope::EveryDocument);
}

void moveToOtherArticle(TAZORVANIL& module, const DeltaRecord& line, const LineChange& c) {
    const std::string oldArticle = textOf(c.oldArticle);
    if (stockRowCount(module, oldArticle, c.company) >= 1)
        moveStock(module, StockStatement::MoveOnArticleChange, kTakeBack, c.oldQuantity, oldArticle,
                  c.company);
    const std::string article = textOf(line.value("ID_ARTICULO"));
    if (trim(article).empty()) return;
    const std::string quantity = lineQuantity(line);
    if (stockRowCount(module, article, c.company) >= 1)
        return postToArticle(module, line, article, c.company, quantity);
    const std::string company = std::to_string(line.oldValue("ID_EMPRESA").toInt32());
    newStockRow(module, line, article, company, kPost, quantity);
}

void postArticleOfLineWithoutOne(TAZORVANIL& module, const DeltaRecord& line, const LineChange& c) {
    const std::string article = textOf(line.value("ID_ARTICULO"));
    if (article.empty()) return;
    // No row is created here.
    if (stockRowCount(module, article, c.company) == 0) return;
    postToArticle(module, line, article, c.company, lineQuantity(line));
}

void postChangedLine(TAZORVANIL& module, const DeltaRecord& line) {
    const LineChange c = readChange(line);
    if (c.oldArticle.isEmpty()) return postArticleOfLineWithoutOne(module, line, c);
    if (line.newValue("ID_ARTICULO").isUnassigned()) return correctSameArticle(module, line, c);
    moveToOtherArticle(module, line, c);
}

}  // namespace

void PostLineStock(TAZORVANIL& module, const DeltaRecord& line, server::UpdateKind kind) {
    postChange({postNewLine, postChangedLine, postRemovedLine}, module, line, kind);
}

}  // namespace zorvanil::update
