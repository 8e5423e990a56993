#include "app/zorvanil_handlers.hpp"

#include "read/document_handlers.hpp"
#include "read/list_handlers.hpp"
#include "read/report_handlers.hpp"
#include "read/scroll_handlers.hpp"
#include "server/connection_handlers.hpp"
#include "update/article_key.hpp"
#include "update/command_channel.hpp"
#include "update/document_counters.hpp"
#include "update/document_posting.hpp"
#include "update/invoice_number.hpp"

namespace zorvanil::app {

namespace {

// The families of the shop's handlers, one line each, in the order they enter the table. A name
// registered twice fails the table's construction.
// clang-format off
constexpr void (*kHandlerFamilies[])(server::HandlerTable&) = {
    server::registerConnectionHandlers,
    update::registerCommandChannelHandlers,
    update::registerInvoiceNumberHandlers,
    update::registerDocumentCounterHandlers,
    update::registerArticleKeyHandlers,
    update::registerStockPostingHandlers,
    read::registerListHandlers,
    read::registerReportHandlers,
    read::registerDocumentHandlers,
    read::registerScrollHandlers,
};
// clang-format on

}  // namespace

const server::HandlerTable& zorvanilHandlers() {
    static const server::HandlerTable table = [] {
        server::HandlerTable t;
        for (auto registerFamily : kHandlerFamilies)
            registerFamily(t);
        return t;
    }();
    return table;
}

}  // namespace zorvanil::app
