#include "server/remote_data_module.hpp"

#include <algorithm>

#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"
#include "db/sql_dataset.hpp"
#include "server/provider.hpp"
#include "server/server_environment.hpp"

namespace zorvanil::server {

using catalogue::ProviderEvent;

namespace {

// Whether an event of a provider calls a handler of this kind.
bool fits(const Handler& handler, ProviderEvent event) {
    switch (event) {
        case ProviderEvent::OnGetData:
            return std::holds_alternative<GetDataHandler>(handler);
        case ProviderEvent::BeforeUpdateRecord:
            return std::holds_alternative<BeforeUpdateRecordHandler>(handler);
        case ProviderEvent::AfterUpdateRecord:
            return std::holds_alternative<AfterUpdateRecordHandler>(handler);
        case ProviderEvent::OnUpdateError:
            return std::holds_alternative<UpdateErrorHandler>(handler);
        case ProviderEvent::BeforeGetRecords:
        case ProviderEvent::AfterGetRecords:
        case ProviderEvent::BeforeApplyUpdates:
        case ProviderEvent::AfterApplyUpdates:
        case ProviderEvent::BeforeExecute:
        case ProviderEvent::AfterExecute:
            return std::holds_alternative<RemoteEventHandler>(handler);
        default:
            return false;
    }
}

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
        for (const auto& b : p.events) {
            const Handler* h = handlers.findAny(b.handler);
            check(h && fits(*h, b.event), p.name, catalogue::providerEventName(b.event), b.handler);
        }
    check(has<ModuleHandler>(handlers, catalogue.onCreate), catalogue.moduleName, "OnCreate",
          catalogue.onCreate);
    return missing;
}

TAZORVANIL::TAZORVANIL(const catalogue::Catalogue& catalogue, const HandlerTable& handlers,
                       std::shared_ptr<ServerEnvironment> environment)
    : environment_(std::move(environment)) {
    buildComponents(catalogue, handlers);
    missing_ = server::missingBindings(catalogue, handlers);
    if (catalogue.connection.connected) connection_->open();
    if (auto h = handlers.find<ModuleHandler>(catalogue.onCreate)) (*h)(*this);
}

TAZORVANIL::~TAZORVANIL() {
    // Providers leave the list as they go; then the links, the datasets and the connection.
    ownedProviders_.clear();
    dataSources_.clear();
    dataSets_.clear();
    connection_.reset();
}

void TAZORVANIL::buildComponents(const catalogue::Catalogue& catalogue,
                                 const HandlerTable& handlers) {
    const auto& spec = catalogue.connection;
    db::ParamList params;
    for (const auto& p : spec.params)
        params.setValue(p.name, p.value);
    connection_ = std::make_unique<db::SQLConnection>(
        db::SQLConnection::Settings{std::string(spec.connectionName), std::string(spec.driverName),
                                    std::string(spec.libraryName), std::string(spec.getDriverFunc),
                                    std::string(spec.vendorLib), spec.loginPrompt},
        std::move(params), environment_->connection);
    if (auto h = handlers.find<ConnectionHandler>(spec.beforeConnect))
        connection_->beforeConnect = [this, h = *h](db::SQLConnection& c) { h(*this, c); };
    if (auto h = handlers.find<LoginHandler>(spec.onLogin))
        connection_->onLogin = [this, h = *h](db::SQLConnection& c, db::ParamList& p) {
            h(*this, c, p);
        };

    for (const auto& ds : catalogue.datasets) {
        auto dataSet = std::make_unique<db::SQLDataSet>(std::string(ds.name), *connection_);
        dataSet->setCommandText(ds.commandText);
        dataSet->setGetMetadata(ds.getMetadata);
        dataSet->setFieldSpecs(ds.fields);
        if (auto h = handlers.find<AfterScrollHandler>(ds.afterScroll))
            dataSet->afterScroll = [this, h = *h](db::SQLDataSet& d) { h(*this, d); };
        dataSets_.push_back(std::move(dataSet));
    }
    for (const auto& link : catalogue.masterLinks)
        dataSources_.push_back(
            std::make_unique<db::DataSource>(std::string(link.name), &dataSet(link.masterDataset)));
    for (const auto& ds : catalogue.datasets) {
        if (ds.masterSource.empty()) continue;
        for (auto& source : dataSources_)
            if (sameText(source->name(), ds.masterSource))
                dataSet(ds.name).setMasterSource(source.get());
    }
    for (const auto& p : catalogue.providers) {
        db::SQLDataSet* ds = p.dataset.empty() ? nullptr : &dataSet(p.dataset);
        auto provider =
            std::make_unique<DataSetProvider>(std::string(p.name), ds, p.options, *this);
        for (const auto& b : p.events) {
            const Handler* h = handlers.findAny(b.handler);
            if (!h || !fits(*h, b.event)) continue;
            if (auto remote = std::get_if<RemoteEventHandler>(h)) {
                DataSetProvider::RemoteEvent event =
                    [this, f = *remote](DataSetProvider& s, Variant& o) { f(*this, s, o); };
                switch (b.event) {
                    case ProviderEvent::BeforeGetRecords:
                        provider->beforeGetRecords = event;
                        break;
                    case ProviderEvent::AfterGetRecords:
                        provider->afterGetRecords = event;
                        break;
                    case ProviderEvent::BeforeApplyUpdates:
                        provider->beforeApplyUpdates = event;
                        break;
                    case ProviderEvent::AfterApplyUpdates:
                        provider->afterApplyUpdates = event;
                        break;
                    case ProviderEvent::BeforeExecute:
                        provider->beforeExecute = event;
                        break;
                    case ProviderEvent::AfterExecute:
                        provider->afterExecute = event;
                        break;
                    default:
                        break;
                }
            } else if (auto data = std::get_if<GetDataHandler>(h)) {
                provider->onGetData = [this, f = *data](DataSetProvider& s, packet::DataPacket& d) {
                    f(*this, s, d);
                };
            } else if (auto before = std::get_if<BeforeUpdateRecordHandler>(h)) {
                provider->beforeUpdateRecord =
                    [this, f = *before](DataSetProvider& s, db::SQLDataSet& src, DeltaRecord& d,
                                        UpdateKind k,
                                        bool& applied) { f(*this, s, src, d, k, applied); };
            } else if (auto after = std::get_if<AfterUpdateRecordHandler>(h)) {
                provider->afterUpdateRecord =
                    [this, f = *after](DataSetProvider& s, db::SQLDataSet& src, DeltaRecord& d,
                                       UpdateKind k) { f(*this, s, src, d, k); };
            } else if (auto error = std::get_if<UpdateErrorHandler>(h)) {
                provider->onUpdateError = [this, f = *error](DataSetProvider& s, DeltaRecord& d,
                                                             const EUpdateError& e, UpdateKind k,
                                                             ResolverResponse& r) {
                    f(*this, s, d, e, k, r);
                };
            }
        }
        ownedProviders_.push_back(std::move(provider));
    }
}

db::SQLDataSet& TAZORVANIL::dataSet(std::string_view name) {
    for (auto& ds : dataSets_)
        if (sameText(ds->name(), name)) return *ds;
    raise(msg::kDataSetNotFound, {name});
}

void TAZORVANIL::AddProvider(DataSetProvider* provider) {
    providers_.push_back(provider);
    providerNames_.reset();
}

void TAZORVANIL::RemoveProvider(DataSetProvider* provider) {
    providers_.erase(std::remove(providers_.begin(), providers_.end(), provider), providers_.end());
    providerNames_.reset();
}

DataSetProvider& TAZORVANIL::FindProvider(std::string_view name) {
    for (DataSetProvider* p : providers_)
        if (sameText(p->name(), name)) return *p;
    throw Error(formatMessage(msg::kProviderNotExported, {name}));
}

template <class Operation>
CallStatus TAZORVANIL::guarded(Operation&& operation) {
    try {
        std::lock_guard lock(lock_);
        operation();
        return {};
    } catch (...) {
        return CallStatus(currentFailure());
    }
}

CallStatus TAZORVANIL::AS_ApplyUpdates(std::string_view ProviderName, const Variant& Delta,
                                       std::int32_t MaxErrors, std::int32_t& ErrorCount,
                                       Variant& OwnerData, Variant& Result) {
    return guarded([&] {
        Result = FindProvider(ProviderName).applyUpdates(Delta, MaxErrors, ErrorCount, OwnerData);
    });
}

CallStatus TAZORVANIL::AS_GetRecords(std::string_view ProviderName, std::int32_t Count,
                                     std::int32_t& RecsOut, std::int32_t Options,
                                     std::string_view CommandText, Variant& Params,
                                     Variant& OwnerData, Variant& Result) {
    return guarded([&] {
        Result = FindProvider(ProviderName)
                     .getRecords(Count, RecsOut, Options, CommandText, Params, OwnerData);
    });
}

CallStatus TAZORVANIL::AS_DataRequest(std::string_view ProviderName, const Variant& Data,
                                      Variant& Result) {
    return guarded([&] { Result = FindProvider(ProviderName).dataRequest(Data); });
}

CallStatus TAZORVANIL::AS_GetProviderNames(Variant& Result) {
    return guarded([&] {
        if (!providerNames_) providerNames_ = sortedProviderNames();
        Result = *providerNames_;
    });
}

Variant TAZORVANIL::sortedProviderNames() const {
    std::vector<std::string> names;
    for (DataSetProvider* p : providers_)
        if (p->exported()) names.push_back(p->name());
    std::stable_sort(names.begin(), names.end(), CaseInsensitiveLess{});
    if (names.empty()) return Variant::null();
    Variant::Array array;
    array.reserve(names.size());
    for (auto& n : names)
        array.emplace_back(std::move(n));
    return Variant(std::move(array));
}

CallStatus TAZORVANIL::AS_GetParams(std::string_view ProviderName, Variant& OwnerData,
                                    Variant& Result) {
    return guarded([&] { Result = FindProvider(ProviderName).getParams(OwnerData); });
}

CallStatus TAZORVANIL::AS_RowRequest(std::string_view ProviderName, const Variant& Row,
                                     std::int32_t RequestType, Variant& OwnerData,
                                     Variant& Result) {
    return guarded(
        [&] { Result = FindProvider(ProviderName).rowRequest(Row, RequestType, OwnerData); });
}

CallStatus TAZORVANIL::AS_Execute(std::string_view ProviderName, std::string_view CommandText,
                                  Variant& Params, Variant& OwnerData) {
    return guarded([&] { FindProvider(ProviderName).execute(CommandText, Params, OwnerData); });
}

}  // namespace zorvanil::server
