#include "update/entry_stock.hpp"

#include "common/text.hpp"
#include "update/article_stock.hpp"

namespace zorvanil::update {

namespace {

using server::DeltaRecord;
using server::TAZORVANIL;

// Goods come in; a posting is taken back by the other sign. A correction writes its second sign
// without blanks.
constexpr std::string_view kPost = "+ ";
constexpr std::string_view kTakeBack = "- ";
constexpr std::string_view kCorrectionPost = "+";

std::string text(const Variant& v) {
    return v.toString();
}

// The text of a reading, or of the fallback reading when that one is empty.
std::string textOr(const Variant& v, const Variant& fallback) {
    const std::string t = text(v);
    return t.empty() ? text(fallback) : t;
}

std::string quantityOr0(const Variant& v) {
    return v.isEmpty() ? std::string("0") : v.toString();
}

void checkAlert(TAZORVANIL& module, std::string_view article, std::string_view company) {
    checkStockAlert(module, article, company, AlertScope::GoodsIn);
}

void postNewLine(TAZORVANIL& module, const DeltaRecord& line) {
    const std::string article = text(line.value("ID_ARTICULO"));
    if (article.empty()) return;
    if (!isTracked(module, article)) return;
    const std::string company = text(line.value("ID_EMPRESA"));
    const std::string quantity = text(line.value("CANTIDAD"));
    if (stockRowCount(module, article, company) >= 1)
        return moveStock(module, StockStatement::Move, kPost, quantity, article, company);
    const std::string level = companyAlertLevel(module, company);
    const std::string brand = text(line.value("MARCA"));
    const std::string description = text(line.value("DESCRIPCION"));
    // Stock only rose: no alert is checked.
    insertStockRow(module, StockStatement::NewStockRow,
                   {article, company, level, brand, description, "", quantity});
}

void postRemovedLine(TAZORVANIL& module, const DeltaRecord& line) {
    const std::string quantity = quantityOr0(line.oldValue("CANTIDAD"));
    const std::string article = text(line.value("ID_ARTICULO"));
    const std::string company = text(line.value("ID_EMPRESA"));
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
        text(quantity).empty() ? quantityOr0(line.oldValue("CANTIDAD")) : text(quantity);
    const std::string brand = textOr(line.value("MARCA"), line.oldValue("MARCA"));
    const std::string description = textOr(line.value("DESCRIPCION"), line.oldValue("DESCRIPCION"));
    if (!isTracked(module, article)) return;
    insertStockRow(module, StockStatement::NewStockRowOfChange,
                   {article, company, level, brand, description, "", count});
}

void postChangedLine(TAZORVANIL& module, const DeltaRecord& line) {
    const std::string oldQuantity = quantityOr0(line.oldValue("CANTIDAD"));
    const Variant value = line.value("CANTIDAD");
    const std::string newQuantity = value.isEmpty() ? oldQuantity : text(value);
    const std::string company = text(line.oldValue("ID_EMPRESA"));
    const Variant oldArticle = line.oldValue("ID_ARTICULO");

    if (line.newValue("ID_ARTICULO").isUnassigned() && !oldArticle.isEmpty()) {
        const std::string article = text(oldArticle);
        if (stockRowCount(module, article, company) == 0 || newQuantity == "0") return;
        correctStock(module, kTakeBack, oldQuantity, kCorrectionPost, newQuantity, article,
                     company);
        return checkAlert(module, article, company);
    }
    if (!oldArticle.isEmpty() && stockRowCount(module, text(oldArticle), company) >= 1) {
        moveStock(module, StockStatement::MoveOnArticleChange, kTakeBack, oldQuantity,
                  text(oldArticle), company);
        checkAlert(module, text(oldArticle), company);
    }
    const std::string article = text(line.value("ID_ARTICULO"));
    if (trim(article).empty()) return;
    if (stockRowCount(module, article, company) >= 1)
        return moveStock(module, StockStatement::MoveOnArticleChange, kPost, newQuantity, article,
                         company);
    newStockRowOfChange(module, line, article, company);
}

}  // namespace

void PostEntryLineStock(TAZORVANIL& module, const DeltaRecord& line, server::UpdateKind kind) {
    switch (kind) {
        case server::UpdateKind::ukInsert:
            return postNewLine(module, line);
        case server::UpdateKind::ukModify:
            return postChangedLine(module, line);
        case server::UpdateKind::ukDelete:
            return postRemovedLine(module, line);
    }
}

}  // namespace zorvanil::update
