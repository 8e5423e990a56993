#include "server/provider.hpp"

#include "catalogue/catalogue.hpp"
#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"
#include "db/sql_connection.hpp"
#include "db/sql_dataset.hpp"
#include "packet/xml_codec.hpp"
#include "server/remote_data_module.hpp"
#include "server/resolver/sql_generator.hpp"

namespace zorvanil::server {

using catalogue::poAllowCommandText;
using catalogue::poCascadeDeletes;
using catalogue::poCascadeUpdates;

namespace {

bool isOutput(db::ParamDirection d) {
    return d == db::ParamDirection::Output || d == db::ParamDirection::InputOutput ||
           d == db::ParamDirection::Result;
}

// The value a packet row carries for locating: the fetched values, which for a modified row are
// those of its before-image.
const packet::PacketRow& rowToLocate(const packet::DataPacket& p) {
    if (p.rows.empty()) throw Error(msg::kRecordNotFound);
    return p.rows.front();
}

}  // namespace

Variant paramsToPacket(const db::SQLDataSet& dataSet, bool onlyOutput) {
    auto p = std::make_shared<packet::DataPacket>();
    p->hasMetadata = true;
    packet::PacketRow row;
    for (const auto& param : dataSet.params()) {
        if (onlyOutput && !isOutput(param.direction)) continue;
        packet::PacketField f;
        f.def.name = param.name;
        f.def.type = param.dataType;
        f.paramType = param.direction;
        p->fields.push_back(std::move(f));
        row.values.push_back(param.value);
    }
    if (p->fields.empty()) return Variant::null();
    p->rows.push_back(std::move(row));
    return Variant(packet::PacketPtr(std::move(p)));
}

DataSetProvider::DataSetProvider(std::string name, db::SQLDataSet* dataSet, std::uint32_t options,
                                 TAZORVANIL& owner)
    : name_(std::move(name)), dataSet_(dataSet), options_(options), owner_(owner) {
    owner_.AddProvider(this);
}

DataSetProvider::~DataSetProvider() {
    owner_.RemoveProvider(this);
}

db::SQLDataSet& DataSetProvider::requireDataSet() {
    if (!dataSet_) throw Error(msg::kMissingDataSet);
    return *dataSet_;
}

void DataSetProvider::takeCommandText(std::string_view commandText) {
    if (commandText.empty()) return;
    if (!(options_ & poAllowCommandText)) throw Error(msg::kCommandTextNotAllowed);
    dataSet_->setCommandText(commandText);
}

void DataSetProvider::takeParams(const Variant& params) {
    if (params.isUnassigned()) return;
    std::vector<db::DataSetParam> list;
    if (params.type() == Variant::Type::Packet && params.asPacket()) {
        const packet::DataPacket& p = *params.asPacket();
        for (std::size_t i = 0; i < p.fields.size(); ++i) {
            db::DataSetParam param;
            param.name = p.fields[i].name();
            param.dataType = p.fields[i].def.type;
            param.direction = p.fields[i].paramType == db::ParamDirection::Unknown
                                  ? db::ParamDirection::Input
                                  : p.fields[i].paramType;
            if (!p.rows.empty() && i < p.rows.front().values.size())
                param.value = p.rows.front().values[i];
            list.push_back(std::move(param));
        }
    } else if (!params.isNull()) {
        throw Error(msg::kInvalidParamPacket);
    }
    dataSet_->close();
    // The client's parameters give their values to the dataset's parameters of the same name;
    // parameters the dataset does not have yet are added in the client's order.
    for (auto& param : list) {
        if (db::DataSetParam* own = dataSet_->findParam(param.name)) {
            own->value = std::move(param.value);
            if (param.dataType != db::FieldType::Unknown) own->dataType = param.dataType;
            own->direction = param.direction;
        } else {
            dataSet_->params().push_back(std::move(param));
        }
    }
}

Variant DataSetProvider::outputParams() const {
    return paramsToPacket(*dataSet_, true);
}

std::vector<std::pair<std::string, Variant>> DataSetProvider::packetAttributes() const {
    std::vector<std::pair<std::string, Variant>> attributes;
    if ((options_ & poCascadeDeletes) || (options_ & poCascadeUpdates)) {
        std::int32_t semantics =
            ((options_ & poCascadeDeletes) ? 1 : 0) | ((options_ & poCascadeUpdates) ? 2 : 0);
        attributes.emplace_back("MD_SEMANTICS", Variant(semantics));
    }
    // The locale of the connection's driver, a hexadecimal number ("0000" gives 0).
    std::string locale = dataSet_->connection().params().value("LocaleCode");
    std::int32_t lcid = 0;
    try {
        lcid = locale.empty() ? 0 : static_cast<std::int32_t>(std::stoul(locale, nullptr, 16));
    } catch (const std::exception&) {
        lcid = 0;
    }
    attributes.emplace_back("LCID", Variant(lcid));
    return attributes;
}

void DataSetProvider::reset() {
    if (!dataSet_) return;
    if (openedByProvider_) {
        dataSet_->close();
        openedByProvider_ = false;
    }
    if (dataSet_->active() && !dataSet_->bof()) dataSet_->first();
    recordsSent_ = 0;
}

Variant DataSetProvider::getRecords(std::int32_t count, std::int32_t& recsOut, std::int32_t options,
                                    std::string_view commandText, Variant& params,
                                    Variant& ownerData) {
    db::SQLDataSet& ds = requireDataSet();
    recsOut = 0;
    takeCommandText(commandText);
    takeParams(params);
    if (count == 0) options |= grMetaData;
    Variant result = Variant::null();
    bool built = false;
    packet::DataPacket data;
    try {
        if (beforeGetRecords) beforeGetRecords(*this, ownerData);
        if (options & grReset) reset();
        if (!((options & grReset) && count == 0)) {
            if (!ds.active()) {
                ds.open();
                openedByProvider_ = true;
            }
            if (options & grMetaData) recordsSent_ = 0;
            data = writer_.write(ds, count, options & grMetaData, packetAttributes(), recsOut);
            if (onGetData) onGetData(*this, data);
            recordsSent_ += recsOut;
            if (recsOut != count)
                reset();
            else if (count != 0)
                ds.next();
            built = true;
        }
    } catch (...) {
        // A read that fails leaves the dataset closed, whoever opened it, so that the next read
        // of this provider can set its statement again.
        reset();
        ds.close();
        throw;
    }
    if (afterGetRecords) afterGetRecords(*this, ownerData);
    params = outputParams();
    if (!built) return result;
    if (options & (grXML | grXMLUTF8))
        return Variant(packet::toXml(
            data, (options & grXMLUTF8) ? packet::XmlEncoding::Utf8 : packet::XmlEncoding::Ascii));
    return Variant(packet::PacketPtr(std::make_shared<packet::DataPacket>(std::move(data))));
}

Resolver& DataSetProvider::resolver(db::SQLDataSet& ds) {
    if (resolver_) return *resolver_;
    ResolverEvents events;
    events.propagateChanges = options_ & catalogue::poPropogateChanges;
    events.beforeUpdate = [this](db::SQLDataSet& source, DeltaRecord& change, UpdateKind kind,
                                 bool& applied) {
        if (beforeUpdateRecord) beforeUpdateRecord(*this, source, change, kind, applied);
    };
    events.afterUpdate = [this](db::SQLDataSet& source, DeltaRecord& change, UpdateKind kind) {
        if (afterUpdateRecord) afterUpdateRecord(*this, source, change, kind);
    };
    events.onUpdateError = [this](DeltaRecord& change, const EUpdateError& e, UpdateKind kind,
                                  ResolverResponse& response) {
        if (onUpdateError) onUpdateError(*this, change, e, kind, response);
    };
    resolver_ = std::make_unique<Resolver>(ds, std::move(events));
    return *resolver_;
}

// Commits the transaction the apply started when the errors stayed within the limit (-1: any
// number), else rolls it back; a transaction that ended during the apply has nothing to end.
void DataSetProvider::endApplyTransaction(db::SQLConnection& connection,
                                          const db::TransactionDesc& desc, std::int32_t maxErrors,
                                          std::int32_t errorCount) {
    if (!transactionStarted_) return;
    transactionStarted_ = false;
    if (!connection.inTransaction()) return;
    if (errorCount > maxErrors && maxErrors != -1) {
        connection.rollback(desc);
        return;
    }
    try {
        connection.commit(desc);
    } catch (...) {
        if (connection.inTransaction()) connection.rollback(desc);
        throw;
    }
}

Variant DataSetProvider::applyUpdates(Variant delta, std::int32_t maxErrors,
                                      std::int32_t& errorCount, Variant& ownerData) {
    db::SQLDataSet& ds = requireDataSet();
    errorCount = 0;
    if (beforeApplyUpdates) beforeApplyUpdates(*this, ownerData);
    if (delta.type() != Variant::Type::Packet || !delta.asPacket())
        throw Error(msg::kInvalidChangePacket);
    packet::DataPacket changes = packet::takePacket(std::move(delta));
    Resolver& changeResolver = resolver(ds);

    db::SQLConnection& connection = ds.connection();
    db::TransactionDesc desc;
    desc.transactionID = 1;
    desc.isolationLevel = connection.isolationLevel();
    if (!connection.inTransaction()) {
        connection.startTransaction(desc);
        transactionStarted_ = true;
    }
    packet::PacketPtr result;
    try {
        result = changeResolver.apply(changes, maxErrors, errorCount, transactionStarted_);
    } catch (...) {
        // An apply that ends in an error keeps none of its changes.
        if (transactionStarted_ && connection.inTransaction()) {
            try {
                connection.rollback(desc);
            } catch (const std::exception&) {
            }
        }
        transactionStarted_ = false;
        throw;
    }
    endApplyTransaction(connection, desc, maxErrors, errorCount);
    if (afterApplyUpdates) afterApplyUpdates(*this, ownerData);
    if (!result) return Variant::null();
    return Variant(std::move(result));
}

void DataSetProvider::execute(std::string_view commandText, Variant& params, Variant& ownerData) {
    db::SQLDataSet& ds = requireDataSet();
    takeCommandText(commandText);
    takeParams(params);
    if (beforeExecute) beforeExecute(*this, ownerData);
    ds.execSQL();
    if (afterExecute) afterExecute(*this, ownerData);
    params = outputParams();
}

Variant DataSetProvider::getParams(Variant& ownerData) {
    (void)ownerData;
    return paramsToPacket(requireDataSet(), false);
}

Variant DataSetProvider::rowRequest(const Variant& row, std::int32_t requestType,
                                    Variant& ownerData) {
    (void)ownerData;
    db::SQLDataSet& ds = requireDataSet();
    if (row.type() != Variant::Type::Packet || !row.asPacket()) throw Error(msg::kInvalidRowPacket);
    packet::DataPacket request = *row.asPacket();
    packet::inferFieldTypes(request.fields, request.rows);
    const packet::PacketRow& wanted = rowToLocate(request);

    std::vector<std::pair<int, int>> compared;  // packet field, dataset field
    const bool opened = !ds.active();
    if (opened) ds.open();
    try {
        for (std::size_t i = 0; i < request.fields.size(); ++i) {
            if (!SqlGenerator::takesPartInWhere(request.fields[i]) || i >= wanted.values.size())
                continue;
            int f = ds.findField(request.fields[i].originOrName());
            if (f >= 0) compared.emplace_back(static_cast<int>(i), f);
        }
        if (compared.empty()) throw Error(msg::kNoKeySpecified);
        auto matches = [&] {
            for (auto [p, f] : compared)
                if (!wanted.values[p].sameValue(ds.value(f))) return false;
            return true;
        };
        while (!ds.eof() && !matches())
            ds.next();
        if (ds.eof()) throw Error(msg::kRecordNotFound);

        auto result = std::make_shared<packet::DataPacket>();
        std::int32_t written = 0;
        if (requestType & (xrCurrentValues | xrBlobs | xrDetails)) {
            PacketWriter single;
            *result = single.write(ds, 1, true, packetAttributes(), written);
        }
        if (opened) ds.close();
        return Variant(packet::PacketPtr(std::move(result)));
    } catch (...) {
        if (opened) ds.close();
        throw;
    }
}

Variant DataSetProvider::dataRequest(const Variant& data) {
    (void)data;
    return Variant::null();
}

}  // namespace zorvanil::server
