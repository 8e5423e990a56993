#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "packet/data_packet.hpp"
#include "server/remote_data_module.hpp"

namespace zorvanil::test {

// What one AS_GetRecords call returned.
struct ReadResult {
    server::CallStatus status;
    Variant result;
    std::int32_t recsOut = 0;
    Variant params;
    const packet::DataPacket& packet() const { return *result.asPacket(); }
    // The values of one column of the packet's rows, as text.
    std::vector<std::string> column(std::size_t index) const;
};

// One AS_GetRecords call on `module`.
ReadResult getRecords(server::TAZORVANIL& module, std::string_view provider, std::int32_t count,
                      std::int32_t options, Variant owner, std::string_view commandText = {},
                      Variant params = {});

}  // namespace zorvanil::test
