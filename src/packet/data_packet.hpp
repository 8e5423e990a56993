#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/variant.hpp"
#include "db/field_def.hpp"

namespace zorvanil::packet {

// How a row of a change packet changed since it was fetched.
enum class RowStatus : std::uint8_t { Unchanged, Modified, Inserted, Deleted };

// Provider flags a change packet may carry per field.
enum ProviderFlag : std::uint8_t {
    pfInUpdate = 1,
    pfInWhere = 2,
    pfInKey = 4,
    pfHidden = 8,
};
inline constexpr std::uint8_t kDefaultProviderFlags = pfInUpdate | pfInWhere;

// One field of a packet: its description plus what change and parameter packets add to it.
struct PacketField {
    db::FieldDef def;
    std::uint8_t providerFlags = kDefaultProviderFlags;          // "PROVFLAGS"
    std::string origin;                                          // "ORIGIN"; empty: the field name
    bool serverCalc = false;                                     // "SERVER_CALC"
    std::string fieldProps;                                      // "FIELDPROPS"
    db::ParamDirection paramType = db::ParamDirection::Unknown;  // parameter packets only
    std::vector<PacketField> children;                           // fields of a nested table

    const std::string& name() const { return def.name; }
    const std::string& originOrName() const { return origin.empty() ? def.name : origin; }
};

// The error of a row that failed to apply, as the result packet reports it.
struct RowError {
    std::int32_t recordNo = 0;  // "ERROR_RECORDNO": the row's number in the change packet
    std::int32_t response = 0;  // the resolver response that ended it
    std::string message;
    std::int32_t errorCode = 0;
};

struct DataPacket;

// One row: a value per field, in field order. The value of a nested-table field is a packet
// holding the detail rows (rows only, the fields are described by the parent field).
struct PacketRow {
    RowStatus status = RowStatus::Unchanged;
    std::vector<Variant> values;
    std::optional<RowError> error;
};

// A data packet (rows read), change packet (rows edited), result packet (rows that failed) or
// parameter packet (one row, one field per parameter). Field descriptions and attributes travel
// only when the packet carries metadata.
struct DataPacket {
    bool hasMetadata = false;
    std::vector<PacketField> fields;
    std::vector<std::pair<std::string, Variant>> attributes;
    std::vector<PacketRow> rows;

    // Index of the field with this name (letter case ignored), or -1.
    int fieldIndex(std::string_view name) const;
    const Variant* attribute(std::string_view name) const;
};

using PacketPtr = std::shared_ptr<const DataPacket>;

// The packet a variant holds, to be changed: moved out of it when the variant holds the only
// reference to it (a change packet of many megabytes is then not copied), else copied.
DataPacket takePacket(Variant&& value);

// How a row status and a parameter type are named in both encodings ("modified", "inputOutput"),
// and the status or type a name stands for (nullopt for a name that stands for none).
std::string_view rowStatusName(RowStatus status);
std::optional<RowStatus> rowStatusFromName(std::string_view name);
std::string_view paramTypeName(db::ParamDirection type);
std::optional<db::ParamDirection> paramTypeFromName(std::string_view name);

// A packet that came without field descriptions: each field of unknown type takes the type of its
// first value in the rows (text when every value is null).
void inferFieldTypes(std::vector<PacketField>& fields, const std::vector<PacketRow>& rows);

}  // namespace zorvanil::packet
