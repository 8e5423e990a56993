#pragma once

#include <string>

#include "common/variant.hpp"
#include "read/list_statements.hpp"
#include "read/statement.hpp"
#include "server/handler_table.hpp"

namespace zorvanil::read {

// The before-read and after-read handlers of the list and lookup providers, the get-data handlers
// that leave the packet as built, and the handlers of DSPQ_MAXIMO, which runs the statement the
// client sends.
void registerListHandlers(server::HandlerTable& table);

// The before-read and after-read handlers of every provider of a family of tables, and of the
// providers that share another's handlers. The before-read handler parses the request, stops
// where its provider stops, composes the statement, opens the dataset and moves to the requested
// page; the after-read handler closes the dataset.
void registerComposedReads(server::HandlerTable& table, const ReadTables& tables);

// The after-read handler every read provider shares: closes the provider's dataset, so that the
// next request composes and opens its statement afresh.
void closeProviderDataSet(server::TAZORVANIL& module, server::DataSetProvider& sender,
                          Variant& ownerData);

// The dataset of the provider that raised an event; fails with "Missing DataSet property".
db::SQLDataSet& dataSetOf(server::DataSetProvider& sender);

// The tokens of a short layout: its defaults for an empty options string, otherwise every token
// cut from the string (a missing one is empty). Tokens 1 and 2 of a paged layout are the page
// number and page size: "'%s' is not a valid integer value" when they are no integers.
ReadRequest parseShortOptions(const ShortLayout& layout, const std::string& text);

// The options string of the owner data parsed into a TMIRECORD, with its page. Tokens 1 and 2
// must be integers: "'%s' is not a valid integer value".
ReadRequest parseRecordOptions(const Variant& ownerData);

}  // namespace zorvanil::read
