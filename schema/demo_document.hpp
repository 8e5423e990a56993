#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "schema/demo_shop.hpp"

// How a sales document is made: its lines, its totals, its number, its payment.
namespace zorvanil::schema::demo {

Line makeLine(Random& r, const Article& article);
// Between `low` and `high` lines of articles that are for sale.
void addLines(Random& r, const Shop& shop, Document& doc, int low, int high);
// The totals of the document's lines, header discount, VAT and surcharge.
void total(Document& doc);
double surchargeRate(const Document& doc);

// Sorts documents by company, date and time and numbers them per company, year and series.
void number(std::vector<Document>& docs);
// Keeps `value` as the last number of the company's year when it is higher than the one kept.
void noteLast(LastNumbers& counter, int company, int year, int value);

// Payment state of a sales document: whether it is paid, how and when.
struct Payment {
    bool paid = false;
    std::string method;
    int day = 0;
    int time = 0;
    std::int64_t handed = 0;
    std::int64_t change = 0;
};

// Paid with a chance of `paidPercent`: mostly in cash, which is handed in round amounts.
Payment pay(Random& r, const Document& d, int paidPercent);

// Lines of delivery notes, invoices and tickets share one shape; `yearBeforeCompany` tells
// whether the key runs (number, year, company, series) or (number, company, year, series).
void insertSalesLines(Statement& line, const Document& d, bool yearBeforeCompany);

}  // namespace zorvanil::schema::demo
