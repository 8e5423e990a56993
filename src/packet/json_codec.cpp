#include "packet/json_codec.hpp"

#include <boost/json.hpp>

#include "common/base64.hpp"
#include "common/json_writer.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"
#include "packet/field_attributes.hpp"
#include "packet/json_packet_parts.hpp"
#include "packet/json_parser.hpp"
#include "packet/packet_error.hpp"

namespace zorvanil::packet {

namespace json = boost::json;

namespace {

// Field attributes as members of the field's object: numbers, true, or text.
struct AttributeWriter {
    JsonWriter& w;

    template <class Int>
    void number(const char* name, Int value, Int absent) {
        if (value != absent) w.key(name).integer(value);
    }
    void flag(const char* name, bool value) {
        if (value) w.key(name).boolean(true);
    }
    void text(const char* name, const std::string& value) {
        if (!value.empty()) w.key(name).string(value);
    }
};

// Field attributes from the members of the field's object; a member of the wrong kind is
// ignored.
struct AttributeReader {
    const json::object& o;

    template <class Int>
    void number(const char* name, Int& value, Int) {
        if (auto v = o.if_contains(name); v && v->is_int64())
            value = static_cast<Int>(v->get_int64());
    }
    void flag(const char* name, bool& value) {
        if (auto v = o.if_contains(name); v && v->is_bool()) value = v->get_bool();
    }
    void text(const char* name, std::string& value) {
        if (auto v = o.if_contains(name); v && v->is_string()) value = std::string(v->get_string());
    }
};

void writeField(JsonWriter& w, const PacketField& f) {
    w.beginObject();
    w.key("name").string(f.def.name);
    w.key("type").string(db::fieldTypeName(f.def.type));
    AttributeWriter attributes{w};
    visitFieldAttributes(f, attributes);
    if (f.paramType != db::ParamDirection::Unknown)
        w.key("paramType").string(paramTypeName(f.paramType));
    if (!f.children.empty()) {
        w.key("fields").beginArray();
        for (const PacketField& c : f.children)
            writeField(w, c);
        w.endArray();
    }
    w.endObject();
}

void writeRows(JsonWriter& w, const std::vector<PacketRow>& rows,
               const std::vector<PacketField>& fields);

void writeRow(JsonWriter& w, const PacketRow& row, const std::vector<PacketField>& fields) {
    auto cell = [&](std::size_t i) {
        const Variant& v = row.values[i];
        // A nested table travels as the array of its rows.
        if (v.type() == Variant::Type::Packet && v.asPacket()) {
            static const std::vector<PacketField> kNone;
            writeRows(w, v.asPacket()->rows, i < fields.size() ? fields[i].children : kNone);
        } else {
            w.value(v);
        }
    };
    if (row.status == RowStatus::Unchanged && !row.error) {
        w.beginArray();
        for (std::size_t i = 0; i < row.values.size(); ++i)
            cell(i);
        w.endArray();
        return;
    }
    w.beginObject();
    w.key("status").string(rowStatusName(row.status));
    w.key("values").beginObject();
    for (std::size_t i = 0; i < row.values.size(); ++i) {
        if (row.values[i].isUnassigned()) continue;
        w.key(i < fields.size() ? fields[i].name() : std::to_string(i));
        cell(i);
    }
    w.endObject();
    if (row.error) {
        w.key("error").beginObject();
        w.key("ERROR_RECORDNO").integer(row.error->recordNo);
        w.key("response").integer(row.error->response);
        w.key("message").string(row.error->message);
        w.key("code").integer(row.error->errorCode);
        w.endObject();
    }
    w.endObject();
}

void writeRows(JsonWriter& w, const std::vector<PacketRow>& rows,
               const std::vector<PacketField>& fields) {
    w.beginArray();
    for (const PacketRow& r : rows)
        writeRow(w, r, fields);
    w.endArray();
}

PacketField fieldFromJson(const json::value& v) {
    if (!v.is_object()) invalidPacket(msg::kPacketFieldNotAnObject);
    const json::object& o = v.get_object();
    PacketField f;
    auto name = o.if_contains("name");
    if (!name || !name->is_string()) invalidPacket(msg::kPacketFieldWithoutName);
    f.def.name = std::string(name->get_string());
    if (auto t = o.if_contains("type"); t && t->is_string())
        f.def.type = db::fieldTypeFromName(std::string_view(t->get_string()));
    AttributeReader attributes{o};
    visitFieldAttributes(f, attributes);
    if (auto r = o.if_contains("paramType"); r && r->is_string())
        if (auto type = paramTypeFromName(r->get_string())) f.paramType = *type;
    if (auto c = o.if_contains("fields")) {
        if (!c->is_array()) invalidPacket(msg::kPacketFieldsNotAnArray);
        for (auto& child : c->get_array())
            f.children.push_back(fieldFromJson(child));
        f.def.type = db::FieldType::DataSet;
    }
    return f;
}

std::vector<PacketRow> rowsFromJson(const json::value& v, std::vector<PacketField>& fields);

Variant cellFromJson(const json::value& v, std::vector<PacketField>& fields, std::size_t i) {
    if (v.is_array() && json_parts::nestedTable(fields, i)) {
        auto nested = std::make_shared<DataPacket>();
        nested->rows = rowsFromJson(v, fields[i].children);
        return Variant(PacketPtr(std::move(nested)));
    }
    if (v.is_string())
        return json_parts::textValue(v.get_string(), i < fields.size() ? &fields[i] : nullptr);
    return variantFromJson(v);
}

PacketRow rowFromJson(const json::value& v, std::vector<PacketField>& fields) {
    PacketRow row;
    if (v.is_array()) {
        const json::array& a = v.get_array();
        row.values.reserve(std::max(a.size(), fields.size()));
        for (std::size_t i = 0; i < a.size(); ++i)
            row.values.push_back(cellFromJson(a[i], fields, i));
        return row;
    }
    if (!v.is_object()) invalidPacket(msg::kPacketRowNotArrayOrObject);
    const json::object& o = v.get_object();
    if (auto s = o.if_contains("status")) {
        if (!s->is_string()) invalidPacket(msg::kPacketRowStatusNotText);
        row.status = json_parts::rowStatus(s->get_string());
    }
    auto values = o.if_contains("values");
    if (values && !values->is_object()) invalidPacket(msg::kPacketValuesNotAnObject);
    // Room for a value of every field at once: grown one field at a time, a row of five values
    // would keep room for eight.
    row.values.reserve(fields.size());
    // Members outside "values" that name a field (a nested detail table) count as values too.
    auto take = [&](std::string_view key, const json::value& val) {
        const std::size_t index = json_parts::memberField(fields, key, val.is_array());
        if (row.values.size() <= index) row.values.resize(index + 1);
        row.values[index] = cellFromJson(val, fields, index);
    };
    if (values)
        for (auto& [key, val] : values->get_object())
            take(key, val);
    for (auto& [key, val] : o)
        if (key != "status" && key != "values" && key != "error") take(key, val);
    if (auto e = o.if_contains("error"); e && e->is_object())
        row.error = json_parts::rowError(e->get_object());
    return row;
}

std::vector<PacketRow> rowsFromJson(const json::value& v, std::vector<PacketField>& fields) {
    if (!v.is_array()) invalidPacket(msg::kPacketRowsNotAnArray);
    std::vector<PacketRow> rows;
    rows.reserve(v.get_array().size());
    for (auto& r : v.get_array())
        rows.push_back(rowFromJson(r, fields));
    json_parts::padRows(rows, fields.size());
    return rows;
}

}  // namespace

namespace json_parts {

void readFields(DataPacket& packet, const json::value& fields) {
    if (!fields.is_array()) invalidPacket(msg::kPacketFieldsNotAnArray);
    packet.hasMetadata = true;
    for (auto& field : fields.get_array())
        packet.fields.push_back(fieldFromJson(field));
}

void readAttributes(DataPacket& packet, const json::value& attributes) {
    if (!attributes.is_object()) invalidPacket(msg::kPacketAttributesNotAnObject);
    packet.hasMetadata = true;
    for (auto& [name, value] : attributes.get_object())
        packet.attributes.emplace_back(std::string(name), variantFromJson(value));
}

RowStatus rowStatus(std::string_view name) {
    auto status = rowStatusFromName(name);
    if (!status) invalidPacket(msg::kPacketUnknownRowStatus, {echoed(name)});
    return *status;
}

RowError rowError(const json::object& eo) {
    RowError err;
    if (auto x = eo.if_contains("ERROR_RECORDNO"); x && x->is_int64())
        err.recordNo = int(x->get_int64());
    if (auto x = eo.if_contains("response"); x && x->is_int64()) err.response = int(x->get_int64());
    if (auto x = eo.if_contains("message"); x && x->is_string())
        err.message = std::string(x->get_string());
    if (auto x = eo.if_contains("code"); x && x->is_int64()) err.errorCode = int(x->get_int64());
    return err;
}

Variant textValue(std::string_view text, const PacketField* field) {
    if (field) {
        switch (field->def.type) {
            case db::FieldType::Date:
                if (auto d = Date::parse(text)) return Variant(*d);
                break;
            case db::FieldType::Time:
                if (auto t = Time::parse(text)) return Variant(*t);
                break;
            case db::FieldType::Blob:
                return Variant(Blob{base64Decode(text)});
            default:
                break;
        }
    }
    return Variant(text);
}

bool nestedTable(const std::vector<PacketField>& fields, std::size_t i) {
    return i < fields.size() && fields[i].def.type == db::FieldType::DataSet;
}

std::size_t memberField(std::vector<PacketField>& fields, std::string_view name, bool array) {
    std::size_t index = fields.size();
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (sameText(fields[i].name(), name)) index = i;
    if (index < fields.size()) return index;
    PacketField f;
    f.def.name = std::string(name);
    if (array) f.def.type = db::FieldType::DataSet;
    fields.push_back(std::move(f));
    return fields.size() - 1;
}

void padRows(std::vector<PacketRow>& rows, std::size_t fields) {
    for (auto& r : rows)
        r.values.resize(std::max(r.values.size(), fields));
}

}  // namespace json_parts

void writeJson(JsonWriter& w, const DataPacket& packet) {
    w.beginObject();
    if (packet.hasMetadata) {
        w.key("fields").beginArray();
        for (const PacketField& f : packet.fields)
            writeField(w, f);
        w.endArray();
        w.key("attributes").beginObject();
        for (auto& [name, value] : packet.attributes)
            w.key(name).value(value);
        w.endObject();
    }
    w.key("rows");
    writeRows(w, packet.rows, packet.fields);
    w.endObject();
}

std::string jsonText(const Variant& value) {
    return variantJsonText(value, &writeJson);
}

DataPacket dataPacketFromJson(const json::value& v) {
    if (!v.is_object()) invalidPacket(msg::kPacketNotAnObject);
    const json::object& o = v.get_object();
    DataPacket packet;
    if (auto f = o.if_contains("fields")) json_parts::readFields(packet, *f);
    if (auto a = o.if_contains("attributes")) json_parts::readAttributes(packet, *a);
    if (auto r = o.if_contains("rows")) packet.rows = rowsFromJson(*r, packet.fields);
    return packet;
}

json::value variantToJson(const Variant& value) {
    boost::system::error_code ec;
    return parseJson(jsonText(value), ec);
}

Variant variantFromJson(const json::value& v) {
    switch (v.kind()) {
        case json::kind::null:
            return Variant::null();
        case json::kind::bool_:
            return Variant(static_cast<std::int32_t>(v.get_bool() ? -1 : 0));
        case json::kind::int64: {
            std::int64_t i = v.get_int64();
            if (i >= INT32_MIN && i <= INT32_MAX) return Variant(static_cast<std::int32_t>(i));
            return Variant(i);
        }
        case json::kind::uint64:
            return Variant(static_cast<double>(v.get_uint64()));
        case json::kind::double_:
            return Variant(v.get_double());
        case json::kind::string:
            return Variant(std::string_view(v.get_string()));
        case json::kind::array: {
            Variant::Array items;
            items.reserve(v.get_array().size());
            for (auto& item : v.get_array())
                items.push_back(variantFromJson(item));
            return Variant(std::move(items));
        }
        case json::kind::object:
            return Variant(PacketPtr(std::make_shared<DataPacket>(dataPacketFromJson(v))));
    }
    return {};
}

}  // namespace zorvanil::packet
