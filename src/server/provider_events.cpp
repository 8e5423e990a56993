#include "server/provider_events.hpp"

#include <variant>

#include "server/provider.hpp"

namespace zorvanil::server {

namespace {

using catalogue::ProviderEvent;

template <class H>
bool takes(const Handler& handler) {
    return std::holds_alternative<H>(handler);
}

template <class H, auto member>
void bind(TAZORVANIL& owner, DataSetProvider& provider, const Handler& handler) {
    provider.*member = withOwner(owner, std::get<H>(handler));
}

template <class H, auto member>
constexpr ProviderEventSlot slot(ProviderEvent event) {
    return {event, &takes<H>, &bind<H, member>};
}

using P = DataSetProvider;

// Every provider event, the handler kind it takes and the provider member it sets.
constexpr ProviderEventSlot kProviderEvents[] = {
    slot<RemoteEventHandler, &P::beforeGetRecords>(ProviderEvent::BeforeGetRecords),
    slot<RemoteEventHandler, &P::afterGetRecords>(ProviderEvent::AfterGetRecords),
    slot<RemoteEventHandler, &P::beforeApplyUpdates>(ProviderEvent::BeforeApplyUpdates),
    slot<RemoteEventHandler, &P::afterApplyUpdates>(ProviderEvent::AfterApplyUpdates),
    slot<RemoteEventHandler, &P::beforeExecute>(ProviderEvent::BeforeExecute),
    slot<RemoteEventHandler, &P::afterExecute>(ProviderEvent::AfterExecute),
    slot<GetDataHandler, &P::onGetData>(ProviderEvent::OnGetData),
    slot<BeforeUpdateRecordHandler, &P::beforeUpdateRecord>(ProviderEvent::BeforeUpdateRecord),
    slot<AfterUpdateRecordHandler, &P::afterUpdateRecord>(ProviderEvent::AfterUpdateRecord),
    slot<UpdateErrorHandler, &P::onUpdateError>(ProviderEvent::OnUpdateError),
};

}  // namespace

const ProviderEventSlot* providerEventSlot(ProviderEvent event) {
    for (const ProviderEventSlot& s : kProviderEvents)
        if (s.event == event) return &s;
    return nullptr;
}

const Handler* boundHandler(const HandlerTable& handlers, const catalogue::EventBinding& binding) {
    const Handler* handler = handlers.findAny(binding.handler);
    const ProviderEventSlot* s = providerEventSlot(binding.event);
    return handler && s && s->takes(*handler) ? handler : nullptr;
}

}  // namespace zorvanil::server
