// A packet in XML as a client sends it, decoded as the server decodes it: what it reads, written
// out in either encoding and read again, writes the same text. The first writing may differ from
// the input (bytes that start no UTF-8 character are written as Latin-1 characters); from then on
// nothing changes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/error.hpp"
#include "packet/xml_codec.hpp"
#include "round_trip.hpp"

using namespace zorvanil;
using packet::XmlEncoding;

namespace {

// The packet the text holds, written out in the encoding; empty when it holds none.
std::string decodedAndWritten(std::string_view text, XmlEncoding encoding) {
    try {
        return packet::toXml(packet::dataPacketFromXml(text), encoding);
    } catch (const Error&) {
        return {};
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string first = decodedAndWritten(input, XmlEncoding::Utf8);
    if (first.empty()) return 0;
    fuzz::expectSame("an XML packet", first, decodedAndWritten(first, XmlEncoding::Utf8));
    const std::string ascii = decodedAndWritten(first, XmlEncoding::Ascii);
    fuzz::expectSame("an XML packet written in ASCII", first,
                     decodedAndWritten(ascii, XmlEncoding::Utf8));
    return 0;
}
