#include "server/resolver/delta_record.hpp"

#include "common/messages.hpp"
#include "common/text.hpp"

namespace zorvanil::server {

namespace {

int indexOf(const std::vector<packet::PacketField>& fields, std::string_view name) {
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (sameText(fields[i].name(), name)) return static_cast<int>(i);
    throw Error(formatMessage(msg::kFieldNotFound, {echoed(name)}));
}

}  // namespace

MasterRow::MasterRow(const std::vector<packet::PacketField>& fields, const packet::PacketRow& row,
                     const packet::PacketRow* modified)
    : fields_(&fields), values_(row.values) {
    values_.resize(fields.size());
    for (std::size_t i = 0; modified && i < modified->values.size() && i < values_.size(); ++i)
        if (!modified->values[i].isUnassigned()) values_[i] = modified->values[i];
}

const Variant& MasterRow::value(std::string_view name) const {
    return values_[indexOf(*fields_, name)];
}

DeltaRecord::DeltaRecord(const std::vector<packet::PacketField>& fields, UpdateKind kind,
                         const packet::PacketRow* before, packet::PacketRow* after,
                         std::int32_t recordNo, const MasterRow* master)
    : fields_(&fields),
      kind_(kind),
      before_values_(before->values),
      before_(before),
      after_(after),
      recordNo_(recordNo),
      master_(master) {
    before_values_.resize(fields.size());
    after_->values.resize(fields.size());
}

int DeltaRecord::fieldIndex(std::string_view name) const {
    return indexOf(*fields_, name);
}

Variant DeltaRecord::oldValue(int field) const {
    if (kind_ == UpdateKind::ukInsert) return after_->values[field];
    return before_values_[field];
}

Variant DeltaRecord::newValue(int field) const {
    if (kind_ == UpdateKind::ukDelete) return before_values_[field];
    return after_->values[field];
}

Variant DeltaRecord::value(int field) const {
    Variant v = newValue(field);
    return v.isUnassigned() && kind_ == UpdateKind::ukModify ? Variant::null() : v;
}

Variant DeltaRecord::curValue(int field) const {
    return static_cast<std::size_t>(field) < current_.size() ? current_[field] : Variant();
}

void DeltaRecord::setNewValue(std::string_view name, const Variant& value) {
    after_->values[fieldIndex(name)] = value;
    newValuesChanged_ = true;
}

void DeltaRecord::useCurrentValuesAsOld() {
    for (std::size_t i = 0; i < current_.size() && i < before_values_.size(); ++i)
        if (!current_[i].isUnassigned()) before_values_[i] = current_[i];
}

}  // namespace zorvanil::server
