#include "update/entry_stock.hpp"

#include "common/text.hpp"
#include "update/article_stock.hpp"
#include "update/line_readings.hpp"

namespace zorvanil::update {

namespace {

using server::DeltaRecord;
using server::TAZORVANIL;

// Goods come in; a posting is taken back by the other sign. A correction writes its second sign
// without blanks.
constexpr std::string_view kPost = "+ ";
constexpr std::string_view kTakeBack = "- ";
constexpr std::string_view kCorrectionPost = "+";

// The text of a reading, or of the fallback reading when that one is empty.
std::string textOr(const Variant& v, const Variant& fallback) {
    const std::string t = textOf(v);
    return t.empty() ? textOf(fallback) : t;
}

void checkAlert(TAZORVANIL& module, std::string_view article, std::string_view company) {
    checkStockAlert(module, article, company, AlertScope::GoodsIn);
}

void postNewLine(TAZORVANIL& module, const DeltaRecord& line) {
    const std::string article = textOf(line.value("ID_ARTICULO"));
    if (article.empty()) return;
    if (!isTracked(module, article)) return;
    const std::string company = textOf(line.value("ID_EMPRESA"));
    const std::string quantity = textOf(line.value("CANTIDAD"));
    if (stockRowCount(module, article, company) >= 1)
        return moveStock(module, StockStatement::Move, kPost, quantity, article, company);
    const std::string level = companyAlertLevel(module, company);
    const std::string brand = textOf(line.value("MARCA"));
    const std::string description = textOf(line.value("DESCRIPCION"));
    // Stock only rose: no alert is checked.
    insertStockRow(module, StockStatement::NewStockRow,
                   {article, company, level, brand, description, "", quantity});
}

void postRemovedLine(TAZORVANIL& module, const DeltaRecord& line) {
    const std::string quantity = quantityOr0(line.oldValue("CANTIDAD"));
    const std::string article = textOf(line.value("ID_ARTICULO"));
    const std::string company = textOf(line.value("ID_EMPRESA"));
    if (stockRowCount(module, article, company) < 1) return;
    moveStock(module, StockStatement::Move, kTakeBack, quantity, article, company);
    checkAlert(module, article, company);
}

// A new row for the article a changed line moves to, if its stock is tracked: each of quantity,
// brand and description as the change sets it, else as the line had it.
void newStockRowOfChange(TAZORVANIL& module, const DeltaRecord& line, std::string_view article,
                         std::string_view company) {
    const std::string level = companyAlertLevel(module, company);
    const Variant quantity = line.value("CANTIDAD");
    const std::string count =
        textOf(quantity).empty() ? quantityOr0(line.oldValue("CANTIDAD")) : textOf(quantity);
    const std::string brand = textOr(line.value("MARCA"), line.oldValue("MARCA"));
    const std::string description = textOr(line.value("DESCRIPCION"), line.oldValue("DESCRIPCION"));
    if (!isTracked(module, article)) return;
    insertStockRow(module, StockStatement::NewStockRowOfChange,
                   {article, company, level, brand, description, "", count});
}

void postChangedLine(TAZORVANIL& module, const DeltaRecord& line) {
    const std::string oldQuantity = quantityOr0(line.oldValue("CANTIDAD"));
    const Variant value = line.value("CANTIDAD");
    const std::string newQuantity = value.isEmpty() ? oldQuantity : textOf(value);
    const std::string company = textOf(line.oldValue("ID_EMPRESA"));
    const Variant oldArticle = line.oldValue("ID_ARTICULO");

    if (line.newValue("ID_ARTICULO").isUnassigned() && !oldArticle.isEmpty()) {
        const std::string article = textOf(oldArticle);
        if (stockRowCount(module, article, company) == 0 || newQuantity == "0") return;
        correctStock(module, kTakeBack, oldQuantity, kCorrectionPost, newQuantity, article,
                     company);
        return checkAlert(module, article, company);
    }
    if (!oldArticle.isEmpty() && stockRowCount(module, textOf(oldArticle), company) >= 1) {
        moveStock(module, StockStatement::MoveOnArticleChange, kTakeBack, oldQuantity,
                  textOf(oldArticle), company);
        checkAlert(module, textOf(oldArticle), company);
    }
    const std::string article = textOf(line.value("ID_ARTICULO"));
    if (trim(article).empty()) return;
    if (stockRowCount(module, article, company) >= 1)
        return moveStock(module, StockStatement::MoveOnArticleChange, kPost, newQuantity, article,
                         company);
    newStockRowOfChange(module, line, article, company);
}

}  // namespace

void PostEntryLineStock(TAZORVANIL& module, const DeltaRecord& line, server::UpdateKind kind) {
    postChange({postNewLine, postChangedLine, postRemovedLine}, module, line, kind);
}

}  // namespace zorvanil::update
