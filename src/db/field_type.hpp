#pragma once

#include <cstdint>
#include <string_view>

namespace zorvanil::db {

// The type of a field as datasets and packets describe it.
enum class FieldType : std::uint8_t {
    Unknown,
    String,     // 8-bit text of at most `size` characters
    Smallint,   // 16-bit integer
    Integer,    // 32-bit integer
    Largeint,   // 64-bit integer
    Float,      // 64-bit floating point
    Date,       // calendar date
    Time,       // time of day
    TimeStamp,  // date and time
    Blob,       // raw bytes
    Memo,       // large text
    DataSet,    // nested table (the rows of a detail dataset inside a master row)
};

// The name used in messages ("Type mismatch ...") and in packet metadata.
std::string_view fieldTypeName(FieldType type);
// The inverse of fieldTypeName, Unknown for any other text.
FieldType fieldTypeFromName(std::string_view name);

}  // namespace zorvanil::db
