#include "packet/xml_codec.hpp"

#include <algorithm>
#include <charconv>
#include <limits>

#include <pugixml.hpp>

#include "common/base64.hpp"
#include "common/error.hpp"
#include "common/utf8.hpp"
#include "packet/json_codec.hpp"

namespace zorvanil::packet {

namespace {

// Nested tables, arrays and packets inside a packet, at most this deep.
constexpr int kMaxDepth = 16;
// A table has at most this many fields; a value index beyond it is refused.
constexpr std::size_t kMaxFields = 4096;
constexpr std::string_view kVersion = "1.0";
constexpr std::string_view kParamTypeNames[] = {"unknown", "input", "output", "inputOutput",
                                                "result"};
// U+FFFD, written in place of a character XML cannot carry in names, messages and metadata.
constexpr char32_t kReplacement = 0xFFFD;

[[noreturn]] void badPacket(std::string_view what) {
    throw Error("Invalid data packet: " + std::string(what));
}

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// ---- characters -------------------------------------------------------------------------------

// The characters XML 1.0 allows in a document, as text or as a character reference.
bool isXmlChar(long cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
           (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

// Whether the text is well-formed UTF-8 made only of characters XML can carry.
bool xmlCarries(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();)
        if (!isXmlChar(decodeUtf8(text, pos))) return false;
    return true;
}

// ---- writing ----------------------------------------------------------------------------------

// The variant type a value of this field is read as when the value names no type of its own.
Variant::Type naturalType(const PacketField* field) {
    using T = Variant::Type;
    if (!field) return T::String;
    switch (field->def.type) {
        case db::FieldType::Smallint:
            return T::Smallint;
        case db::FieldType::Integer:
            return T::Integer;
        case db::FieldType::Largeint:
            return T::Largeint;
        case db::FieldType::Float:
            return T::Double;
        case db::FieldType::Date:
            return T::Date;
        case db::FieldType::Time:
            return T::Time;
        case db::FieldType::Blob:
            return T::Blob;
        case db::FieldType::DataSet:
            return T::Packet;
        default:
            return T::String;
    }
}

// Text of a scalar value: numbers as numbers (doubles in their shortest exact form), dates
// "YYYY-MM-DD", times "HH:MM:SS", blobs base64, strings as they are.
std::string scalarText(const Variant& v) {
    using T = Variant::Type;
    switch (v.type()) {
        case T::Smallint:
        case T::Integer:
        case T::Largeint:
            return std::to_string(v.toInt64());
        case T::Double:
            return doubleToString(v.toDouble());
        case T::Blob:
            return base64Encode(v.asBlob().bytes);
        default:
            return v.toString();
    }
}

class StringWriter : public pugi::xml_writer {
  public:
    explicit StringWriter(std::string& out) : out_(out) {}
    void write(const void* data, std::size_t size) override {
        out_.append(static_cast<const char*>(data), size);
    }

  private:
    std::string& out_;
};

// Builds the document tree with text that is already escaped, and saves it without pugixml's own
// escaping: that one leaves a carriage return in element text as it is (XML readers turn it into a
// line feed) and writes control characters as references XML 1.0 does not allow.
class Writer {
  public:
    explicit Writer(XmlEncoding encoding) : ascii_(encoding == XmlEncoding::Ascii) {}

    void packet(pugi::xml_node parent, const DataPacket& p) const {
        pugi::xml_node root = parent.append_child("DATAPACKET");
        attr(root, "Version", kVersion);
        if (p.hasMetadata) {
            pugi::xml_node metadata = root.append_child("METADATA");
            fields(metadata, p.fields);
            pugi::xml_node params = metadata.append_child("PARAMS");
            for (auto& [name, value] : p.attributes) {
                pugi::xml_node param = params.append_child("PARAM");
                attr(param, "name", name);
                typedValue(param, value);
            }
        }
        rows(root.append_child("ROWDATA"), p.rows, p.fields);
    }

  private:
    void fields(pugi::xml_node parent, const std::vector<PacketField>& list) const {
        pugi::xml_node node = parent.append_child("FIELDS");
        for (auto& f : list)
            field(node, f);
    }

    void field(pugi::xml_node parent, const PacketField& f) const {
        pugi::xml_node node = parent.append_child("FIELD");
        attr(node, "name", f.def.name);
        attr(node, "type", db::fieldTypeName(f.def.type));
        if (f.def.size) attr(node, "size", std::to_string(f.def.size));
        if (f.def.required) attr(node, "required", "true");
        if (f.def.fixed) attr(node, "fixed", "true");
        if (f.def.calculated) attr(node, "calculated", "true");
        if (f.def.displayWidth) attr(node, "displayWidth", std::to_string(f.def.displayWidth));
        if (f.providerFlags != kDefaultProviderFlags)
            attr(node, "PROVFLAGS", std::to_string(f.providerFlags));
        if (!f.origin.empty()) attr(node, "ORIGIN", f.origin);
        if (f.serverCalc) attr(node, "SERVER_CALC", "true");
        if (!f.fieldProps.empty()) attr(node, "FIELDPROPS", f.fieldProps);
        if (f.paramType != db::ParamDirection::Unknown)
            attr(node, "paramType", kParamTypeNames[static_cast<int>(f.paramType)]);
        if (!f.children.empty()) fields(node, f.children);
    }

    void rows(pugi::xml_node parent, const std::vector<PacketRow>& list,
              const std::vector<PacketField>& fieldList) const {
        for (auto& r : list) {
            pugi::xml_node row = parent.append_child("ROW");
            if (r.status != RowStatus::Unchanged) attr(row, "RowState", rowStatusName(r.status));
            if (r.error) {
                attr(row, "ERROR_RECORDNO", std::to_string(r.error->recordNo));
                attr(row, "ERROR_RESPONSE", std::to_string(r.error->response));
                attr(row, "ERROR_MESSAGE", r.error->message);
                attr(row, "ERROR_CODE", std::to_string(r.error->errorCode));
            }
            for (std::size_t i = 0; i < r.values.size(); ++i) {
                const Variant& v = r.values[i];
                if (v.isUnassigned()) continue;
                const PacketField* f = i < fieldList.size() ? &fieldList[i] : nullptr;
                pugi::xml_node cell = row.append_child("V");
                attr(cell, "i", std::to_string(i));
                value(cell, v, f);
            }
        }
    }

    // A row value: null as null="1", a nested table as its rows, an array as items, anything else
    // as text. The type is named only where the field would not give it.
    void value(pugi::xml_node cell, const Variant& v, const PacketField* f) const {
        using T = Variant::Type;
        if (v.isNull()) {
            attr(cell, "null", "1");
            return;
        }
        if (v.type() != naturalType(f)) attr(cell, "type", Variant::typeName(v.type()));
        if (v.type() == T::Packet) {
            static const std::vector<PacketField> kNone;
            if (v.asPacket()) rows(cell, v.asPacket()->rows, f ? f->children : kNone);
        } else if (v.type() == T::Array) {
            for (auto& item : v.asArray())
                typedValue(cell.append_child("ITEM"), item);
        } else {
            std::string s = scalarText(v);
            if (!xmlCarries(s)) {
                attr(cell, "enc", "base64");
                s = base64Encode(s);
            }
            if (!s.empty())
                cell.append_child(pugi::node_pcdata).set_value(escape(s, false).c_str());
        }
    }

    // A value that carries its own type: the attributes type and value, the items of an array,
    // the whole packet of a packet.
    void typedValue(pugi::xml_node node, const Variant& v) const {
        using T = Variant::Type;
        attr(node, "type", Variant::typeName(v.type()));
        switch (v.type()) {
            case T::Unassigned:
            case T::Null:
                return;
            case T::Array:
                for (auto& item : v.asArray())
                    typedValue(node.append_child("ITEM"), item);
                return;
            case T::Packet:
                if (v.asPacket()) packet(node, *v.asPacket());
                return;
            default: {
                std::string s = scalarText(v);
                if (!xmlCarries(s)) {
                    attr(node, "enc", "base64");
                    s = base64Encode(s);
                }
                attr(node, "value", s);
            }
        }
    }

    void attr(pugi::xml_node node, const char* name, std::string_view text) const {
        node.append_attribute(name).set_value(escape(text, true).c_str());
    }

    // Text escaped for the document. Values that XML cannot carry are base64 before they get here;
    // in any other text (names, messages, metadata) such a character becomes U+FFFD.
    std::string escape(std::string_view text, bool inAttribute) const {
        std::string out;
        out.reserve(text.size());
        for (std::size_t pos = 0; pos < text.size();) {
            long cp = decodeUtf8(text, pos);
            if (!isXmlChar(cp)) cp = kReplacement;
            switch (cp) {
                case '&':
                    out += "&amp;";
                    continue;
                case '<':
                    out += "&lt;";
                    continue;
                case '>':
                    out += "&gt;";
                    continue;
                case '\r':
                    out += "&#13;";
                    continue;  // a raw one would be read as a line feed
                case '"':
                    if (inAttribute) {
                        out += "&quot;";
                        continue;
                    }
                    break;
                case '\t':
                case '\n':
                    // An attribute value's raw tabs and line feeds are read as blanks.
                    if (inAttribute) {
                        out += cp == '\t' ? "&#9;" : "&#10;";
                        continue;
                    }
                    break;
                default:
                    break;
            }
            if (cp < 0x80)
                out += static_cast<char>(cp);
            else if (ascii_)
                out += "&#" + std::to_string(cp) + ";";
            else
                appendUtf8(out, cp);
        }
        return out;
    }

    bool ascii_;
};

// ---- reading ----------------------------------------------------------------------------------

std::string elementName(pugi::xml_node node) {
    return "<" + std::string(node.name()) + ">";
}

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
                badPacket("unexpected element " + elementName(child) + " in " + elementName(node));
            out.push_back(child);
        } else if ((child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) &&
                   !isBlank(child.value())) {
            badPacket("unexpected text in " + elementName(node));
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
            badPacket("unexpected element " + elementName(child) + " in " + elementName(node));
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
        badPacket("attribute " + std::string(name) + " of " + elementName(node) +
                  " is not a valid number: " + quoted(a.value()));
    return value;
}

bool boolAttribute(pugi::xml_node node, const char* name) {
    pugi::xml_attribute a = node.attribute(name);
    if (!a) return false;
    std::string_view v = a.value();
    if (v == "true" || v == "1") return true;
    if (v == "false" || v == "0") return false;
    badPacket("attribute " + std::string(name) + " of " + elementName(node) +
              " is not true or false: " + quoted(v));
}

Variant::Type typeFromName(std::string_view name) {
    for (int t = 0; t <= static_cast<int>(Variant::Type::Packet); ++t)
        if (Variant::typeName(static_cast<Variant::Type>(t)) == name)
            return static_cast<Variant::Type>(t);
    badPacket("unknown value type " + quoted(name));
}

// The value of the given scalar type written as this text; `what` names it in messages.
Variant scalarFromText(Variant::Type type, const std::string& text, std::string_view what) {
    using T = Variant::Type;
    auto invalid = [&]() -> Variant {
        badPacket(quoted(text) + " is not a valid " + std::string(Variant::typeName(type)) +
                  " value for " + std::string(what));
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
        badPacket("unknown text encoding " + quoted(enc.value()) + " in " + elementName(node));
    try {
        return base64Decode(text);
    } catch (const Error&) {
        badPacket("the base64 text in " + elementName(node) + " is not valid");
    }
}

void checkDepth(int depth) {
    if (depth > kMaxDepth)
        badPacket("tables or values nested more than " + std::to_string(kMaxDepth) +
                  " levels deep");
}

DataPacket readPacket(pugi::xml_node root, int depth);
std::vector<PacketRow> readRows(pugi::xml_node parent, const std::vector<PacketField>& fields,
                                int depth);

std::string fieldDescription(std::size_t index, const PacketField* field) {
    return field ? "field " + quoted(field->name()) : "field " + std::to_string(index);
}

// A value of PARAMS or of an array: its type, then its text or its items or its packet.
Variant readTypedValue(pugi::xml_node node, int depth) {
    using T = Variant::Type;
    checkDepth(depth);
    pugi::xml_attribute typeAttr = node.attribute("type");
    if (!typeAttr) badPacket(elementName(node) + " has no type");
    T type = typeFromName(typeAttr.value());
    std::string what = node.attribute("name")
                           ? "parameter " + quoted(node.attribute("name").value())
                           : "an array item";
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
            if (children.size() != 1)
                badPacket(elementName(node) + " holds no single <DATAPACKET>");
            return Variant(
                PacketPtr(std::make_shared<DataPacket>(readPacket(children[0], depth + 1))));
        }
        default: {
            childElements(node, {});
            pugi::xml_attribute value = node.attribute("value");
            if (!value) badPacket(what + " has no value");
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
    T type = naturalType(field);
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
        std::string_view name = state.value();
        bool known = false;
        for (auto s :
             {RowStatus::Unchanged, RowStatus::Modified, RowStatus::Inserted, RowStatus::Deleted})
            if (rowStatusName(s) == name) {
                row.status = s;
                known = true;
            }
        if (!known) badPacket("unknown row state " + quoted(name));
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
        if (!cell.attribute("i")) badPacket("a <V> has no field index");
        auto index = intAttribute<std::size_t>(cell, "i", 0);
        if (index >= kMaxFields)
            badPacket("field index " + std::to_string(index) + " is too large");
        if (index >= row.values.size()) {
            row.values.resize(index + 1);
            seen.resize(index + 1);
        }
        if (seen[index])
            badPacket("field index " + std::to_string(index) + " appears twice in a row");
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
    if (!name) badPacket("a <FIELD> has no name");
    f.def.name = name.value();
    if (pugi::xml_attribute type = node.attribute("type")) {
        f.def.type = db::fieldTypeFromName(type.value());
        if (f.def.type == db::FieldType::Unknown && std::string_view(type.value()) != "Unknown")
            badPacket("unknown type " + quoted(type.value()) + " of field " + quoted(f.def.name));
    }
    f.def.size = intAttribute<int>(node, "size", 0);
    f.def.required = boolAttribute(node, "required");
    f.def.fixed = boolAttribute(node, "fixed");
    f.def.calculated = boolAttribute(node, "calculated");
    f.def.displayWidth = intAttribute<int>(node, "displayWidth", 0);
    f.providerFlags = intAttribute<std::uint8_t>(node, "PROVFLAGS", kDefaultProviderFlags);
    f.origin = node.attribute("ORIGIN").value();
    f.serverCalc = boolAttribute(node, "SERVER_CALC");
    f.fieldProps = node.attribute("FIELDPROPS").value();
    if (pugi::xml_attribute paramType = node.attribute("paramType")) {
        auto it = std::find(std::begin(kParamTypeNames), std::end(kParamTypeNames),
                            std::string_view(paramType.value()));
        if (it == std::end(kParamTypeNames))
            badPacket("unknown parameter type " + quoted(paramType.value()) + " of field " +
                      quoted(f.def.name));
        f.paramType = static_cast<db::ParamDirection>(it - std::begin(kParamTypeNames));
    }
    auto nested = childElements(node, {"FIELDS"});
    if (nested.size() > 1) badPacket("field " + quoted(f.def.name) + " has more than one <FIELDS>");
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
            if (found)
                badPacket(elementName(parent) + " has more than one <" + std::string(name) + ">");
            found = child;
        }
    return found;
}

DataPacket readPacket(pugi::xml_node root, int depth) {
    checkDepth(depth);
    if (std::string_view(root.name()) != "DATAPACKET")
        badPacket("the document element is " + elementName(root) + ", not <DATAPACKET>");
    if (pugi::xml_attribute version = root.attribute("Version");
        version && version.value() != kVersion)
        badPacket("unsupported version " + quoted(version.value()));
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
                if (!name) badPacket("a <PARAM> has no name");
                packet.attributes.emplace_back(name.value(), readTypedValue(param, depth + 1));
            }
    }
    if (pugi::xml_node rowdata = singleChild(children, "ROWDATA", root))
        packet.rows = readRows(rowdata, packet.fields, depth);
    return packet;
}

// Line and column (from 1) of a byte offset, for parse error messages.
std::string position(std::string_view text, std::ptrdiff_t offset) {
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
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

std::string toXml(const DataPacket& packet, XmlEncoding encoding) {
    pugi::xml_document doc;
    pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
    declaration.append_attribute("version").set_value("1.0");
    if (encoding == XmlEncoding::Utf8) declaration.append_attribute("encoding").set_value("UTF-8");
    declaration.append_attribute("standalone").set_value("yes");
    Writer(encoding).packet(doc, packet);
    std::string out;
    StringWriter writer(out);
    doc.save(writer, "", pugi::format_raw | pugi::format_no_declaration | pugi::format_no_escapes,
             pugi::encoding_utf8);
    return out;
}

DataPacket dataPacketFromXml(std::string_view xml) {
    pugi::xml_document doc;
    // Blank text is kept: a string value may consist of blanks alone.
    pugi::xml_parse_result parsed =
        doc.load_buffer(xml.data(), xml.size(), pugi::parse_default | pugi::parse_ws_pcdata);
    if (!parsed)
        badPacket("malformed XML at " + position(xml, parsed.offset) + ": " + parsed.description());
    pugi::xml_node root = doc.document_element();
    if (!root) badPacket("the document has no element");
    return readPacket(root, 0);
}

}  // namespace zorvanil::packet
