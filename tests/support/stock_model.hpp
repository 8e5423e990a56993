#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "common/text.hpp"
#include "support/stock_fixture.hpp"
#include "support/stock_tables.hpp"

namespace zorvanil::test {

// A model of stock posting: what the rules do to the stock tables, written from the rules
// themselves, for tests that compare the database with it. A line is read as the rules read a
// change: its value (null where a modification sets nothing), its old value (the line as it was)
// and its new value (unassigned where a modification sets nothing); "text" is a reading's string
// form, empty for null.
class StockModel {
  public:
    // The text of a reading.
    static std::string text(const Variant& reading) {
        return reading.isEmpty() ? std::string() : reading.toString();
    }

    // A quantity as the database reads it once its decimal comma is a point.
    static double number(std::string quantity) {
        std::replace(quantity.begin(), quantity.end(), ',', '.');
        return std::stod(quantity);
    }

    // The value reading of a field that a modification may set.
    static Variant valueOf(const Variant& set) {
        return set.isUnassigned() ? Variant::null() : set;
    }

    StockModel(StockTables tables, std::set<std::string> tracked,
               std::map<std::int16_t, std::string> companyLevels)
        : tables_(std::move(tables)),
          tracked_(std::move(tracked)),
          levels_(std::move(companyLevels)) {}

    const StockTables& tables() const { return tables_; }
    // The ways through the rules the changes so far took, by name ("out: new row", ...).
    const std::set<std::string>& ways() const { return ways_; }

    // Goods out (delivery notes, tickets). Each returns the alert flag the change leaves.
    int outInserted(const Line& line) {
        if (line.article.isEmpty()) return took("out: new line without article");
        const std::string article = text(line.article);
        const std::int16_t company = companyOf(line.company);
        const double quantity = number(text(line.quantity));
        if (!hasRow(article, company))
            return newRow(article, company, -quantity, text(line.brand), text(line.description));
        took("out: new line");
        row(article, company).quantity -= quantity;
        tables_.moveBarCode(text(line.barCode), -quantity);
        return alert(article, company);
    }

    int outModified(const Line& before, const Line& change) {
        const std::string oldQuantity = before.quantity.isEmpty() ? "0" : text(before.quantity);
        const Variant quantity = valueOf(change.quantity);
        const std::string newQuantity = quantity.isEmpty() ? oldQuantity : text(quantity);
        const std::int16_t company = companyOf(before.company);
        const std::string barCode = text(valueOf(change.barCode));
        // The quantity the line takes to an article it did not post to before.
        const double lineQuantity =
            number(text(quantity).empty() ? text(before.quantity) : text(quantity));
        if (before.article.isEmpty()) {
            const std::string article = text(valueOf(change.article));
            if (article.empty() || !hasRow(article, company))
                return took("out: line without article, none to post");
            took("out: article given to a line without one");
            return takeOut(article, company, barCode, lineQuantity);
        }
        const std::string oldArticle = text(before.article);
        if (change.article.isUnassigned()) {
            if (!hasRow(oldArticle, company) || newQuantity == "0")
                return took("out: quantity changed, nothing posted");
            took(barCode.empty() ? "out: quantity changed" : "out: quantity and bar code changed");
            const double by = number(oldQuantity) - number(newQuantity);
            double& count = row(oldArticle, company).quantity;
            count = count + number(oldQuantity) - number(newQuantity);
            tables_.moveBarCode(barCode, by);
            return alert(oldArticle, company);
        }
        if (hasRow(oldArticle, company)) row(oldArticle, company).quantity += number(oldQuantity);
        const std::string article = text(change.article);
        if (trim(article).empty()) return took("out: article removed");
        if (hasRow(article, company)) {
            took("out: article changed");
            return takeOut(article, company, barCode, lineQuantity);
        }
        return newRow(article, company, -lineQuantity, text(valueOf(change.brand)),
                      text(valueOf(change.description)));
    }

    int outDeleted(const Line& line) {
        const std::string article = text(line.article);
        const std::int16_t company = companyOf(line.company);
        if (!hasRow(article, company)) return took("out: line deleted, nothing posted");
        took("out: line deleted");
        const double quantity = number(text(line.quantity));
        row(article, company).quantity += quantity;
        tables_.moveBarCode(text(line.barCode), quantity);
        return 0;
    }

    // Goods in (entries): ALMACEN only, and only the entries' own alert.
    int inInserted(const Line& line) {
        const std::string article = text(line.article);
        if (article.empty() || !tracked_.contains(article))
            return took("in: new line, nothing tracked");
        const std::int16_t company = companyOf(line.company);
        const double quantity = number(text(line.quantity));
        if (!hasRow(article, company))
            return newRow(article, company, quantity, text(line.brand), text(line.description));
        took("in: new line");
        row(article, company).quantity += quantity;
        return 0;
    }

    int inModified(const Line& before, const Line& change) {
        const std::string oldQuantity = before.quantity.isEmpty() ? "0" : text(before.quantity);
        const Variant quantity = valueOf(change.quantity);
        const std::string newQuantity = quantity.isEmpty() ? oldQuantity : text(quantity);
        const std::int16_t company = companyOf(before.company);
        const std::string oldArticle = text(before.article);
        if (change.article.isUnassigned() && !before.article.isEmpty()) {
            if (!hasRow(oldArticle, company) || newQuantity == "0")
                return took("in: quantity changed, nothing posted");
            took("in: quantity changed");
            double& count = row(oldArticle, company).quantity;
            count = count - number(oldQuantity) + number(newQuantity);
            return alert(oldArticle, company);
        }
        int flag = 0;
        if (!before.article.isEmpty() && hasRow(oldArticle, company)) {
            row(oldArticle, company).quantity -= number(oldQuantity);
            flag = alert(oldArticle, company);
        }
        const std::string article = text(valueOf(change.article));
        if (trim(article).empty()) return flag;
        if (hasRow(article, company)) {
            took("in: article changed");
            row(article, company).quantity += number(newQuantity);
            return flag;
        }
        auto orBefore = [](const Variant& set, const Variant& old) {
            return text(valueOf(set)).empty() ? text(old) : text(valueOf(set));
        };
        if (tracked_.contains(article))
            newRow(article, company, number(text(quantity).empty() ? oldQuantity : text(quantity)),
                   orBefore(change.brand, before.brand),
                   orBefore(change.description, before.description));
        return flag;
    }

    int inDeleted(const Line& line) {
        const std::string article = text(line.article);
        const std::int16_t company = companyOf(line.company);
        if (!hasRow(article, company)) return took("in: line deleted, nothing posted");
        took("in: line deleted");
        row(article, company).quantity -=
            number(line.quantity.isEmpty() ? "0" : text(line.quantity));
        return alert(article, company);
    }

  private:
    static std::int16_t companyOf(const Variant& company) {
        return static_cast<std::int16_t>(std::stoi(text(company)));
    }
    bool hasRow(const std::string& article, std::int16_t company) const {
        return tables_.articles.contains({article, company});
    }
    ArticleStock& row(const std::string& article, std::int16_t company) {
        return tables_.articles.at({article, company});
    }
    // The article is at or below its alert level.
    int alert(const std::string& article, std::int16_t company) {
        const ArticleStock& s = row(article, company);
        return !s.alertLevel.empty() && s.quantity <= std::stod(s.alertLevel) ? 1 : 0;
    }
    int takeOut(const std::string& article, std::int16_t company, const std::string& barCode,
                double quantity) {
        row(article, company).quantity -= quantity;
        tables_.moveBarCode(barCode, -quantity);
        return alert(article, company);
    }
    int took(const char* way) {
        ways_.insert(way);
        return 0;
    }
    // A tracked article without a row gets one, with its company's alert level; no alert.
    int newRow(const std::string& article, std::int16_t company, double quantity,
               const std::string& brand, const std::string& description) {
        if (!tracked_.contains(article)) return took("new row refused: not tracked");
        took(quantity < 0 ? "out: new row" : "in: new row");
        const auto level = levels_.find(company);
        tables_.articles[{article, company}] = {
            quantity, level == levels_.end() || level->second.empty() ? "0" : level->second, brand,
            description};
        return 0;
    }

    StockTables tables_;
    std::set<std::string> tracked_;
    std::map<std::int16_t, std::string> levels_;
    std::set<std::string> ways_;
};

}  // namespace zorvanil::test
