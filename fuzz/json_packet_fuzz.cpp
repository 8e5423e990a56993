// A packet in JSON as a client sends it (a change packet, a parameter packet), decoded as the
// server decodes it: what it reads, written out and read again, writes the same text. A packet
// that does not describe its fields (no metadata, but fields named by its row objects, or a
// nested table under a field that is no table) is written without what its reader would need to
// read it the same way; such a packet must come out the same from its second writing on.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/error.hpp"
#include "net/json_members.hpp"
#include "packet/json_codec.hpp"
#include "packet/json_parser.hpp"
#include "round_trip.hpp"
#include "support/packet_dump.hpp"

using namespace zorvanil;
using packet::DataPacket;

namespace {

bool describedValue(const Variant& value);

// Whether the written packet tells its reader every field and nested table it holds.
bool describedPacket(const DataPacket& p) {
    if (!p.hasMetadata && !p.fields.empty()) return false;
    for (const auto& [name, value] : p.attributes)
        if (!describedValue(value)) return false;
    for (const packet::PacketRow& row : p.rows)
        for (std::size_t i = 0; i < row.values.size(); ++i) {
            const Variant& v = row.values[i];
            if (v.type() != Variant::Type::Packet) {
                if (!describedValue(v)) return false;
                continue;
            }
            // A nested table is written as its rows alone; only its field says what they are.
            if (i >= p.fields.size() || p.fields[i].def.type != db::FieldType::DataSet)
                return false;
            DataPacket nested = *v.asPacket();
            nested.hasMetadata = true;
            nested.fields = p.fields[i].children;
            if (!describedPacket(nested)) return false;
        }
    return true;
}

bool describedValue(const Variant& value) {
    if (value.type() == Variant::Type::Packet)
        return !value.asPacket() || describedPacket(*value.asPacket());
    if (value.type() == Variant::Type::Array)
        for (const Variant& item : value.asArray())
            if (!describedValue(item)) return false;
    return true;
}

// The packet the text holds, written out again; empty when it holds none.
std::string decodedAndWritten(std::string_view text, bool* described = nullptr) {
    boost::system::error_code ec;
    boost::json::value parsed = packet::parseJson(text, ec);
    if (ec) return {};
    try {
        auto packet = std::make_shared<DataPacket>(packet::dataPacketFromJson(parsed));
        if (described) *described = describedPacket(*packet);
        return packet::jsonText(Variant(packet::PacketPtr(std::move(packet))));
    } catch (const Error&) {
        return {};
    }
}

// What a reading of a packet gives: the packet, or the message it fails with.
template <class Read>
std::string outcome(Read read) {
    try {
        return test::packetDump(read());
    } catch (const Error& e) {
        return std::string("error: ") + e.what();
    }
}

// The straight reading of a text that parses as an object naming no member twice, as requests
// are (one that names a member twice is refused before its packets are read).
void expectStraightReadingAgrees(std::string_view text) {
    boost::system::error_code ec;
    boost::json::value parsed = packet::parseJson(text, ec);
    if (ec || !parsed.is_object() || !net::scanJsonMembers(text).repeated.empty()) return;
    fuzz::expectSame("a packet read straight from its text",
                     outcome([&] { return packet::dataPacketFromJson(parsed); }),
                     outcome([&] { return packet::dataPacketFromJsonText(text); }));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    expectStraightReadingAgrees(text);
    bool described = false;
    const std::string first = decodedAndWritten(text, &described);
    if (first.empty()) return 0;
    const std::string second = decodedAndWritten(first);
    if (described) fuzz::expectSame("a JSON packet", first, second);
    fuzz::expectSame("a JSON packet written twice", second, decodedAndWritten(second));
    return 0;
}
