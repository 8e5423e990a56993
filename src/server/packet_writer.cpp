#include "server/packet_writer.hpp"

#include "db/sql_dataset.hpp"

namespace zorvanil::server {

namespace {

// Opens a detail dataset on the master's current row for as long as the master row's lines are
// written, and closes it however the writing ends: a detail left open after a failed read could
// not be given another statement by the next request. A detail that has no statement (lines that
// no request has asked for yet) is not opened and carries no lines.
class DetailRun {
  public:
    explicit DetailRun(db::SQLDataSet& detail) : detail_(detail) {
        detail_.close();
        if (!detail_.commandText().empty()) detail_.open();
    }
    ~DetailRun() { detail_.close(); }
    DetailRun(const DetailRun&) = delete;
    DetailRun& operator=(const DetailRun&) = delete;

  private:
    db::SQLDataSet& detail_;
};

}  // namespace

std::vector<packet::PacketField> PacketWriter::describe(db::SQLDataSet& dataSet) {
    std::vector<packet::PacketField> fields;
    fields.reserve(dataSet.fieldCount() + dataSet.details().size());
    for (const auto& def : dataSet.fieldDefs()) {
        packet::PacketField field;
        field.def = def;
        fields.push_back(std::move(field));
    }
    for (db::SQLDataSet* detail : dataSet.details()) {
        DetailRun run(*detail);
        packet::PacketField nested;
        nested.def.name = detail->name();
        nested.def.type = db::FieldType::DataSet;
        nested.children = describe(*detail);
        fields.push_back(std::move(nested));
    }
    return fields;
}

packet::PacketRow PacketWriter::writeRow(db::SQLDataSet& dataSet) {
    packet::PacketRow row;
    row.values.reserve(dataSet.fieldCount() + dataSet.details().size());
    row.values = dataSet.currentRow();
    // Every detail row of this master row travels inside it as a nested table.
    for (db::SQLDataSet* detail : dataSet.details()) {
        DetailRun run(*detail);
        auto nested = std::make_shared<packet::DataPacket>();
        while (!detail->eof()) {
            nested->rows.push_back(writeRow(*detail));
            detail->next();
        }
        row.values.emplace_back(packet::PacketPtr(std::move(nested)));
    }
    return row;
}

packet::DataPacket PacketWriter::write(db::SQLDataSet& dataSet, std::int32_t count, bool metadata,
                                       std::vector<std::pair<std::string, Variant>> attributes,
                                       std::int32_t& rowsWritten) {
    packet::DataPacket packet;
    if (metadata || !described_) {
        packet.hasMetadata = true;
        packet.fields = describe(dataSet);
        packet.attributes = std::move(attributes);
        described_ = true;
    }
    rowsWritten = 0;
    while (!dataSet.eof() && (count < 0 || rowsWritten < count)) {
        packet.rows.push_back(writeRow(dataSet));
        ++rowsWritten;
        if (count < 0 || rowsWritten < count) dataSet.next();
    }
    return packet;
}

}  // namespace zorvanil::server
