#pragma once

// What the two readers of a JSON packet share, so that a packet reads the same whether its text
// was parsed first (dataPacketFromJson) or is read straight from the text
// (dataPacketFromJsonText). Internal to packet/.

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include <boost/json/object.hpp>
#include <boost/json/value.hpp>

#include "packet/data_packet.hpp"

namespace zorvanil::packet::json_parts {

// The value of a packet's "fields" member, and of its "attributes": either marks the packet as
// carrying metadata.
void readFields(DataPacket& packet, const boost::json::value& fields);
void readAttributes(DataPacket& packet, const boost::json::value& attributes);

// The status a row object's "status" member names.
RowStatus rowStatus(std::string_view name);

// The error of a row in a result packet, from its "error" member; a member of the wrong kind is
// ignored.
RowError rowError(const boost::json::object& error);

// The value of a text read for a field: a field of a known type makes it that type (dates, times
// and blobs travel as text). `field` is null for a value beyond the fields.
Variant textValue(std::string_view text, const PacketField* field);

// Whether the value of field `i` is read as the rows of a nested table when it is an array.
bool nestedTable(const std::vector<PacketField>& fields, std::size_t i);

// The place of the field that a member of a row object names: the last field of that name,
// letter case ignored. A name that no field has becomes a new field, a nested table when the
// member's value is an array.
std::size_t memberField(std::vector<PacketField>& fields, std::string_view name, bool array);

// Once all rows are read, every row has a value for each field: a field first named by a later
// row object leaves the earlier rows unassigned there.
void padRows(std::vector<PacketRow>& rows, std::size_t fields);

// The packet read straight from the text, without its parsed JSON; nullopt when the straight
// reading does not take the text as it comes and the parsed text is to be read instead.
std::optional<DataPacket> straightPacket(std::string_view text);

}  // namespace zorvanil::packet::json_parts
