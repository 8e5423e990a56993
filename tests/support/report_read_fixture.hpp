#pragma once

#include "support/list_read_fixture.hpp"

namespace zorvanil::test {

// Invoices of the register, pending orders, goods-in entries, cash counts, the delivery notes of
// invoices and tickets, a few rows each. Amounts are sums of powers of two, so that the database's
// arithmetic and a sum in a test agree to the last bit.
extern const char* const kReportRows;

// The list fixture with kReportRows added.
class ReportReadFixture : public ListReadFixture {
  protected:
    ReportReadFixture() { db.exec(kReportRows); }
};

}  // namespace zorvanil::test
