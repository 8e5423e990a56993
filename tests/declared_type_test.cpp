#include <gtest/gtest.h>

#include "db/sqlite_driver.hpp"

namespace zorvanil::test {
namespace {

using db::FieldType;

// A declared column type gives the field's type, its size and whether it is of fixed width,
// whatever the letter case and the blanks around the name and the size.
TEST(DeclaredType, GivesTypeSizeAndFixedWidth) {
    struct Case {
        const char* declared;
        FieldType type;
        int size;
        bool fixed;
    };
    const Case cases[] = {
        {"SMALLINT", FieldType::Smallint, 0, false},
        {"integer", FieldType::Integer, 0, false},
        {" INT ", FieldType::Integer, 0, false},
        {"BIGINT", FieldType::Largeint, 0, false},
        {"DOUBLE", FieldType::Float, 0, false},
        {"double precision", FieldType::Float, 0, false},
        {"FLOAT", FieldType::Float, 0, false},
        {"REAL", FieldType::Float, 0, false},
        {"DECIMAL(15,2)", FieldType::Float, 0, false},
        {"NUMERIC", FieldType::Float, 0, false},
        {"DEC(9, 3)", FieldType::Float, 0, false},
        {"CHAR(9)", FieldType::String, 9, true},
        {"CHAR", FieldType::String, 1, true},
        {"character ( 4 )", FieldType::String, 4, true},
        {"VARCHAR(30)", FieldType::String, 30, false},
        {"VARCHAR", FieldType::String, 0, false},
        {"CHARACTER VARYING(12)", FieldType::String, 12, false},
        {"char varying(7)", FieldType::String, 7, false},
        {"DATE", FieldType::Date, 0, false},
        {"TIME", FieldType::Time, 0, false},
        {"TIMESTAMP", FieldType::TimeStamp, 0, false},
        {"BLOB", FieldType::Blob, 1, false},
        {"CLOB", FieldType::Memo, 1, false},
        {"TEXT", FieldType::Memo, 1, false},
        {"NVARCHAR(20)", FieldType::String, 20, false},
        {"BOOLEAN", FieldType::String, 255, false},
        {"", FieldType::String, 255, false},
        {"VARCHAR(-3)", FieldType::String, -3, false},
        {"CHAR(0)", FieldType::String, 1, true},
    };
    for (const Case& c : cases) {
        const db::ColumnInfo info = db::columnInfoFromDeclaredType(c.declared);
        EXPECT_EQ(info.type, c.type) << c.declared;
        EXPECT_EQ(info.size, c.size) << c.declared;
        EXPECT_EQ(info.fixed, c.fixed) << c.declared;
    }
}

}  // namespace
}  // namespace zorvanil::test
