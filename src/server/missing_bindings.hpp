#pragma once

#include <string>
#include <vector>

#include "catalogue/catalogue.hpp"
#include "server/handler_table.hpp"

namespace zorvanil::server {

// A catalogue binding whose handler is not in the handler table.
struct MissingBinding {
    std::string component;  // the dataset, provider, connection or module that binds it
    std::string event;
    std::string handler;
};

// Every binding of the catalogue whose handler the table lacks, in catalogue order. A provider
// event bound to a handler of another kind than the event takes counts as missing.
std::vector<MissingBinding> missingBindings(const catalogue::Catalogue& catalogue,
                                            const HandlerTable& handlers);

}  // namespace zorvanil::server
