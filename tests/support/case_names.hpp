#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace zorvanil::test {

// How every table-driven suite shows its cases. A case type has a `name` (letters, digits and
// '_'), which CaseName makes the name of the case's test, and a PrintTo beside it that writes
// what the case puts in, on one line, which gtest prints as "GetParam() = ..." and ctest shows
// in the test's title:
//
//   void PrintTo(const PageCase& c, std::ostream* os);
//   INSTANTIATE_TEST_SUITE_P(Pages, PageTest, ::testing::ValuesIn(kPageCases), CaseName());
struct CaseName {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
        return std::string(info.param.name);
    }
};

// The text between double quotes, with a backslash before quotes and backslashes and every
// byte outside printable ASCII written as \xNN, so that any text prints on one line.
std::string quotedText(std::string_view text);

}  // namespace zorvanil::test
