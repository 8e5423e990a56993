#include "server/resolver/delta_record.hpp"

#include "common/messages.hpp"
#include "common/text.hpp"

namespace zorvanil::server {

DeltaRecord::DeltaRecord(const std::vector<packet::PacketField>& fields, UpdateKind kind,
                         const packet::PacketRow* before, packet::PacketRow* after,
                         std::int32_t recordNo)
    : fields_(&fields),
      kind_(kind),
      before_values_(before->values),
      before_(before),
      after_(after),
      recordNo_(recordNo) {
    before_values_.resize(fields.size());
    after_->values.resize(fields.size());
}

int DeltaRecord::fieldIndex(std::string_view name) const {
    for (std::size_t i = 0; i < fields_->size(); ++i)
        if (sameText((*fields_)[i].name(), name)) return static_cast<int>(i);
    throw Error(formatMessage(msg::kFieldNotFound, {name}));
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
