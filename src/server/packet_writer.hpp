#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "packet/data_packet.hpp"

namespace zorvanil::db {
class SQLDataSet;
}

namespace zorvanil::server {

// Builds data packets from a dataset's rows, with each master row's detail rows nested inside it.
// It remembers whether it has described the fields, so that only its first packet carries them
// unless metadata is asked for.
class PacketWriter {
  public:
    // Writes up to `count` rows (all for -1) from the dataset's current row on; after each row but
    // the last one allowed it moves the dataset to the next row. `rowsWritten` is the row count.
    packet::DataPacket write(db::SQLDataSet& dataSet, std::int32_t count, bool metadata,
                             std::vector<std::pair<std::string, Variant>> attributes,
                             std::int32_t& rowsWritten);
    bool described() const { return described_; }

  private:
    std::vector<packet::PacketField> describe(db::SQLDataSet& dataSet);
    packet::PacketRow writeRow(db::SQLDataSet& dataSet);

    bool described_ = false;
};

}  // namespace zorvanil::server
