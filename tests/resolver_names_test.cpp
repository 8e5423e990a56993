#include <gtest/gtest.h>

#include "common/error.hpp"
#include "server/resolver/sql_generator.hpp"
#include "support/case_names.hpp"
#include "support/delta_builder.hpp"
#include "support/server_fixture.hpp"

namespace zorvanil::test {
namespace {

using db::FieldType;
using server::SqlGenerator;

struct QuoteCase {
    const char* name;
    std::string_view given;
    const char* quoteChar;
    const char* written;  // empty: refused with `error`
    const char* error;
};

void PrintTo(const QuoteCase& c, std::ostream* os) {
    *os << quotedText(c.given) << " with quote " << quotedText(c.quoteChar);
}

class QuoteNameTest : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(QuoteNameTest, WritesTheNameAsOneIdentifierOrRefusesIt) {
    const QuoteCase& c = GetParam();
    if (*c.written) {
        EXPECT_EQ(SqlGenerator::quoteName(c.given, c.quoteChar), c.written);
        return;
    }
    try {
        SqlGenerator::quoteName(c.given, c.quoteChar);
        ADD_FAILURE() << "not refused";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), c.error);
    }
}

using namespace std::string_view_literals;
const QuoteCase kQuoteCases[] = {
    {"plain", "CLIENTES", "\"", "\"CLIENTES\"", ""},
    {"qualified", "main.CLIENTES", "\"", "\"main\".\"CLIENTES\"", ""},
    {"already_quoted", "\"CLIENTES\"", "\"", "\"CLIENTES\"", ""},
    {"already_quoted_with_doubled_quote", "\"A\"\"B\"", "\"", "\"A\"\"B\"", ""},
    {"quoted_schema_plain_table", "\"main\".CLIENTES", "\"", "\"main\".CLIENTES", ""},
    {"quote_inside_is_doubled", "CLIENTES\" SET x=1 --", "\"", "\"CLIENTES\"\" SET x=1 --\"", ""},
    {"column_closing_the_list", "NOMBRE\") SELECT ?, ? /*", "\"", "\"NOMBRE\"\") SELECT ?, ? /*\"",
     ""},
    {"begins_with_a_quote_but_is_not_one_name", "\"X\" ; DROP TABLE T; --\"", "\"",
     "\"\"\"X\"\" ; DROP TABLE T; --\"\"\"", ""},
    {"apostrophe_quoted_but_open", "'T", "\"", "\"'T\"", ""},
    {"backquote_doubled_with_backquotes", "A`B", "`", "`A``B`", ""},
    {"no_quote_character_plain", "CLIENTES", "", "CLIENTES", ""},
    {"no_quote_character_needs_quotes", "T; DROP TABLE T", "", "",
     "The name \"T; DROP TABLE T\" cannot be written without identifier quotes"},
    {"nul", "NOM\0BRE"sv, "\"", "", "The name \"NOM\0BRE\" holds a NUL or control character"},
    {"line_break", "NOMBRE\n", "\"", "", "The name \"NOMBRE\n\" holds a NUL or control character"},
    {"delete_character", "A\x7F", "\"", "", "The name \"A\x7F\" holds a NUL or control character"},
};

INSTANTIATE_TEST_SUITE_P(Names, QuoteNameTest, ::testing::ValuesIn(kQuoteCases), CaseName());

// A change packet whose table or column names try to break out of their quotes fails as the
// row's error and writes nothing.
struct HostileCase {
    const char* name;
    const char* tableName;  // TABLE_NAME; empty: none
    const char* field;      // the second field's name
    const char* error;      // the failed row's message begins so
};

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << "table " << quotedText(c.tableName) << ", field " << quotedText(c.field);
}

class HostileNames : public ServerFixture, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileNames, FailTheRowAndWriteNothing) {
    const HostileCase& c = GetParam();
    DeltaBuilder rows{{"ID_CLIENTE", FieldType::Integer}, {c.field, FieldType::String}};
    if (*c.tableName) rows.attribute("TABLE_NAME", Variant(c.tableName));
    rows.inserted({Variant(9), Variant("NUEVO")});
    std::int32_t errorCount = -1;
    Variant owner, result;
    auto status =
        module().AS_ApplyUpdates("DSPQ_CLIENTES", rows.build(), -1, errorCount, owner, result);
    ASSERT_TRUE(status.ok()) << status.message;
    EXPECT_EQ(errorCount, 1);
    ASSERT_EQ(result.type(), Variant::Type::Packet);
    const auto& failed = result.asPacket()->rows.at(0);
    ASSERT_TRUE(failed.error.has_value());
    EXPECT_EQ(failed.error->message.rfind(c.error, 0), 0u) << failed.error->message;
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM CLIENTES"), "5");
}

const HostileCase kHostileCases[] = {
    {"column_selecting_the_table_list", "",
     "NOMBRE\") SELECT ?, ? || (SELECT group_concat(name) FROM sqlite_master WHERE "
     "type='table') /*",
     "table CLIENTES has no column named NOMBRE\") SELECT"},
    {"table_name_with_a_statement_tail", "CLIENTES\" SET x=1 --", "NOMBRE",
     "no such table: CLIENTES\" SET x=1 --"},
    {"table_name_quoted_then_more", "\"CLIENTES\"(ID_CLIENTE) VALUES (99); --", "NOMBRE",
     "no such table"},
    {"column_with_a_control_character", "", "NOM\x01BRE",
     "The name \"NOM\x01BRE\" holds a NUL or control"},
    {"table_with_a_line_break", "CLIENTES\n", "NOMBRE", "The name \"CLIENTES\n\" holds a NUL"},
};

INSTANTIATE_TEST_SUITE_P(Apply, HostileNames, ::testing::ValuesIn(kHostileCases), CaseName());

}  // namespace
}  // namespace zorvanil::test
