#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/field_type.hpp"

namespace zorvanil::db {

// Direction of a statement parameter.
enum class ParamDirection : std::uint8_t { Unknown, Input, Output, InputOutput, Result };

// Flags of a declared field.
enum FieldFlag : std::uint8_t {
    kRequired = 1,    // the packet's field description says the field is required
    kFixed = 2,       // fixed-length (blank padded) character data
    kCalculated = 4,  // not a column: the server fills it row by row
};

// One entry of a persistent field list, as a static table writes it.
struct FieldSpec {
    std::string_view name;
    FieldType type;
    int size = 0;  // characters for String; 0 where the type has no size
    std::uint8_t flags = 0;
    int displayWidth = 0;  // 0: the default display width

    bool required() const { return flags & kRequired; }
    bool fixed() const { return flags & kFixed; }
    bool calculated() const { return flags & kCalculated; }
};

// The description of one field of an open dataset or of a packet.
struct FieldDef {
    std::string name;
    FieldType type = FieldType::Unknown;
    int size = 0;
    bool required = false;
    bool fixed = false;
    bool calculated = false;
    int displayWidth = 0;
    std::vector<FieldDef> children;  // the fields of a nested table (type DataSet)

    static FieldDef fromSpec(const FieldSpec& spec) {
        return FieldDef{
            std::string(spec.name), spec.type,         spec.size,         spec.required(),
            spec.fixed(),           spec.calculated(), spec.displayWidth, {}};
    }
    friend bool operator==(const FieldDef&, const FieldDef&) = default;
};

}  // namespace zorvanil::db
