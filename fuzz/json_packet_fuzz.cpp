// A packet in JSON as a client sends it (a change packet, a parameter packet), decoded as the
// server decodes it: what it reads, written out and read again, writes the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <boost/json/parse.hpp>

#include "common/error.hpp"
#include "packet/json_codec.hpp"
#include "round_trip.hpp"

namespace json = boost::json;
using namespace zorvanil;

namespace {

// The packet the text holds, written out again; empty when it holds none.
std::string decodedAndWritten(std::string_view text) {
    boost::system::error_code ec;
    json::value parsed = json::parse(text, ec);
    if (ec) return {};
    try {
        auto packet = std::make_shared<packet::DataPacket>(packet::dataPacketFromJson(parsed));
        return packet::jsonText(Variant(packet::PacketPtr(std::move(packet))));
    } catch (const Error&) {
        return {};
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string first =
        decodedAndWritten(std::string_view(reinterpret_cast<const char*>(data), size));
    if (first.empty()) return 0;
    fuzz::expectSame("a JSON packet", first, decodedAndWritten(first));
    return 0;
}
