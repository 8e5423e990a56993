#pragma once

#include "packet/data_packet.hpp"

namespace zorvanil::packet {

// The attributes of a field description besides its name, type, parameter type and nested
// fields, in the order both encodings write them. The visitor is called once per attribute with
// its name and the member that holds it:
//   number(name, member, absent)  a number, left out when it equals `absent`
//   flag(name, member)            a flag, left out when false
//   text(name, member)            a text, left out when empty
// Field is `const PacketField` for a writer and `PacketField` for a reader, which leaves the
// member as it is when the attribute is missing (a new field holds every default).
template <class Field, class Visitor>
void visitFieldAttributes(Field& field, Visitor& visitor) {
    visitor.number("size", field.def.size, 0);
    visitor.flag("required", field.def.required);
    visitor.flag("fixed", field.def.fixed);
    visitor.flag("calculated", field.def.calculated);
    visitor.number("displayWidth", field.def.displayWidth, 0);
    visitor.number("PROVFLAGS", field.providerFlags, kDefaultProviderFlags);
    visitor.text("ORIGIN", field.origin);
    visitor.flag("SERVER_CALC", field.serverCalc);
    visitor.text("FIELDPROPS", field.fieldProps);
}

}  // namespace zorvanil::packet
