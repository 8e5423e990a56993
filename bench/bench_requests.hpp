#pragma once

// What the benchmarks ask the server for, in one place: the options string of a page of the
// customer search, and a change packet of new customers.

#include <cstddef>
#include <string>

#include "common/variant.hpp"

namespace zorvanil::bench {

// The options string of page `page` (1 for the first) of `pageSize` customers of DSPQ_CLIENTES
// mode "1" whose tax number, key or name begins with `search` and that are not deleted.
std::string customerSearchOptions(int page, int pageSize, const std::string& search);

// A change packet inserting `rows` customers with keys from `firstId` on; each row is some 250
// bytes of JSON.
Variant newCustomers(int firstId, std::size_t rows);

}  // namespace zorvanil::bench
