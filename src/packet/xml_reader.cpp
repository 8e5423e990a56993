#include <algorithm>
#include <charconv>

#include <pugixml.hpp>

#include "common/base64.hpp"
#include "packet/field_attributes.hpp"
#include "packet/packet_error.hpp"
#include "packet/xml_codec.hpp"
#include "packet/xml_layout.hpp"

namespace zorvanil::packet {

namespace {

// Nested tables, arrays and packets inside a packet, at most this deep.
constexpr int kMaxDepth = 16;
// A table has at most this many fields; a value index beyond it is refused.
constexpr std::size_t kMaxFields = 4096;

bool isBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
}

// The child elements of a node, each of which must have one of the given names; text between
// them must be blank.
std::vector<pugi::xml_node> childElements(pugi::xml_node node,
                                          std::initializer_list<std::string_view> allowed) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node child : node.children()) {
        if (child.type() == pugi::node_element) {
            if (std::find(allowed.begin(), allowed.end(), std::string_view(child.name())) ==
                allowed.end())
                invalidPacket(msg::kXmlUnexpectedElement, {child.name(), node.name()});
            out.push_back(child);
        } else if ((child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) &&
                   !isBlank(child.value())) {
            invalidPacket(msg::kXmlUnexpectedText, {node.name()});
        }
    }
    return out;
}

// The text content of an element that holds text only.
std::string elementText(pugi::xml_node node) {
    std::string out;
    for (pugi::xml_node child : node.children()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            out += child.value();
        else if (child.type() == pugi::node_element)
            invalidPacket(msg::kXmlUnexpectedElement, {child.name(), node.name()});
    }
    return out;
}

template <class Int>
bool parseInt(std::string_view text, Int& out) {
    auto first = text.data(), last = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(first, last, out);
    return !text.empty() && ec == std::errc() && ptr == last;
}

template <class Int>
Int intAttribute(pugi::xml_node node, const char* name, Int fallback) {
    pugi::xml_attribute a = node.attribute(name);
    if (!a) return fallback;
    Int value{};
    if (!parseInt(a.value(), value))
        invalidPacket(msg::kXmlNotANumber, {name, node.name(), a.value()});
    return value;
}

bool boolAttribute(pugi::xml_node node, const char* name) {
    pugi::xml_attribute a = node.attribute(name);
    if (!a) return false;
    std::string_view v = a.value();
    if (v == "true" || v == "1") return true;
    if (v == "false" || v == "0") return false;
    invalidPacket(msg::kXmlNotABoolean, {name, node.name(), v});
}

// Field attributes from the attributes of <FIELD>; one that is not of its kind fails.
struct FieldAttributes {
    pugi::xml_node node;

    template <class Int>
    void number(const char* name, Int& value, Int) {
        value = intAttribute<Int>(node, name, value);
    }
    void flag(const char* name, bool& value) { value = boolAttribute(node, name); }
    void text(const char* name, std::string& value) { value = node.attribute(name).value(); }
};

Variant::Type typeFromName(std::string_view name) {
    for (int t = 0; t <= static_cast<int>(Variant::Type::Packet); ++t)
        if (Variant::typeName(static_cast<Variant::Type>(t)) == name)
            return static_cast<Variant::Type>(t);
    invalidPacket(msg::kXmlUnknownValueType, {name});
}

// The value of the given scalar type written as this text; `what` names it in messages.
Variant scalarFromText(Variant::Type type, const std::string& text, std::string_view what) {
    using T = Variant::Type;
    auto invalid = [&]() -> Variant {
        invalidPacket(msg::kXmlInvalidValue, {text, Variant::typeName(type), what});
    };
    switch (type) {
        case T::Smallint: {
            std::int16_t v;
            return parseInt(text, v) ? Variant(v) : invalid();
        }
        case T::Integer: {
            std::int32_t v;
            return parseInt(text, v) ? Variant(v) : invalid();
        }
        case T::Largeint: {
            std::int64_t v;
            return parseInt(text, v) ? Variant(v) : invalid();
        }
        case T::Double: {
            double v;
            auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
            return !text.empty() && ec == std::errc() && ptr == text.data() + text.size()
                       ? Variant(v)
                       : invalid();
        }
        case T::String:
            return Variant(text);
        case T::Date: {
            auto d = Date::parse(text);
            return d ? Variant(*d) : invalid();
        }
        case T::Time: {
            auto t = Time::parse(text);
            return t ? Variant(*t) : invalid();
        }
        case T::Blob:
            try {
                return Variant(Blob{base64Decode(text)});
            } catch (const Error&) {
                return invalid();
            }
        default:
            return invalid();
    }
}

// Text of a value element or attribute, decoded when it says enc="base64".
std::string decodedText(pugi::xml_node node, std::string text) {
    pugi::xml_attribute enc = node.attribute("enc");
    if (!enc) return text;
    if (std::string_view(enc.value()) != "base64")
        invalidPacket(msg::kXmlUnknownTextEncoding, {enc.value(), node.name()});
    try {
        return base64Decode(text);
    } catch (const Error&) {
        invalidPacket(msg::kXmlInvalidBase64, {node.name()});
    }
}

void checkDepth(int depth) {
    if (depth > kMaxDepth) invalidPacket(msg::kXmlTooDeep, {std::to_string(kMaxDepth)});
}

DataPacket readPacket(pugi::xml_node root, int depth);
std::vector<PacketRow> readRows(pugi::xml_node parent, const std::vector<PacketField>& fields,
                                int depth);

std::string fieldDescription(std::size_t index, const PacketField* field) {
    return field ? formatMessage(msg::kXmlNamedField, {field->name()})
                 : formatMessage(msg::kXmlFieldNumber, {std::to_string(index)});
}

// A value of PARAMS or of an array: its type, then its text or its items or its packet.
Variant readTypedValue(pugi::xml_node node, int depth) {
    using T = Variant::Type;
    checkDepth(depth);
    pugi::xml_attribute typeAttr = node.attribute("type");
    if (!typeAttr) invalidPacket(msg::kXmlValueWithoutType, {node.name()});
    T type = typeFromName(typeAttr.value());
    std::string what = node.attribute("name")
                           ? formatMessage(msg::kXmlParameter, {node.attribute("name").value()})
                           : msg::kXmlArrayItem;
    switch (type) {
        case T::Unassigned:
            childElements(node, {});
            return Variant();
        case T::Null:
            childElements(node, {});
            return Variant::null();
        case T::Array: {
            Variant::Array items;
            for (pugi::xml_node item : childElements(node, {"ITEM"}))
                items.push_back(readTypedValue(item, depth + 1));
            return Variant(std::move(items));
        }
        case T::Packet: {
            auto children = childElements(node, {"DATAPACKET"});
            if (children.size() != 1) invalidPacket(msg::kXmlNoSinglePacket, {node.name()});
            return Variant(
                PacketPtr(std::make_shared<DataPacket>(readPacket(children[0], depth + 1))));
        }
        default: {
            childElements(node, {});
            pugi::xml_attribute value = node.attribute("value");
            if (!value) invalidPacket(msg::kXmlValueWithoutText, {what});
            return scalarFromText(type, decodedText(node, value.value()), what);
        }
    }
}

// One <V>: its type is the one it names, else the field's; without a field it is text, or a
// nested table when it holds rows.
Variant readCell(pugi::xml_node cell, std::size_t index, const PacketField* field, int depth) {
    using T = Variant::Type;
    if (boolAttribute(cell, "null")) {
        childElements(cell, {});
        return Variant::null();
    }
    T type = xml::naturalType(field);
    if (pugi::xml_attribute t = cell.attribute("type"))
        type = typeFromName(t.value());
    else if (!field && cell.child("ROW"))
        type = T::Packet;
    switch (type) {
        case T::Packet: {
            checkDepth(depth + 1);
            static const std::vector<PacketField> kNone;
            auto nested = std::make_shared<DataPacket>();
            nested->rows = readRows(cell, field ? field->children : kNone, depth + 1);
            return Variant(PacketPtr(std::move(nested)));
        }
        case T::Array: {
            checkDepth(depth + 1);
            Variant::Array items;
            for (pugi::xml_node item : childElements(cell, {"ITEM"}))
                items.push_back(readTypedValue(item, depth + 1));
            return Variant(std::move(items));
        }
        case T::Unassigned:
            childElements(cell, {});
            return Variant();
        case T::Null:
            childElements(cell, {});
            return Variant::null();
        default:
            return scalarFromText(type, decodedText(cell, elementText(cell)),
                                  fieldDescription(index, field));
    }
}

PacketRow readRow(pugi::xml_node node, const std::vector<PacketField>& fields, int depth) {
    PacketRow row;
    if (pugi::xml_attribute state = node.attribute("RowState")) {
        auto status = rowStatusFromName(state.value());
        if (!status) invalidPacket(msg::kXmlUnknownRowState, {state.value()});
        row.status = *status;
    }
    if (node.attribute("ERROR_RECORDNO") || node.attribute("ERROR_RESPONSE") ||
        node.attribute("ERROR_MESSAGE") || node.attribute("ERROR_CODE")) {
        RowError error;
        error.recordNo = intAttribute<std::int32_t>(node, "ERROR_RECORDNO", 0);
        error.response = intAttribute<std::int32_t>(node, "ERROR_RESPONSE", 0);
        error.message = node.attribute("ERROR_MESSAGE").value();
        error.errorCode = intAttribute<std::int32_t>(node, "ERROR_CODE", 0);
        row.error = std::move(error);
    }
    std::vector<bool> seen;
    for (pugi::xml_node cell : childElements(node, {"V"})) {
        if (!cell.attribute("i")) invalidPacket(msg::kXmlCellWithoutIndex);
        auto index = intAttribute<std::size_t>(cell, "i", 0);
        if (index >= kMaxFields) invalidPacket(msg::kXmlIndexTooLarge, {std::to_string(index)});
        if (index >= row.values.size()) {
            row.values.resize(index + 1);
            seen.resize(index + 1);
        }
        if (seen[index]) invalidPacket(msg::kXmlIndexRepeated, {std::to_string(index)});
        seen[index] = true;
        const PacketField* field = index < fields.size() ? &fields[index] : nullptr;
        row.values[index] = readCell(cell, index, field, depth);
    }
    return row;
}

// The rows below a node (ROWDATA, or V for a nested table), all as wide as the table: the number
// of its fields, or without them the highest field index used.
std::vector<PacketRow> readRows(pugi::xml_node parent, const std::vector<PacketField>& fields,
                                int depth) {
    std::vector<PacketRow> rows;
    std::size_t width = fields.size();
    for (pugi::xml_node node : childElements(parent, {"ROW"})) {
        rows.push_back(readRow(node, fields, depth));
        width = std::max(width, rows.back().values.size());
    }
    for (auto& r : rows)
        r.values.resize(width);
    return rows;
}

PacketField readField(pugi::xml_node node, int depth) {
    checkDepth(depth);
    PacketField f;
    pugi::xml_attribute name = node.attribute("name");
    if (!name) invalidPacket(msg::kXmlFieldWithoutName);
    f.def.name = name.value();
    if (pugi::xml_attribute type = node.attribute("type")) {
        f.def.type = db::fieldTypeFromName(type.value());
        if (f.def.type == db::FieldType::Unknown && std::string_view(type.value()) != "Unknown")
            invalidPacket(msg::kXmlUnknownFieldType, {type.value(), f.def.name});
    }
    FieldAttributes attributes{node};
    visitFieldAttributes(f, attributes);
    if (pugi::xml_attribute paramType = node.attribute("paramType")) {
        auto type = paramTypeFromName(paramType.value());
        if (!type) invalidPacket(msg::kXmlUnknownParamType, {paramType.value(), f.def.name});
        f.paramType = *type;
    }
    auto nested = childElements(node, {"FIELDS"});
    if (nested.size() > 1) invalidPacket(msg::kXmlRepeatedFields, {f.def.name});
    if (!nested.empty()) {
        for (pugi::xml_node child : childElements(nested[0], {"FIELD"}))
            f.children.push_back(readField(child, depth + 1));
        f.def.type = db::FieldType::DataSet;
    }
    return f;
}

pugi::xml_node singleChild(const std::vector<pugi::xml_node>& children, std::string_view name,
                           pugi::xml_node parent) {
    pugi::xml_node found;
    for (pugi::xml_node child : children)
        if (child.name() == name) {
            if (found) invalidPacket(msg::kXmlRepeatedElement, {parent.name(), name});
            found = child;
        }
    return found;
}

DataPacket readPacket(pugi::xml_node root, int depth) {
    checkDepth(depth);
    if (std::string_view(root.name()) != "DATAPACKET")
        invalidPacket(msg::kXmlNotADataPacket, {root.name()});
    if (pugi::xml_attribute version = root.attribute("Version");
        version && version.value() != xml::kVersion)
        invalidPacket(msg::kXmlUnsupportedVersion, {version.value()});
    auto children = childElements(root, {"METADATA", "ROWDATA"});
    DataPacket packet;
    if (pugi::xml_node metadata = singleChild(children, "METADATA", root)) {
        packet.hasMetadata = true;
        auto parts = childElements(metadata, {"FIELDS", "PARAMS"});
        if (pugi::xml_node fields = singleChild(parts, "FIELDS", metadata))
            for (pugi::xml_node field : childElements(fields, {"FIELD"}))
                packet.fields.push_back(readField(field, depth));
        if (pugi::xml_node params = singleChild(parts, "PARAMS", metadata))
            for (pugi::xml_node param : childElements(params, {"PARAM"})) {
                pugi::xml_attribute name = param.attribute("name");
                if (!name) invalidPacket(msg::kXmlParamWithoutName);
                packet.attributes.emplace_back(name.value(), readTypedValue(param, depth + 1));
            }
    }
    if (pugi::xml_node rowdata = singleChild(children, "ROWDATA", root))
        packet.rows = readRows(rowdata, packet.fields, depth);
    return packet;
}

// Fails with the line and column (from 1) of the byte offset where the parser stopped.
[[noreturn]] void malformed(std::string_view text, std::ptrdiff_t offset, const char* reason) {
    std::size_t end =
        std::min(text.size(), static_cast<std::size_t>(std::max<std::ptrdiff_t>(offset, 0)));
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < end; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    invalidPacket(msg::kXmlMalformed, {std::to_string(line), std::to_string(column), reason});
}

}  // namespace

DataPacket dataPacketFromXml(std::string_view xml) {
    pugi::xml_document doc;
    // Blank text is kept: a string value may consist of blanks alone.
    pugi::xml_parse_result parsed =
        doc.load_buffer(xml.data(), xml.size(), pugi::parse_default | pugi::parse_ws_pcdata);
    if (!parsed) malformed(xml, parsed.offset, parsed.description());
    pugi::xml_node root = doc.document_element();
    if (!root) invalidPacket(msg::kXmlNoElement);
    return readPacket(root, 0);
}

}  // namespace zorvanil::packet
