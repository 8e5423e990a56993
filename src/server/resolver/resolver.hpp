#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "packet/data_packet.hpp"
#include "server/resolver/delta_record.hpp"

namespace zorvanil::db {
class SQLDataSet;
class SQLConnection;
}  // namespace zorvanil::db

namespace zorvanil::server {

// What the resolver calls around each change, and what it needs from its provider.
struct ResolverEvents {
    std::function<void(db::SQLDataSet& source, DeltaRecord& change, UpdateKind kind, bool& applied)>
        beforeUpdate;
    std::function<void(db::SQLDataSet& source, DeltaRecord& change, UpdateKind kind)> afterUpdate;
    std::function<void(DeltaRecord& change, const EUpdateError& error, UpdateKind kind,
                       ResolverResponse& response)>
        onUpdateError;
    bool propagateChanges = false;
};

// Turns a change packet into INSERT, UPDATE and DELETE statements against the tables behind a
// dataset and its detail datasets, one statement per changed row: a new master row before its new
// lines, a modified or deleted master row after the changes of its lines. Failed rows go to the
// result packet with their messages, within the provider's error limit.
class Resolver {
  public:
    Resolver(db::SQLDataSet& dataSet, ResolverEvents events);

    // Applies the packet. `errorCount` counts failed changes; `transactionStarted` is cleared when
    // a statement that hit several rows rolled the transaction back. Returns the result packet,
    // or nullptr when no row was added to it.
    packet::PacketPtr apply(packet::DataPacket& delta, std::int32_t maxErrors,
                            std::int32_t& errorCount, bool& transactionStarted);

  private:
    struct Tree;
    Tree buildTree(db::SQLDataSet& source, std::vector<packet::PacketField>& fields,
                   const std::string& tableName);
    bool resolveRows(Tree& tree, std::vector<packet::PacketRow>& rows,
                     std::vector<packet::PacketRow>& result);
    // Writes one change with its handlers around it; a change given a `refusal` fails with that
    // message before anything runs.
    bool applyChange(Tree& tree, UpdateKind kind, const packet::PacketRow& before,
                     packet::PacketRow& after, std::int32_t recordNo,
                     std::vector<packet::PacketRow>& result, const char* refusal = nullptr);
    void write(Tree& tree, DeltaRecord& change);
    void readCurrentValues(Tree& tree, DeltaRecord& change);

    db::SQLDataSet& dataSet_;
    ResolverEvents events_;
    std::int32_t maxErrors_ = 0;
    std::int32_t* errorCount_ = nullptr;
    bool* transactionStarted_ = nullptr;
};

}  // namespace zorvanil::server
