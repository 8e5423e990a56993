#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/case_names.hpp"
#include "support/list_options.hpp"
#include "support/list_read_fixture.hpp"

namespace zorvanil::test {

// One read: the provider, its options string, the statement it must send (byte for byte) and the
// rows that statement returns from the fixture's data, in any order.
struct StatementCase {
    const char* name;
    const char* provider;
    CaseOptions options;
    const char* statement;
    const char* columns;
    std::vector<std::string> rows;
};
// The provider and the options: "DSPQ_CLIENTES searchText="AL" searchMode="1"".
void PrintTo(const StatementCase& c, std::ostream* os);

// A test per statement case, named after the case (CaseName).
class StatementCaseTest : public ListReadFixture,
                          public ::testing::WithParamInterface<StatementCase> {
  protected:
    // Reads the case's page and checks the statements sent, the rows and that the dataset is
    // closed afterwards.
    void check();
};

}  // namespace zorvanil::test
