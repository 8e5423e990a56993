#pragma once

#include <boost/json/value.hpp>

#include <string>

#include "common/json_writer.hpp"
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
void writeJson(JsonWriter& writer, const DataPacket& packet);
// Reads a packet; fails with a clear message on JSON that is not one.
DataPacket dataPacketFromJson(const boost::json::value& json);
// The same read straight from the text of a JSON object, which must be well-formed JSON that
// names no member twice in any object: only the packet is built, not the parsed text beside it,
// which for a change packet is as large again as the packet. A text that the straight reading
// does not take as it comes (a packet that fails, or members in an order other than the one
// packets are written in) is parsed and read as above, so that both readings always agree.
DataPacket dataPacketFromJsonText(std::string_view text);

// Any variant as JSON text, and as a JSON document; packets as above.
std::string jsonText(const Variant& value);
boost::json::value variantToJson(const Variant& value);
// A JSON value as a variant: null is Null, integers Integer (or Largeint), other numbers Double,
// text String, arrays Array, objects packets. An absent member is Unassigned (the caller's part).
Variant variantFromJson(const boost::json::value& json);

// An object written as JSON text member by member, packets as above. Unassigned variants are left
// out, as an absent member reads back unassigned.
class JsonObjectText {
  public:
    JsonObjectText() : writer_(text_, &writeJson) {
        text_.reserve(1024);
        writer_.beginObject();
    }
    JsonObjectText(const JsonObjectText&) = delete;
    JsonObjectText& operator=(const JsonObjectText&) = delete;
    JsonObjectText& variant(std::string_view name, const Variant& value) {
        if (!value.isUnassigned()) writer_.key(name).value(value);
        return *this;
    }
    JsonObjectText& integer(std::string_view name, std::int64_t value) {
        writer_.key(name).integer(value);
        return *this;
    }
    JsonObjectText& boolean(std::string_view name, bool value) {
        writer_.key(name).boolean(value);
        return *this;
    }
    JsonObjectText& text(std::string_view name, std::string_view value) {
        writer_.key(name).string(value);
        return *this;
    }
    std::string take() {
        writer_.endObject();
        return std::move(text_);
    }

  private:
    std::string text_;
    JsonWriter writer_;
};

}  // namespace zorvanil::packet
