#pragma once

#include <boost/json/value.hpp>

#include "common/variant.hpp"

namespace zorvanil {

// A variant as JSON: unassigned and null as null, numbers and text as themselves, dates
// "YYYY-MM-DD", times "HH:MM:SS", blobs base64, arrays as arrays. A packet is written by the
// packet encoder given, or as null when there is none.
using PacketEncoder = boost::json::value (*)(const packet::DataPacket&);
boost::json::value variantToJson(const Variant& value, PacketEncoder encodePacket = nullptr);

std::string base64Encode(std::string_view bytes);
// Decodes base64; throws Error on text that is not base64.
std::string base64Decode(std::string_view text);

}  // namespace zorvanil
