#include "db/field_type.hpp"

#include <array>
#include <utility>

namespace zorvanil::db {

namespace {
constexpr std::array<std::pair<FieldType, std::string_view>, 12> kNames{{
    {FieldType::Unknown, "Unknown"},
    {FieldType::String, "String"},
    {FieldType::Smallint, "SmallInt"},
    {FieldType::Integer, "Integer"},
    {FieldType::Largeint, "Largeint"},
    {FieldType::Float, "Float"},
    {FieldType::Date, "Date"},
    {FieldType::Time, "Time"},
    {FieldType::TimeStamp, "TimeStamp"},
    {FieldType::Blob, "Blob"},
    {FieldType::Memo, "Memo"},
    {FieldType::DataSet, "DataSet"},
}};
}  // namespace

std::string_view fieldTypeName(FieldType type) {
    for (auto& [t, name] : kNames)
        if (t == type) return name;
    return "Unknown";
}

FieldType fieldTypeFromName(std::string_view name) {
    for (auto& [t, n] : kNames)
        if (n == name) return t;
    return FieldType::Unknown;
}

}  // namespace zorvanil::db
