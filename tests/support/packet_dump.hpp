#pragma once

// Everything a packet holds as one line of text, so that two packets compare in a test (or a fuzz
// target) with every difference shown: the metadata flag, each field with all its attributes,
// the attributes, and each row's status, values with their types, and error.

#include <string>

#include "packet/data_packet.hpp"
#include "packet/field_attributes.hpp"
#include "packet/json_codec.hpp"

namespace zorvanil::test {

inline void dumpPacket(std::string& out, const packet::DataPacket& p);

inline void dumpValue(std::string& out, const Variant& v) {
    out += Variant::typeName(v.type());
    out += ':';
    if (v.type() == Variant::Type::Packet) {
        if (v.asPacket()) dumpPacket(out, *v.asPacket());
    } else if (v.type() == Variant::Type::Array) {
        out += '[';
        for (const Variant& item : v.asArray()) {
            dumpValue(out, item);
            out += ',';
        }
        out += ']';
    } else if (!v.isUnassigned()) {
        out += packet::jsonText(v);
    }
}

struct FieldAttributeDump {
    std::string& out;
    template <class Int>
    void number(const char* name, Int value, Int) {
        out += std::string(" ") + name + "=" + std::to_string(value);
    }
    void flag(const char* name, bool value) {
        out += std::string(" ") + name + "=" + (value ? "1" : "0");
    }
    void text(const char* name, const std::string& value) {
        out += std::string(" ") + name + "=" + value;
    }
};

inline void dumpField(std::string& out, const packet::PacketField& f) {
    out += "{" + f.name() + " " + std::string(db::fieldTypeName(f.def.type));
    FieldAttributeDump attributes{out};
    packet::visitFieldAttributes(f, attributes);
    out += " paramType=" + std::string(packet::paramTypeName(f.paramType));
    for (const packet::PacketField& child : f.children)
        dumpField(out, child);
    out += "}";
}

inline void dumpPacket(std::string& out, const packet::DataPacket& p) {
    out += p.hasMetadata ? "(metadata" : "(no metadata";
    out += " fields:";
    for (const packet::PacketField& f : p.fields)
        dumpField(out, f);
    out += " attributes:";
    for (const auto& [name, value] : p.attributes) {
        out += name + "=";
        dumpValue(out, value);
        out += ";";
    }
    out += " rows:";
    for (const packet::PacketRow& r : p.rows) {
        out += "[" + std::string(packet::rowStatusName(r.status));
        for (const Variant& v : r.values) {
            out += ' ';
            dumpValue(out, v);
        }
        if (r.error)
            out += " error " + std::to_string(r.error->recordNo) + "/" +
                   std::to_string(r.error->response) + "/" + r.error->message + "/" +
                   std::to_string(r.error->errorCode);
        out += "]";
    }
    out += ")";
}

inline std::string packetDump(const packet::DataPacket& p) {
    std::string out;
    dumpPacket(out, p);
    return out;
}

}  // namespace zorvanil::test
