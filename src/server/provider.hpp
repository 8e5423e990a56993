#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "common/variant.hpp"
#include "packet/data_packet.hpp"
#include "server/packet_writer.hpp"
#include "server/resolver/delta_record.hpp"
#include "server/resolver/resolver.hpp"

namespace zorvanil::db {
class SQLDataSet;
class SQLConnection;
struct TransactionDesc;
}  // namespace zorvanil::db

namespace zorvanil::server {

class TAZORVANIL;

// Read option bits a client passes with AS_GetRecords.
enum GetRecordOption : std::int32_t {
    grMetaData = 1,
    grReset = 2,
    grXML = 4,
    grXMLUTF8 = 8,
};

// Bits of a row request's RequestType.
enum RowRequestOption : std::int32_t {
    xrCurrentValues = 1,
    xrBlobs = 2,
    xrDetails = 4,
};

// A provider joins one dataset of the server object to the remote operations: it reads the
// dataset's rows into data packets, runs its statement, hands out its parameters and locates
// rows, raising its events at fixed points of each cycle so that handlers can compose the SQL.
class DataSetProvider {
  public:
    using RemoteEvent = std::function<void(DataSetProvider& sender, Variant& ownerData)>;
    using DataEvent = std::function<void(DataSetProvider& sender, packet::DataPacket& data)>;
    using BeforeUpdateEvent =
        std::function<void(DataSetProvider& sender, db::SQLDataSet& sourceDS, DeltaRecord& deltaDS,
                           UpdateKind kind, bool& applied)>;
    using AfterUpdateEvent = std::function<void(DataSetProvider& sender, db::SQLDataSet& sourceDS,
                                                DeltaRecord& deltaDS, UpdateKind kind)>;
    using UpdateErrorEvent =
        std::function<void(DataSetProvider& sender, DeltaRecord& dataSet, const EUpdateError& e,
                           UpdateKind kind, ResolverResponse& response)>;

    // Enters the owner's provider list.
    DataSetProvider(std::string name, db::SQLDataSet* dataSet, std::uint32_t options,
                    TAZORVANIL& owner);
    // Leaves the owner's provider list.
    ~DataSetProvider();
    DataSetProvider(const DataSetProvider&) = delete;
    DataSetProvider& operator=(const DataSetProvider&) = delete;

    const std::string& name() const { return name_; }
    db::SQLDataSet* dataSet() const { return dataSet_; }
    std::uint32_t options() const { return options_; }
    bool exported() const { return exported_; }
    std::int32_t recordsSent() const { return recordsSent_; }
    TAZORVANIL& owner() const { return owner_; }

    RemoteEvent beforeGetRecords, afterGetRecords;
    RemoteEvent beforeExecute, afterExecute;
    RemoteEvent beforeApplyUpdates, afterApplyUpdates;
    DataEvent onGetData;
    BeforeUpdateEvent beforeUpdateRecord;
    AfterUpdateEvent afterUpdateRecord;
    UpdateErrorEvent onUpdateError;

    // The read cycle (AS_GetRecords): a data packet, or an XML text for the XML option bits.
    Variant getRecords(std::int32_t count, std::int32_t& recsOut, std::int32_t options,
                       std::string_view commandText, Variant& params, Variant& ownerData);
    // The apply cycle (AS_ApplyUpdates): the rows that failed (and rows the server changed), or
    // Null when there are none.
    // The change packet is taken over without a copy when `delta` holds the only reference to it.
    Variant applyUpdates(Variant delta, std::int32_t maxErrors, std::int32_t& errorCount,
                         Variant& ownerData);
    // The execute cycle (AS_Execute).
    void execute(std::string_view commandText, Variant& params, Variant& ownerData);
    // The dataset's parameters of every direction (AS_GetParams), Null when it has none.
    Variant getParams(Variant& ownerData);
    // Locates the row of a one-row packet in the dataset (AS_RowRequest).
    Variant rowRequest(const Variant& row, std::int32_t requestType, Variant& ownerData);
    // No provider handles data requests: the answer is Null.
    Variant dataRequest(const Variant& data);

    // Back to the first row: closes a dataset the provider opened, rewinds one a handler left open.
    void reset();

  private:
    db::SQLDataSet& requireDataSet();
    // The resolver of this provider's changes, built on the first apply.
    Resolver& resolver(db::SQLDataSet& ds);
    void endApplyTransaction(db::SQLConnection& connection, const db::TransactionDesc& desc,
                             std::int32_t maxErrors, std::int32_t errorCount);
    void takeCommandText(std::string_view commandText);
    void takeParams(const Variant& params);
    Variant outputParams() const;
    std::vector<std::pair<std::string, Variant>> packetAttributes() const;

    std::string name_;
    db::SQLDataSet* dataSet_;
    std::uint32_t options_;
    bool exported_ = true;
    TAZORVANIL& owner_;
    bool openedByProvider_ = false;
    std::int32_t recordsSent_ = 0;
    PacketWriter writer_;
    std::unique_ptr<Resolver> resolver_;
    bool transactionStarted_ = false;
};

// Packs a dataset's parameters as a parameter packet: one field per parameter, one row of values.
// `onlyOutput` keeps the output and input/output parameters alone. Null when none is left.
Variant paramsToPacket(const db::SQLDataSet& dataSet, bool onlyOutput);

}  // namespace zorvanil::server
