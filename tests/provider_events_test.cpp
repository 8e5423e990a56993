#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server/provider.hpp"
#include "server/provider_events.hpp"
#include "support/server_fixture.hpp"

namespace zorvanil::test {
namespace {

using catalogue::ProviderEvent;
using server::DataSetProvider;
using server::Handler;

// The provider members that handlers set, by name.
std::vector<std::string> setMembers(const DataSetProvider& p) {
    const std::pair<const char*, bool> members[] = {
        {"beforeGetRecords", bool(p.beforeGetRecords)},
        {"afterGetRecords", bool(p.afterGetRecords)},
        {"beforeApplyUpdates", bool(p.beforeApplyUpdates)},
        {"afterApplyUpdates", bool(p.afterApplyUpdates)},
        {"beforeExecute", bool(p.beforeExecute)},
        {"afterExecute", bool(p.afterExecute)},
        {"onGetData", bool(p.onGetData)},
        {"beforeUpdateRecord", bool(p.beforeUpdateRecord)},
        {"afterUpdateRecord", bool(p.afterUpdateRecord)},
        {"onUpdateError", bool(p.onUpdateError)},
    };
    std::vector<std::string> set;
    for (const auto& [name, isSet] : members)
        if (isSet) set.push_back(name);
    return set;
}

class ProviderEvents : public ServerFixture {};

TEST_F(ProviderEvents, EachTakesItsKindOfHandlerAndSetsItsOwnMember) {
    const Handler remote = server::RemoteEventHandler([](auto&, auto&, auto&) {});
    const Handler getData = server::GetDataHandler([](auto&, auto&, auto&) {});
    const Handler beforeUpdate =
        server::BeforeUpdateRecordHandler([](auto&, auto&, auto&, auto&, auto, auto&) {});
    const Handler afterUpdate =
        server::AfterUpdateRecordHandler([](auto&, auto&, auto&, auto&, auto) {});
    const Handler updateError =
        server::UpdateErrorHandler([](auto&, auto&, auto&, auto&, auto, auto&) {});
    const Handler creation = server::ModuleHandler([](auto&) {});
    struct Case {
        ProviderEvent event;
        const Handler& handler;
        std::string member;
    };
    const Case cases[] = {
        {ProviderEvent::BeforeGetRecords, remote, "beforeGetRecords"},
        {ProviderEvent::AfterGetRecords, remote, "afterGetRecords"},
        {ProviderEvent::BeforeApplyUpdates, remote, "beforeApplyUpdates"},
        {ProviderEvent::AfterApplyUpdates, remote, "afterApplyUpdates"},
        {ProviderEvent::BeforeExecute, remote, "beforeExecute"},
        {ProviderEvent::AfterExecute, remote, "afterExecute"},
        {ProviderEvent::OnGetData, getData, "onGetData"},
        {ProviderEvent::BeforeUpdateRecord, beforeUpdate, "beforeUpdateRecord"},
        {ProviderEvent::AfterUpdateRecord, afterUpdate, "afterUpdateRecord"},
        {ProviderEvent::OnUpdateError, updateError, "onUpdateError"},
    };
    const Handler* kinds[] = {&remote,      &getData,     &beforeUpdate,
                              &afterUpdate, &updateError, &creation};
    for (const Case& c : cases) {
        std::string event(catalogue::providerEventName(c.event));
        const server::ProviderEventSlot* slot = server::providerEventSlot(c.event);
        ASSERT_NE(slot, nullptr) << event;
        for (const Handler* kind : kinds)
            EXPECT_EQ(slot->takes(*kind), kind == &c.handler) << event << " " << kind->index();
        DataSetProvider provider("DSPQ_PROBE", nullptr, 0, module());
        slot->bind(module(), provider, c.handler);
        EXPECT_EQ(setMembers(provider), std::vector<std::string>{c.member}) << event;
    }
}

}  // namespace
}  // namespace zorvanil::test
