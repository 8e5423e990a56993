#include <pugixml.hpp>

#include "common/base64.hpp"
#include "common/utf8.hpp"
#include "packet/field_attributes.hpp"
#include "packet/xml_codec.hpp"
#include "packet/xml_layout.hpp"

namespace zorvanil::packet {

namespace {

// U+FFFD, written in place of a character XML cannot carry in names, messages and metadata.
constexpr char32_t kReplacement = 0xFFFD;

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
        attr(root, "Version", xml::kVersion);
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
    // Field attributes as attributes of <FIELD>: numbers, "true", or text.
    struct FieldAttributes {
        const Writer& writer;
        pugi::xml_node node;

        template <class Int>
        void number(const char* name, Int value, Int absent) {
            if (value != absent) writer.attr(node, name, std::to_string(value));
        }
        void flag(const char* name, bool value) {
            if (value) writer.attr(node, name, "true");
        }
        void text(const char* name, const std::string& value) {
            if (!value.empty()) writer.attr(node, name, value);
        }
    };

    void fields(pugi::xml_node parent, const std::vector<PacketField>& list) const {
        pugi::xml_node node = parent.append_child("FIELDS");
        for (auto& f : list)
            field(node, f);
    }

    void field(pugi::xml_node parent, const PacketField& f) const {
        pugi::xml_node node = parent.append_child("FIELD");
        attr(node, "name", f.def.name);
        attr(node, "type", db::fieldTypeName(f.def.type));
        FieldAttributes attributes{*this, node};
        visitFieldAttributes(f, attributes);
        if (f.paramType != db::ParamDirection::Unknown)
            attr(node, "paramType", paramTypeName(f.paramType));
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
        if (v.type() != xml::naturalType(f)) attr(cell, "type", Variant::typeName(v.type()));
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

}  // namespace zorvanil::packet
