#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.hpp"
#include "common/variant.hpp"
#include "db/sql_connection.hpp"
#include "server/apply_request.hpp"
#include "server/call_status.hpp"
#include "server/handler_table.hpp"
#include "server/missing_bindings.hpp"
#include "server/request_records.hpp"
#include "server/working_fields.hpp"

namespace zorvanil::db {
class SQLDataSet;
class DataSource;
}  // namespace zorvanil::db

namespace zorvanil::server {

class DataSetProvider;
struct ServerEnvironment;

// The server object: one per client. It owns one database connection, the datasets, master
// links and providers of its catalogue, and answers the seven remote operations, each under its
// lock. Every error inside an operation is caught here and answered as a failure status with the
// error's message; the object stays usable.
class TAZORVANIL {
  public:
    // Builds the components in catalogue order, opens the connection (running its before-connect
    // handler) and runs the creation handler. A failure here fails the construction.
    TAZORVANIL(const catalogue::Catalogue& catalogue, const HandlerTable& handlers,
               std::shared_ptr<ServerEnvironment> environment);
    ~TAZORVANIL();
    TAZORVANIL(const TAZORVANIL&) = delete;
    TAZORVANIL& operator=(const TAZORVANIL&) = delete;

    // The remote interface.
    // A Delta moved in is applied without a copy of its packet. A request id or a dry run
    // (apply_request.hpp) changes how the apply runs; without them it runs as it always has.
    CallStatus AS_ApplyUpdates(std::string_view ProviderName, Variant Delta, std::int32_t MaxErrors,
                               std::int32_t& ErrorCount, Variant& OwnerData, Variant& Result,
                               const ApplyRequest& request = {});
    CallStatus AS_GetRecords(std::string_view ProviderName, std::int32_t Count,
                             std::int32_t& RecsOut, std::int32_t Options,
                             std::string_view CommandText, Variant& Params, Variant& OwnerData,
                             Variant& Result);
    CallStatus AS_DataRequest(std::string_view ProviderName, const Variant& Data, Variant& Result);
    CallStatus AS_GetProviderNames(Variant& Result);
    CallStatus AS_GetParams(std::string_view ProviderName, Variant& OwnerData, Variant& Result);
    CallStatus AS_RowRequest(std::string_view ProviderName, const Variant& Row,
                             std::int32_t RequestType, Variant& OwnerData, Variant& Result);
    CallStatus AS_Execute(std::string_view ProviderName, std::string_view CommandText,
                          Variant& Params, Variant& OwnerData);

    // The provider list.
    void AddProvider(DataSetProvider* provider);
    void RemoveProvider(DataSetProvider* provider);
    // The first provider whose name matches (letter case ignored); fails with
    // "Provider not exported: %s".
    DataSetProvider& FindProvider(std::string_view name);
    const std::vector<DataSetProvider*>& providers() const { return providers_; }

    // Components, for the handlers.
    db::SQLConnection& SQLConnection1() { return *connection_; }
    // The dataset of that name (letter case ignored); fails when there is none.
    db::SQLDataSet& dataSet(std::string_view name);
    // Found once: the row lookups use it for every row they fill.
    db::SQLDataSet& Q_AUX() {
        if (!aux_) aux_ = &dataSet("Q_AUX");
        return *aux_;
    }
    db::SQLDataSet& Q_AUX1() { return dataSet("Q_AUX1"); }
    WorkingFields& working() { return working_; }
    ServerEnvironment& environment() { return *environment_; }
    const std::vector<MissingBinding>& missingBindings() const { return missing_; }

  private:
    template <class Operation>
    CallStatus guarded(Operation&& operation);
    Variant sortedProviderNames() const;
    // The builders of the components, one per kind, called in this order.
    void buildConnection(const catalogue::ConnectionSpec& spec, const HandlerTable& handlers);
    void buildDataSets(std::span<const catalogue::DatasetSpec> specs, const HandlerTable& handlers);
    void buildMasterLinks(const catalogue::Catalogue& catalogue);
    void buildProviders(std::span<const catalogue::ProviderSpec> specs,
                        const HandlerTable& handlers);

    std::mutex lock_;
    std::vector<DataSetProvider*> providers_;
    // The sorted names AS_GetProviderNames answers, built on first use after the provider list
    // last changed.
    std::optional<Variant> providerNames_;
    std::shared_ptr<ServerEnvironment> environment_;
    WorkingFields working_;
    std::vector<MissingBinding> missing_;
    // The records of applies under a request id, on this object's connection; made at the first.
    std::optional<RequestRecords> requestRecords_;
    // Owned components; destroyed in reverse order: providers, links, datasets, connection.
    std::unique_ptr<db::SQLConnection> connection_;
    std::vector<std::unique_ptr<db::SQLDataSet>> dataSets_;
    db::SQLDataSet* aux_ = nullptr;
    std::vector<std::unique_ptr<db::DataSource>> dataSources_;
    std::vector<std::unique_ptr<DataSetProvider>> ownedProviders_;
};

}  // namespace zorvanil::server
