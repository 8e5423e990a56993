#pragma once

#include <boost/json/value.hpp>

#include "packet/data_packet.hpp"

namespace zorvanil::packet {

// Packets as JSON:
//   {"fields": [...], "attributes": {...}, "rows": [...]}
// `fields` and `attributes` only when the packet carries metadata. A field is
//   {"name", "type", "size"?, "required"?, "fixed"?, "calculated"?, "displayWidth"?,
//    "PROVFLAGS"?, "ORIGIN"?, "SERVER_CALC"?, "FIELDPROPS"?, "paramType"?, "fields"?}
// A plain row is an array of values in field order; a row with a change status or an error is
//   {"status": "unchanged"|"modified"|"inserted"|"deleted", "values": {FIELD: value},
//    "error"?: {"ERROR_RECORDNO", "response", "message", "code"}}
// where a field absent from `values` is unassigned. A nested table's value is an array of rows.
boost::json::value toJson(const DataPacket& packet);
// Reads a packet; fails with a clear message on JSON that is not one.
DataPacket dataPacketFromJson(const boost::json::value& json);

// Any variant as JSON; packets as above.
boost::json::value variantToJson(const Variant& value);
// A JSON value as a variant: null is Null, integers Integer (or Largeint), other numbers Double,
// text String, arrays Array, objects packets. An absent member is Unassigned (the caller's part).
Variant variantFromJson(const boost::json::value& json);

std::string_view rowStatusName(RowStatus status);

}  // namespace zorvanil::packet
