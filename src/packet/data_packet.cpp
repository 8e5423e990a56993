#include "packet/data_packet.hpp"

#include "common/text.hpp"

namespace zorvanil::packet {

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

}  // namespace zorvanil::packet
