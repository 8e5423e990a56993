#include "server/missing_bindings.hpp"

#include "server/provider_events.hpp"

namespace zorvanil::server {

namespace {

template <class H>
bool has(const HandlerTable& handlers, std::string_view name) {
    return handlers.find<H>(name) != nullptr;
}

}  // namespace

std::vector<MissingBinding> missingBindings(const catalogue::Catalogue& catalogue,
                                            const HandlerTable& handlers) {
    std::vector<MissingBinding> missing;
    auto check = [&](bool found, std::string_view component, std::string_view event,
                     std::string_view handler) {
        if (!handler.empty() && !found)
            missing.push_back({std::string(component), std::string(event), std::string(handler)});
    };
    const auto& conn = catalogue.connection;
    check(has<ConnectionHandler>(handlers, conn.beforeConnect), conn.name, "BeforeConnect",
          conn.beforeConnect);
    check(has<LoginHandler>(handlers, conn.onLogin), conn.name, "OnLogin", conn.onLogin);
    for (const auto& ds : catalogue.datasets)
        check(has<AfterScrollHandler>(handlers, ds.afterScroll), ds.name, "AfterScroll",
              ds.afterScroll);
    for (const auto& p : catalogue.providers)
        for (const auto& b : p.events)
            check(boundHandler(handlers, b) != nullptr, p.name,
                  catalogue::providerEventName(b.event), b.handler);
    check(has<ModuleHandler>(handlers, catalogue.onCreate), catalogue.moduleName, "OnCreate",
          catalogue.onCreate);
    return missing;
}

}  // namespace zorvanil::server
