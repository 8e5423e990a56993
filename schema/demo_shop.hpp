#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "schema/demo_database.hpp"
#include "schema/demo_random.hpp"
#include "schema/demo_sqlite.hpp"
#include "schema/demo_values.hpp"

// The shop the demo data describes, as the generator keeps it in memory: the master data that
// documents refer to, and the documents that later documents refer to.
namespace zorvanil::schema::demo {

// Data period: two years of documents, up to the day before the default seed's date.
inline const int kFirstDay = daysFromCivil(2025, 1, 2);
inline const int kLastDay = daysFromCivil(2026, 12, 7);
inline constexpr int kYears[] = {2025, 2026};
inline constexpr int kCompanies = 2;
inline constexpr std::string_view kSeries[] = {
    "A", "B", "T"};  // A and B for notes and invoices, T for tickets

struct Customer {
    std::string nif;
    bool deleted = false;
    bool surcharge = false;  // a retailer: documents carry the equivalence surcharge
};

struct Article {
    std::string id;
    std::string description;
    std::string brand;
    std::int64_t cost = 0;   // cents
    std::int64_t price = 0;  // cents, without VAT
    int margin = 0;          // percent of the cost that the price adds
    bool tracked = false;
    bool deleted = false;
    bool byLength = false;
    std::string barcode;  // the first bar code; empty when the article has none
    std::optional<int> supplier;
    std::string supplierCode;
    std::optional<std::string> colour;
    int arms = 0;
};

struct Line {
    const Article* article = nullptr;
    std::int64_t quantity = 0;  // tenths
    int discount = 0;           // percent
    std::int64_t gross = 0;     // cents, quantity x price
    std::int64_t amount = 0;    // cents, after the line discount
};

struct Totals {
    std::int64_t lines = 0;         // sum of line amounts
    std::int64_t lineDiscount = 0;  // what the line discounts took off
    std::int64_t discount = 0;      // header discount in cents
    std::int64_t base = 0;          // taxable base
    std::int64_t vat = 0;
    std::int64_t surcharge = 0;
    std::int64_t total = 0;
};

// A sales document while it is generated: header values and its lines.
struct Document {
    int company = 1;
    int day = 0;
    int time = 0;
    std::string series;
    int year = 0;
    int number = 0;
    std::optional<int> customer;
    int discount = 0;  // percent
    bool surcharge = false;
    std::vector<Line> lines;
    Totals totals;
    int source = -1;  // an invoice's origin: a delivery note's index, or kFromTicket + a ticket's
};

inline constexpr int kFromTicket = 1 << 24;

struct SeriesKey {
    int company;
    int year;
    std::string series;
    bool operator<(const SeriesKey& o) const {
        return std::tie(company, year, series) < std::tie(o.company, o.year, o.series);
    }
};

// The last number given to documents of one kind, per company and year.
using LastNumbers = std::map<std::pair<int, int>, int>;

struct Counters {
    LastNumbers quotes, payments, entries, goodsOut, notices;
};

// What the tables filled so far hold, as far as later tables refer to it, and the picks that
// later tables make from it.
struct Shop {
    std::vector<Customer> customers;    // indexed by ID_CLIENTE; entry 0 unused
    std::vector<bool> supplierDeleted;  // indexed by ID_PROVEEDOR; entry 0 unused
    std::vector<Article> articles;
    std::vector<std::pair<std::string, bool>> articleBarcodes;  // bar code, article tracked
    std::vector<Document> albaranes;
    std::vector<Document> tickets;
    std::vector<Document> invoices;
    int quoteCount = 0;
    Counters counters;

    // A customer for document number i: most are live customers, a few have none and a few
    // name a customer that does not exist.
    std::optional<int> documentCustomer(Random& r, int i) const;
    int liveCustomer(Random& r) const;
    int missingCustomer(Random& r) const;
    bool surchargeOf(const std::optional<int>& customer) const;
    const Article& sellableArticle(Random& r) const;
    int liveSupplier(Random& r) const;
};

// A day of the data period on which the shop is open.
int randomDay(Random& r);
// Opening hours: 9:30 to 13:30 and 17:00 to 20:30.
int randomTime(Random& r);
int randomCompany(Random& r);

// One run of the generator: where the rows go, the options they are made with, and the shop as
// far as it has been filled.
class DemoRun {
  public:
    DemoRun(Database& db, const DemoOptions& options) : db_(db), options_(options) {}

    Random stream(std::string_view table) const { return streamFor(options_.seed, table); }
    sqlite3* handle() const { return db_.handle(); }
    int count(int perScale) const { return perScale * options_.scale; }
    // Tells the progress callback how many rows the statement wrote into the table.
    void report(const Statement& statement, std::string_view table) const;

    Shop shop;

  private:
    Database& db_;
    const DemoOptions& options_;
};

}  // namespace zorvanil::schema::demo
