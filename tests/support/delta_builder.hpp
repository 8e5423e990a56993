#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include "packet/data_packet.hpp"

namespace zorvanil::test {

// Builds change packets: fields first, then rows by status with values in field order
// (an unassigned Variant marks a field a modification does not change).
class DeltaBuilder {
  public:
    DeltaBuilder(std::initializer_list<std::pair<std::string, db::FieldType>> fields) {
        packet_.hasMetadata = true;
        for (auto& [name, type] : fields) {
            packet::PacketField f;
            f.def.name = name;
            f.def.type = type;
            f.def.size = type == db::FieldType::String ? 50 : 0;
            packet_.fields.push_back(std::move(f));
        }
    }
    // A nested detail table field with its own fields.
    DeltaBuilder& detail(const std::string& name, const DeltaBuilder& lines) {
        packet::PacketField f;
        f.def.name = name;
        f.def.type = db::FieldType::DataSet;
        f.children = lines.packet_.fields;
        packet_.fields.push_back(std::move(f));
        return *this;
    }
    DeltaBuilder& row(packet::RowStatus status, std::initializer_list<Variant> values) {
        packet_.rows.push_back(packet::PacketRow{status, std::vector<Variant>(values), {}});
        return *this;
    }
    DeltaBuilder& unchanged(std::initializer_list<Variant> v) {
        return row(packet::RowStatus::Unchanged, v);
    }
    DeltaBuilder& modified(std::initializer_list<Variant> v) {
        return row(packet::RowStatus::Modified, v);
    }
    DeltaBuilder& inserted(std::initializer_list<Variant> v) {
        return row(packet::RowStatus::Inserted, v);
    }
    DeltaBuilder& deleted(std::initializer_list<Variant> v) {
        return row(packet::RowStatus::Deleted, v);
    }
    DeltaBuilder& attribute(const std::string& name, Variant value) {
        packet_.attributes.emplace_back(name, std::move(value));
        return *this;
    }
    DeltaBuilder& flags(std::size_t field, std::uint8_t providerFlags) {
        packet_.fields.at(field).providerFlags = providerFlags;
        return *this;
    }
    // The rows as the value of a nested-table field.
    Variant nested() const {
        return Variant(packet::PacketPtr(std::make_shared<packet::DataPacket>(packet_)));
    }
    Variant build() const { return nested(); }

  private:
    packet::DataPacket packet_;
};

}  // namespace zorvanil::test
