#pragma once

#include "schema/demo_shop.hpp"

// The tables of the demo database, each filled by one function, in the order they must run:
// a table refers only to tables filled before it.
namespace zorvanil::schema::demo {

// Master data (demo_master_data.cpp, demo_articles.cpp)
void fillCompanies(DemoRun& run);
void fillSeriesAndPayments(DemoRun& run);
void fillFamilies(DemoRun& run);
void fillSuppliers(DemoRun& run);
void fillCustomers(DemoRun& run);
void fillArticles(DemoRun& run);
void fillStock(DemoRun& run);

// Sales documents (demo_sales.cpp, demo_invoices.cpp)
void fillQuotes(DemoRun& run);
void fillDeliveryNotes(DemoRun& run);
void fillTickets(DemoRun& run);
void fillInvoices(DemoRun& run);
void fillPayments(DemoRun& run);

// Goods received and goods out (demo_goods.cpp)
void fillGoodsIn(DemoRun& run);
void fillGoodsOut(DemoRun& run);

// The shop's other records (demo_shop_records.cpp)
void fillNotices(DemoRun& run);
void fillPendingOrders(DemoRun& run);
void fillCashCounts(DemoRun& run);
void fillCounters(DemoRun& run);

}  // namespace zorvanil::schema::demo
