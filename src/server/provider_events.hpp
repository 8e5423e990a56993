#pragma once

#include "catalogue/catalogue.hpp"
#include "server/handler_table.hpp"

namespace zorvanil::server {

// What a provider event takes: the kind of handler it calls, and how a handler of that kind is
// bound, that is which member of the provider it sets.
struct ProviderEventSlot {
    catalogue::ProviderEvent event;
    bool (*takes)(const Handler& handler);
    // Sets the event's member of the provider to the handler, which must be of the kind taken.
    void (*bind)(TAZORVANIL& owner, DataSetProvider& provider, const Handler& handler);
};

// The slot of the event; nullptr when the event has none.
const ProviderEventSlot* providerEventSlot(catalogue::ProviderEvent event);

// The handler a catalogue binding names for a provider event when it is of the kind the event
// takes; nullptr otherwise.
const Handler* boundHandler(const HandlerTable& handlers, const catalogue::EventBinding& binding);

}  // namespace zorvanil::server
