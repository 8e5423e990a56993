#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "common/error.hpp"
#include "packet/data_packet.hpp"

namespace zorvanil::server {

enum class UpdateKind : std::uint8_t { ukModify, ukInsert, ukDelete };
enum class ResolverResponse : std::uint8_t { rrSkip, rrAbort, rrMerge, rrApply, rrIgnore };

// The error of one change: the message of the error raised, the error code (1 for every error the
// resolver reports) and the code of the previous error of the same change (0 for the first).
class EUpdateError : public Error {
  public:
    EUpdateError(const std::string& message, std::int32_t errorCode, std::int32_t previousError)
        : Error(message), errorCode_(errorCode), previousError_(previousError) {}
    std::int32_t errorCode() const { return errorCode_; }
    std::int32_t previousError() const { return previousError_; }

  private:
    std::int32_t errorCode_;
    std::int32_t previousError_;
};

// The master row of a line change, as the handlers of the line read it: the inserted or deleted
// master, the master as fetched when the packet only carries its lines, or, for a modified master,
// each field's new value where the packet changes it and its fetched value otherwise.
class MasterRow {
  public:
    // The master row that `row` (with its modified half, for a modification) gives its lines.
    MasterRow(const std::vector<packet::PacketField>& fields, const packet::PacketRow& row,
              const packet::PacketRow* modified);

    // The field's value; fails with "Field '%s' not found".
    const Variant& value(std::string_view name) const;

  private:
    const std::vector<packet::PacketField>* fields_;
    std::vector<Variant> values_;
};

// The change being applied, as handlers see it: its kind and the readings of each field.
//
//   reading   inserted row     modified row                          deleted row
//   value     inserted value   new value if changed, otherwise null   fetched value
//   old       inserted value   fetched value (before-image)          fetched value
//   new       inserted value   new value if changed, otherwise unassigned  fetched value
//   current   the value read from the database after a conflict; unassigned otherwise
class DeltaRecord {
  public:
    DeltaRecord(const std::vector<packet::PacketField>& fields, UpdateKind kind,
                const packet::PacketRow* before, packet::PacketRow* after, std::int32_t recordNo,
                const MasterRow* master = nullptr);

    UpdateKind kind() const { return kind_; }
    const std::vector<packet::PacketField>& fields() const { return *fields_; }
    std::int32_t recordNo() const { return recordNo_; }
    // The master row of the packet that carries this change; nullptr for a change of the
    // provider's own dataset.
    const MasterRow* master() const { return master_; }
    // The field's index; fails with "Field '%s' not found".
    int fieldIndex(std::string_view name) const;

    Variant value(int field) const;
    Variant oldValue(int field) const;
    Variant newValue(int field) const;
    Variant curValue(int field) const;
    Variant value(std::string_view name) const { return value(fieldIndex(name)); }
    Variant oldValue(std::string_view name) const { return oldValue(fieldIndex(name)); }
    Variant newValue(std::string_view name) const { return newValue(fieldIndex(name)); }
    Variant curValue(std::string_view name) const { return curValue(fieldIndex(name)); }

    // A handler changes the value the change writes; the provider may send it back to the client.
    void setNewValue(std::string_view name, const Variant& value);
    bool newValuesChanged() const { return newValuesChanged_; }

    void setCurrentValues(std::vector<Variant> values) { current_ = std::move(values); }
    bool hasCurrentValues() const { return !current_.empty(); }
    // Takes the current values read from the database as the old values of a retried change.
    void useCurrentValuesAsOld();

    // The row written to the result: the new values of an insertion or modification, the fetched
    // ones of a deletion.
    const packet::PacketRow& resultRow() const { return *after_; }
    const packet::PacketRow& beforeRow() const { return *before_; }

  private:
    const std::vector<packet::PacketField>* fields_;
    UpdateKind kind_;
    std::vector<Variant> before_values_;  // old values, replaceable by current values on retry
    const packet::PacketRow* before_;
    packet::PacketRow* after_;
    std::vector<Variant> current_;
    std::int32_t recordNo_;
    const MasterRow* master_;
    bool newValuesChanged_ = false;
};

}  // namespace zorvanil::server
