#include <gtest/gtest.h>

#include "common/error.hpp"
#include "read/option_tokens.hpp"
#include "read/options_record.hpp"

namespace zorvanil::test {
namespace {

using read::ParseOwnerData;
using read::TMIRECORD;

std::string options(std::initializer_list<std::string> tokens) {
    std::string out;
    for (auto& t : tokens)
        out += t + "-***#";
    return out;
}

TMIRECORD parse(const Variant& v) {
    TMIRECORD r;
    ParseOwnerData(v, r);
    return r;
}

TEST(OptionsString, EmptyNullOrUnassignedGiveTheDefaults) {
    for (const Variant& v : {Variant(), Variant::null(), Variant("")}) {
        TMIRECORD r = parse(v);
        EXPECT_EQ(r.PageNumber, 0);
        EXPECT_EQ(r.PageSize, 0);
        EXPECT_EQ(r.Company, "1");
        EXPECT_EQ(r.Year, "1990");
        EXPECT_EQ(r.SearchText, "ASD");
        EXPECT_EQ(r.DeletedFilter, "-1");
        EXPECT_EQ(r.TypeFilter, "-1");
        EXPECT_EQ(r.SearchMode, "");
        EXPECT_EQ(r.Series, "");
    }
}

TEST(OptionsString, TokensGoToTheirFieldsAsTheyStand) {
    TMIRECORD r =
        parse(Variant(options({"3", "20", "2", "2025", "2024", "7", " L'HORTA ", " 1",
                               "ORDER BY NOMBRE", "ORDER BY LINEA", "", "FAM", "AND X=1", "A"}) +
                      "ignored-***#more"));
    EXPECT_EQ(r.PageNumber, 3);
    EXPECT_EQ(r.PageSize, 20);
    EXPECT_EQ(r.Company, "2");
    EXPECT_EQ(r.Year, "2025");
    EXPECT_EQ(r.Year2, "2024");
    EXPECT_EQ(r.TypeFilter, "7");
    EXPECT_EQ(r.SearchText, " L'HORTA ");
    EXPECT_EQ(r.SearchMode, " 1");
    EXPECT_EQ(r.OrderClause, "ORDER BY NOMBRE");
    EXPECT_EQ(r.DetailOrderClause, "ORDER BY LINEA");
    EXPECT_EQ(r.DeletedFilter, "");
    EXPECT_EQ(r.Value2, "FAM");
    EXPECT_EQ(r.ExtraClause, "AND X=1");
    EXPECT_EQ(r.Series, "A");
}

TEST(OptionsString, ShortStringsLeaveEmptyTokens) {
    TMIRECORD r = parse(Variant(options({"2", "50"})));
    EXPECT_EQ(r.PageNumber, 2);
    EXPECT_EQ(r.PageSize, 50);
    EXPECT_EQ(r.SearchText, "");
    EXPECT_EQ(r.Company, "");
    EXPECT_EQ(r.DeletedFilter, "");
    // The fourteenth token without its separator is empty.
    std::string thirteen =
        options({"0", "10", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"});
    EXPECT_EQ(parse(Variant(thirteen + "S")).Series, "");
}

TEST(OptionsString, PageTokensMustBeIntegers) {
    auto message = [](const std::string& text) {
        try {
            parse(Variant(text));
        } catch (const Error& e) {
            return std::string(e.what());
        }
        return std::string("(no error)");
    };
    EXPECT_EQ(message(options({"x", "10"})), "'x' is not a valid integer value");
    EXPECT_EQ(message("-***#10-***#"), "'' is not a valid integer value");
    EXPECT_EQ(message(options({"1", "ten"})), "'ten' is not a valid integer value");
    // Without any separator the first token is empty.
    EXPECT_EQ(message("12"), "'' is not a valid integer value");
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
