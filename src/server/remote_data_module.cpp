#include "server/remote_data_module.hpp"

#include <algorithm>

#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"
#include "db/sql_dataset.hpp"
#include "server/provider.hpp"
#include "server/server_environment.hpp"

namespace zorvanil::server {

TAZORVANIL::TAZORVANIL(const catalogue::Catalogue& catalogue, const HandlerTable& handlers,
                       std::shared_ptr<ServerEnvironment> environment)
    : environment_(std::move(environment)) {
    buildConnection(catalogue.connection, handlers);
    buildDataSets(catalogue.datasets, handlers);
    buildMasterLinks(catalogue);
    buildProviders(catalogue.providers, handlers);
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

db::SQLDataSet& TAZORVANIL::dataSet(std::string_view name) {
    for (auto& ds : dataSets_)
        if (sameText(ds->name(), name)) return *ds;
    raise(msg::kDataSetNotFound, {echoed(name)});
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
    throw Error(formatMessage(msg::kProviderNotExported, {echoed(name)}));
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

CallStatus TAZORVANIL::AS_ApplyUpdates(std::string_view ProviderName, Variant Delta,
                                       std::int32_t MaxErrors, std::int32_t& ErrorCount,
                                       Variant& OwnerData, Variant& Result,
                                       const ApplyRequest& request) {
    return guarded([&] {
        DataSetProvider& provider = FindProvider(ProviderName);
        if (request.DryRun) {
            Result = dryRunApply(provider, working_,
                                 {ProviderName, std::move(Delta), MaxErrors, ErrorCount, OwnerData},
                                 request.Statements);
        } else if (!request.RequestId.empty()) {
            if (!requestRecords_) requestRecords_.emplace(*connection_);
            Result = applyUnderRequestId(
                provider, *requestRecords_, *environment_->requestRecordAge, request.RequestId,
                {ProviderName, std::move(Delta), MaxErrors, ErrorCount, OwnerData});
        } else {
            Result = provider.applyUpdates(std::move(Delta), MaxErrors, ErrorCount, OwnerData);
        }
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
