#include "schema/demo_document.hpp"

#include <algorithm>
#include <map>
#include <optional>
#include <tuple>

#include "schema/demo_words.hpp"

namespace zorvanil::schema::demo {

Line makeLine(Random& r, const Article& article) {
    Line line;
    line.article = &article;
    if (article.byLength)
        line.quantity = 5 * r.between(2, 100);  // 1 to 50 metres, in half metres
    else
        line.quantity = 10 * (r.percent(70) ? r.between(1, 2) : r.between(3, 12));
    line.discount = r.percent(80) ? 0 : r.intBetween(1, 3) * 5;
    line.gross = (line.quantity * article.price + 5) / 10;
    line.amount = (line.quantity * article.price * (100 - line.discount) + 500) / 1000;
    return line;
}

void addLines(Random& r, const Shop& shop, Document& doc, int low, int high) {
    int n = r.intBetween(low, high);
    for (int i = 0; i < n; ++i)
        doc.lines.push_back(makeLine(r, shop.sellableArticle(r)));
}

void total(Document& doc) {
    Totals& t = doc.totals;
    t = {};
    for (const Line& line : doc.lines) {
        t.lines += line.amount;
        t.lineDiscount += line.gross - line.amount;
    }
    t.discount = (t.lines * doc.discount + 50) / 100;
    t.base = t.lines - t.discount;
    t.vat = (t.base * kVat + 50) / 100;
    t.surcharge = doc.surcharge ? (t.base * kSurcharge + 500) / 1000 : 0;
    t.total = t.base + t.vat + t.surcharge;
}

double surchargeRate(const Document& doc) {
    return doc.surcharge ? 5.2 : 0.0;
}

void number(std::vector<Document>& docs) {
    std::stable_sort(docs.begin(), docs.end(), [](const Document& a, const Document& b) {
        return std::tie(a.company, a.day, a.time) < std::tie(b.company, b.day, b.time);
    });
    std::map<SeriesKey, int> last;
    for (Document& doc : docs) {
        doc.year = yearOf(doc.day);
        doc.number = ++last[{doc.company, doc.year, doc.series}];
    }
}

void noteLast(LastNumbers& counter, int company, int year, int value) {
    int& slot = counter[{company, year}];
    slot = std::max(slot, value);
}

Payment pay(Random& r, const Document& d, int paidPercent) {
    Payment p;
    p.paid = r.percent(paidPercent);
    p.method = std::string(kPaymentMethods[r.percent(55) ? 0 : r.intBetween(1, 5)].code);
    p.day = p.paid ? std::min(d.day + (r.percent(70) ? 0 : r.intBetween(1, 30)), kLastDay) : d.day;
    p.time = p.paid
                 ? (p.day == d.day ? std::min(d.time + r.intBetween(0, 900), 86399) : randomTime(r))
                 : 0;
    p.handed = d.totals.total;
    if (p.paid && p.method == "EF") {
        std::int64_t step = d.totals.total < 2000 ? 500 : d.totals.total < 10000 ? 1000 : 5000;
        p.handed = (d.totals.total + step - 1) / step * step;
    }
    p.change = p.handed - d.totals.total;
    return p;
}

void insertSalesLines(Statement& line, const Document& d, bool yearBeforeCompany) {
    int n = 0;
    for (const Line& l : d.lines) {
        const Article& a = *l.article;
        std::optional<std::string> barcode;
        if (!a.barcode.empty()) barcode = a.barcode;
        std::optional<std::string> brand;
        if (!a.brand.empty()) brand = a.brand;
        int first = yearBeforeCompany ? d.year : d.company;
        int second = yearBeforeCompany ? d.company : d.year;
        line.run(d.number, first, second, d.series, ++n, a.id, barcode, a.description, brand,
                 Quantity{l.quantity}, Money{a.price}, static_cast<double>(l.discount),
                 static_cast<double>(kVat), Money{l.amount});
    }
}

}  // namespace zorvanil::schema::demo
