#include "support/statement_case.hpp"

#include "db/sql_dataset.hpp"

namespace zorvanil::test {

void PrintTo(const StatementCase& c, std::ostream* os) {
    *os << c.provider << ' ' << c.options.shown;
}

void StatementCaseTest::check() {
    const StatementCase& c = GetParam();
    ReadResult r = read(c.provider, -1, Variant(c.options.text));
    ASSERT_TRUE(r.status.ok()) << r.status.message;
    // The first statement is the handler's; a short page rewinds, which runs it once more. The
    // others are the name lookups of the rows packed.
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front(), c.statement);
    const std::string& dataSet = module().FindProvider(c.provider).dataSet()->name();
    for (const std::string& s : sent) {
        if (!isNameLookup(dataSet, s)) {
            EXPECT_EQ(s, c.statement);
        }
    }
    EXPECT_EQ(sorted(rows(r, c.columns)), sorted(c.rows));
    EXPECT_EQ(r.recsOut, static_cast<std::int32_t>(c.rows.size()));
    EXPECT_FALSE(module().FindProvider(c.provider).dataSet()->active());
}

void PrintTo(const RefusedReadCase& c, std::ostream* os) {
    *os << c.provider << ' ' << c.options.shown;
}

void RefusedReadTest::check() {
    const RefusedReadCase& c = GetParam();
    EXPECT_EQ(read(c.provider, -1, Variant(c.options.text)).status.message, c.message);
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(read("DSPQ_CLIENTES", -1, Variant("")).status.ok());
}

}  // namespace zorvanil::test
