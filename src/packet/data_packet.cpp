#include "packet/data_packet.hpp"

#include "common/text.hpp"

namespace zorvanil::packet {

namespace {

constexpr std::string_view kRowStatusNames[] = {"unchanged", "modified", "inserted", "deleted"};
constexpr std::string_view kParamTypeNames[] = {"unknown", "input", "output", "inputOutput",
                                                "result"};

// The position of a name in one of the lists above, or -1.
template <std::size_t N>
int nameIndex(const std::string_view (&names)[N], std::string_view name) {
    for (std::size_t i = 0; i < N; ++i)
        if (names[i] == name) return static_cast<int>(i);
    return -1;
}

}  // namespace

std::string_view rowStatusName(RowStatus status) {
    return kRowStatusNames[static_cast<int>(status)];
}

std::optional<RowStatus> rowStatusFromName(std::string_view name) {
    int index = nameIndex(kRowStatusNames, name);
    if (index < 0) return std::nullopt;
    return static_cast<RowStatus>(index);
}

std::string_view paramTypeName(db::ParamDirection type) {
    return kParamTypeNames[static_cast<int>(type)];
}

std::optional<db::ParamDirection> paramTypeFromName(std::string_view name) {
    int index = nameIndex(kParamTypeNames, name);
    if (index < 0) return std::nullopt;
    return static_cast<db::ParamDirection>(index);
}

int DataPacket::fieldIndex(std::string_view name) const {
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (sameText(fields[i].name(), name)) return static_cast<int>(i);
    return -1;
}

const Variant* DataPacket::attribute(std::string_view name) const {
    for (auto& [key, value] : attributes)
        if (sameText(key, name)) return &value;
    return nullptr;
}

DataPacket takePacket(Variant&& value) {
    PacketPtr shared = value.asPacket();
    value = Variant();
    if (shared.use_count() != 1) return *shared;
    // Nobody else sees the packet any more. Packets are made changeable (make_shared<DataPacket>)
    // and shared as const only so that readers do not change them under each other.
    return std::move(const_cast<DataPacket&>(*shared));
}

void inferFieldTypes(std::vector<PacketField>& fields, const std::vector<PacketRow>& rows) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        auto& def = fields[i].def;
        if (def.type != db::FieldType::Unknown) continue;
        def.type = db::FieldType::String;
        for (const auto& row : rows) {
            if (i >= row.values.size() || row.values[i].isEmpty()) continue;
            switch (row.values[i].type()) {
                case Variant::Type::Smallint:
                case Variant::Type::Integer:
                    def.type = db::FieldType::Integer;
                    break;
                case Variant::Type::Largeint:
                    def.type = db::FieldType::Largeint;
                    break;
                case Variant::Type::Double:
                    def.type = db::FieldType::Float;
                    break;
                case Variant::Type::Date:
                    def.type = db::FieldType::Date;
                    break;
                case Variant::Type::Time:
                    def.type = db::FieldType::Time;
                    break;
                case Variant::Type::Blob:
                    def.type = db::FieldType::Blob;
                    break;
                case Variant::Type::Packet:
                    def.type = db::FieldType::DataSet;
                    break;
                default:
                    break;
            }
            break;
        }
    }
}

}  // namespace zorvanil::packet
