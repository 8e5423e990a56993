#pragma once

#include "catalogue/catalogue.hpp"

namespace zorvanil::catalogue {

// The component table of the server object AZORVANIL: its connection, its 71 datasets, 13 master
// links and 56 providers, in construction order.
const Catalogue& zorvanilCatalogue();

}  // namespace zorvanil::catalogue
