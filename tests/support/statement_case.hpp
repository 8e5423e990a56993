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

class StatementCaseTest : public ListReadFixture,
                          public ::testing::WithParamInterface<StatementCase> {
  protected:
    // Reads the case's page and checks the statements sent, the rows and their count, and that
    // the dataset is closed afterwards.
    void check();
};

// A read refused before any statement is composed or sent: the provider, its options string and
// the message of the failure.
struct RefusedReadCase {
    const char* name;
    const char* provider;
    CaseOptions options;
    const char* message;
};
void PrintTo(const RefusedReadCase& c, std::ostream* os);

class RefusedReadTest : public ListReadFixture,
                        public ::testing::WithParamInterface<RefusedReadCase> {
  protected:
    // Reads the case's page and checks the message, that nothing was sent and that the object
    // serves the next read.
    void check();
};

}  // namespace zorvanil::test
