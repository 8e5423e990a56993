#include <gtest/gtest.h>

#include "common/error.hpp"
#include "read/option_tokens.hpp"
#include "read/options_record.hpp"
#include "support/case_names.hpp"
#include "support/list_options.hpp"
#include "support/message_of.hpp"

namespace zorvanil::test {
namespace {

using read::ParseOwnerData;
using read::TMIRECORD;

TMIRECORD parse(const Variant& v) {
    TMIRECORD r;
    ParseOwnerData(v, r);
    return r;
}

// The record's fields in token order.
ListOptions tokensOf(const TMIRECORD& r) {
    return ListOptions{.pageNumber = std::to_string(r.PageNumber),
                       .pageSize = std::to_string(r.PageSize),
                       .company = r.Company,
                       .year = r.Year,
                       .year2 = r.Year2,
                       .typeFilter = r.TypeFilter,
                       .searchText = r.SearchText,
                       .searchMode = r.SearchMode,
                       .orderClause = r.OrderClause,
                       .detailOrderClause = r.DetailOrderClause,
                       .deletedFilter = r.DeletedFilter,
                       .value2 = r.Value2,
                       .extraClause = r.ExtraClause,
                       .series = r.Series};
}

// An owner data and the record it parses into.
struct ParseCase {
    const char* name;
    Variant ownerData;
    ListOptions record;
};
void PrintTo(const ParseCase& c, std::ostream* os) {
    if (c.ownerData.isUnassigned() || c.ownerData.isNull())
        *os << Variant::typeName(c.ownerData.type());
    else
        *os << quotedText(c.ownerData.asString());
}

// clang-format off
const ParseCase kParseCases[] = {
    // Empty, null or unassigned: the defaults.
    {"Unassigned", Variant(), ListOptions{}},
    {"Null", Variant::null(), ListOptions{}},
    {"Empty", Variant(""), ListOptions{}},
    // Tokens go to their fields as they stand; what follows the fourteenth is ignored.
    {"EveryToken", Variant(tokens({"3", "20", "2", "2025", "2024", "7", " L'HORTA ", " 1", "ORDER BY NOMBRE", "ORDER BY LINEA", "", "FAM", "AND X=1", "A"}) + "ignored-***#more"),
     ListOptions{.pageNumber = "3", .pageSize = "20", .company = "2", .year = "2025", .year2 = "2024", .typeFilter = "7", .searchText = " L'HORTA ", .searchMode = " 1",
                 .orderClause = "ORDER BY NOMBRE", .detailOrderClause = "ORDER BY LINEA", .deletedFilter = "", .value2 = "FAM", .extraClause = "AND X=1", .series = "A"}},
    // Short strings leave empty tokens, not the defaults.
    {"TwoTokens", Variant(tokens({"2", "50"})),
     ListOptions{.pageNumber = "2", .pageSize = "50", .company = "", .year = "", .typeFilter = "", .searchText = "", .deletedFilter = ""}},
    // The fourteenth token without its separator is empty.
    {"LastTokenUnclosed", Variant(tokens({"0", "10", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"}) + "S"),
     ListOptions{.pageNumber = "0", .pageSize = "10", .company = "1", .year = "2", .year2 = "3", .typeFilter = "4", .searchText = "5", .searchMode = "6",
                 .orderClause = "7", .detailOrderClause = "8", .deletedFilter = "9", .value2 = "10", .extraClause = "11", .series = ""}},
};
// clang-format on

class OptionsStringParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(OptionsStringParse, FillsEveryFieldOfTheRecord) {
    EXPECT_EQ(tokensOf(parse(GetParam().ownerData)), GetParam().record);
}

INSTANTIATE_TEST_SUITE_P(OptionsString, OptionsStringParse, ::testing::ValuesIn(kParseCases),
                         CaseName());

TEST(OptionsString, PageTokensMustBeIntegers) {
    const std::pair<std::string, std::string> cases[] = {
        {tokens({"x", "10"}), "'x' is not a valid integer value"},
        {"-***#10-***#", "'' is not a valid integer value"},
        {tokens({"1", "ten"}), "'ten' is not a valid integer value"},
        // Without any separator the first token is empty.
        {"12", "'' is not a valid integer value"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(messageOf([&] { parse(Variant(text)); }), message) << text;
}

TEST(OptionsString, CuttingRuleWithoutSeparatorDropsFourCharacters) {
    read::OptionTokens t("abcdefgh");
    EXPECT_EQ(t.next(), "");
    EXPECT_EQ(t.rest(), "efgh");
    read::OptionTokens u("a-***#b");
    EXPECT_EQ(u.next(), "a");
    EXPECT_EQ(u.next(), "");
    EXPECT_EQ(u.rest(), "");
}

}  // namespace
}  // namespace zorvanil::test
