#pragma once

#include <string>
#include <string_view>

#include "packet/data_packet.hpp"

namespace zorvanil::packet {

enum class XmlEncoding { Ascii, Utf8 };

// A packet as an XML document (the layout is described in docs/packets.md). With Ascii every
// character outside ASCII is written as a character reference; with Utf8 the text is written as
// it stands and the declaration says UTF-8.
std::string toXml(const DataPacket& packet, XmlEncoding encoding);
// Reads a packet written by toXml; fails with a clear message on anything else.
DataPacket dataPacketFromXml(std::string_view xml);

}  // namespace zorvanil::packet
