#include "server/zorvanil_handlers.hpp"

#include "server/connection_handlers.hpp"

namespace zorvanil::server {

const HandlerTable& zorvanilHandlers() {
    static const HandlerTable table = [] {
        HandlerTable t;
        registerConnectionHandlers(t);
        return t;
    }();
    return table;
}

}  // namespace zorvanil::server
