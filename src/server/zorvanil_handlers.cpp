#include "server/zorvanil_handlers.hpp"

#include "read/document_handlers.hpp"
#include "read/list_handlers.hpp"
#include "read/report_handlers.hpp"
#include "read/scroll_handlers.hpp"
#include "server/connection_handlers.hpp"
#include "update/command_channel.hpp"

namespace zorvanil::server {

const HandlerTable& zorvanilHandlers() {
    static const HandlerTable table = [] {
        HandlerTable t;
        registerConnectionHandlers(t);
        update::registerCommandChannelHandlers(t);
        read::registerListHandlers(t);
        read::registerReportHandlers(t);
        read::registerDocumentHandlers(t);
        read::registerScrollHandlers(t);
        return t;
    }();
    return table;
}

}  // namespace zorvanil::server
