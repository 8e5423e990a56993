#pragma once

#include "common/variant.hpp"
#include "server/handler_table.hpp"

namespace zorvanil::read {

// The before-read and after-read handlers of the list and lookup providers, the two get-data
// handlers that leave the packet as built, and the handlers of DSPQ_MAXIMO, which runs the
// statement the client sends.
void registerListHandlers(server::HandlerTable& table);

// The after-read handler every read provider shares: closes the provider's dataset, so that the
// next request composes and opens its statement afresh.
void closeProviderDataSet(server::TAZORVANIL& module, server::DataSetProvider& sender,
                          Variant& ownerData);

}  // namespace zorvanil::read
