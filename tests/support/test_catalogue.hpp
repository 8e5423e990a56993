#pragma once

#include <optional>
#include <string>
#include <vector>

#include "catalogue/catalogue.hpp"
#include "server/handler_table.hpp"

namespace zorvanil::test {

// A small component table over the shop tables of kShopDdl, with a provider for each behaviour
// the server core must show: plain reads, a paging handler, a master/detail provider, persistent
// and calculated fields, command text, a provider without a dataset, failing handlers.
const catalogue::Catalogue& testCatalogue();

// What the test handlers saw.
struct HandlerLog {
    std::vector<std::string> events;  // "Before:DSPQ_CLIENTES", "After:DSPQ_CLIENTES", ...
    // "DATASET:ID_CLIENTE of its master" for each change DSPQ_MDPEDIDOS wrote ("-": no master).
    std::vector<std::string> masters;
    int scrolls = 0;  // after-scroll calls of Q_LOOKUP
    // How the update handlers of DSPQ_LINEAS behave.
    bool failBeforeUpdate = false;
    bool markApplied = false;
    bool renameArticle = false;
    // The after-update handler of DSPQ_LINEAS runs this statement directly on Q_AUX, then fails
    // for a change whose article is failAfterUpdateFor, as many times as failAfterUpdateTimes.
    std::string afterUpdateStatement;
    std::string failAfterUpdateFor;
    int failAfterUpdateTimes = 0;
    std::optional<server::ResolverResponse> errorResponse;
};

// The connection handlers plus the test handlers, writing into `log`.
server::HandlerTable testHandlers(HandlerLog& log);

}  // namespace zorvanil::test
