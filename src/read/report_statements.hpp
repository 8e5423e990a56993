#pragma once

#include <array>
#include <string_view>

#include "read/list_statements.hpp"
#include "read/statement.hpp"

namespace zorvanil::read {

// The report, listing and pending-order providers whose statement is a base and a mode's tail.
ReadTables reportTables();

// One filter of the invoice register: the request value it tests, and the pieces it adds to the
// condition when that value is not blank.
struct ConditionFilter {
    RequestValue value;
    Pieces pieces;
};

// The invoice register (DSPQ_FACTURAS): its short layout, and its statement: the base, the word
// that opens the condition, the condition made of the filters that are given (in table order, each
// after the joiner when an earlier one was given), and the order clause.
struct InvoiceRegister {
    ShortLayout layout;
    std::string_view base;
    std::string_view where;
    std::array<ConditionFilter, 4> filters;
    std::string_view joiner;
    std::string_view order;
};

const InvoiceRegister& invoiceRegister();

}  // namespace zorvanil::read
