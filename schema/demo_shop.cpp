#include "schema/demo_shop.hpp"

namespace zorvanil::schema::demo {

std::optional<int> Shop::documentCustomer(Random& r, int i) const {
    if (i % 25 == 3) return std::nullopt;
    if (i % 25 == 11) return missingCustomer(r);
    return liveCustomer(r);
}

int Shop::liveCustomer(Random& r) const {
    for (;;) {
        int id = r.intBetween(2, static_cast<int>(customers.size()) - 1);
        if (!customers[static_cast<std::size_t>(id)].deleted) return id;
    }
}

int Shop::missingCustomer(Random& r) const {
    return static_cast<int>(customers.size()) + 1000 + r.intBetween(0, 998);
}

bool Shop::surchargeOf(const std::optional<int>& customer) const {
    return customer && *customer < static_cast<int>(customers.size()) &&
           customers[static_cast<std::size_t>(*customer)].surcharge;
}

const Article& Shop::sellableArticle(Random& r) const {
    for (;;) {
        const Article& a =
            articles[static_cast<std::size_t>(r.below(static_cast<std::int64_t>(articles.size())))];
        if (!a.deleted) return a;
    }
}

int Shop::liveSupplier(Random& r) const {
    for (;;) {
        int id = r.intBetween(1, static_cast<int>(supplierDeleted.size()) - 1);
        if (!supplierDeleted[static_cast<std::size_t>(id)]) return id;
    }
}

int randomDay(Random& r) {
    int day = static_cast<int>(r.between(kFirstDay, kLastDay));
    return isSunday(day) ? day - 1 : day;  // the shop is closed on Sundays
}

int randomTime(Random& r) {
    return r.percent(60) ? r.intBetween(34200, 48600) : r.intBetween(61200, 73800);
}

int randomCompany(Random& r) {
    return r.percent(75) ? 1 : 2;
}

void DemoRun::report(const Statement& statement, std::string_view table) const {
    if (!options_.progress) return;
    options_.progress(std::string(table) + ": " + std::to_string(statement.rows()) + " rows");
}

}  // namespace zorvanil::schema::demo
