#pragma once

#include <string_view>

#include "common/variant.hpp"
#include "packet/data_packet.hpp"

// What the XML writer and reader of packets agree on (the layout is described in docs/packets.md).
namespace zorvanil::packet::xml {

// The Version attribute of every <DATAPACKET>.
inline constexpr std::string_view kVersion = "1.0";

// The variant type a value of this field is read as when the value names no type of its own;
// the writer names the type of every value that differs from it.
inline Variant::Type naturalType(const PacketField* field) {
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

}  // namespace zorvanil::packet::xml
