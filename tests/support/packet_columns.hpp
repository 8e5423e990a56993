#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "packet/data_packet.hpp"

namespace zorvanil::test {

// The positions of the named columns ("A,B") among the fields; throws for a name not there.
std::vector<std::size_t> columnIndexes(const std::vector<packet::PacketField>& fields,
                                       std::string_view columns);

// The row's values at those positions, as text joined by ','.
std::string joinedValues(const packet::PacketRow& row, const std::vector<std::size_t>& index);

}  // namespace zorvanil::test
