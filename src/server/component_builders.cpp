// The builders of the server object's components from its catalogue, one per kind of component:
// the connection, the datasets, the master links and the providers, each with its handlers bound.

#include "common/text.hpp"
#include "db/sql_dataset.hpp"
#include "server/provider.hpp"
#include "server/provider_events.hpp"
#include "server/remote_data_module.hpp"
#include "server/server_environment.hpp"

namespace zorvanil::server {

void TAZORVANIL::buildConnection(const catalogue::ConnectionSpec& spec,
                                 const HandlerTable& handlers) {
    db::ParamList params;
    for (const auto& p : spec.params)
        params.setValue(p.name, p.value);
    connection_ = std::make_unique<db::SQLConnection>(
        db::SQLConnection::Settings{std::string(spec.connectionName), std::string(spec.driverName),
                                    std::string(spec.libraryName), std::string(spec.getDriverFunc),
                                    std::string(spec.vendorLib), spec.loginPrompt},
        std::move(params), environment_->connection);
    if (auto h = handlers.find<ConnectionHandler>(spec.beforeConnect))
        connection_->beforeConnect = withOwner(*this, *h);
    if (auto h = handlers.find<LoginHandler>(spec.onLogin))
        connection_->onLogin = withOwner(*this, *h);
}

void TAZORVANIL::buildDataSets(std::span<const catalogue::DatasetSpec> specs,
                               const HandlerTable& handlers) {
    for (const auto& spec : specs) {
        auto dataSet = std::make_unique<db::SQLDataSet>(std::string(spec.name), *connection_);
        dataSet->setCommandText(spec.commandText);
        dataSet->setGetMetadata(spec.getMetadata);
        dataSet->setFieldSpecs(spec.fields);
        if (auto h = handlers.find<AfterScrollHandler>(spec.afterScroll))
            dataSet->afterScroll = withOwner(*this, *h);
        dataSets_.push_back(std::move(dataSet));
    }
}

void TAZORVANIL::buildMasterLinks(const catalogue::Catalogue& catalogue) {
    for (const auto& link : catalogue.masterLinks)
        dataSources_.push_back(
            std::make_unique<db::DataSource>(std::string(link.name), &dataSet(link.masterDataset)));
    // Each detail dataset takes its master from the link it names.
    for (const auto& ds : catalogue.datasets) {
        if (ds.masterSource.empty()) continue;
        for (auto& source : dataSources_)
            if (sameText(source->name(), ds.masterSource))
                dataSet(ds.name).setMasterSource(source.get());
    }
}

void TAZORVANIL::buildProviders(std::span<const catalogue::ProviderSpec> specs,
                                const HandlerTable& handlers) {
    for (const auto& spec : specs) {
        db::SQLDataSet* ds = spec.dataset.empty() ? nullptr : &dataSet(spec.dataset);
        auto provider =
            std::make_unique<DataSetProvider>(std::string(spec.name), ds, spec.options, *this);
        for (const auto& binding : spec.events)
            if (const Handler* h = boundHandler(handlers, binding))
                providerEventSlot(binding.event)->bind(*this, *provider, *h);
        ownedProviders_.push_back(std::move(provider));
    }
}

}  // namespace zorvanil::server
