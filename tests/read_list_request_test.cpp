#include <gtest/gtest.h>

#include "db/sql_dataset.hpp"
#include "server/provider.hpp"
#include "support/case_names.hpp"
#include "support/list_read_fixture.hpp"

namespace zorvanil::test {
namespace {

using server::grMetaData;
using server::grReset;

const std::vector<std::string> kAllCustomers = {"1", "12", "2", "3", "4", "5"};

class ReadListRequest : public ListReadFixture {
  protected:
    db::SQLDataSet& Q_CLIENTES() { return module().dataSet("Q_CLIENTES"); }

    // A hundred more customers, 101 to 200, for paging.
    void addCustomers() {
        db.exec(
            "WITH RECURSIVE n(i) AS (SELECT 101 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
            "INSERT INTO CLIENTES (ID_CLIENTE, NIF, NOMBRE, BORRADO) "
            "SELECT i, 'N' || i, 'CLIENTE ' || i, 0 FROM n");
    }
    // Customers above 100 in key order, page by page.
    static std::string page(std::string number, std::string size) {
        return ListOptions{.pageNumber = std::move(number),
                           .pageSize = std::move(size),
                           .searchText = "WHERE ID_CLIENTE > 100",
                           .searchMode = "3",
                           .orderClause = "ORDER BY ID_CLIENTE"}
            .text();
    }
    static std::vector<std::string> keys(int from, int to) {
        std::vector<std::string> out;
        for (int i = from; i <= to; ++i)
            out.push_back(std::to_string(i));
        return out;
    }
};

TEST_F(ReadListRequest, EmptyOptionsStringUsesTheDefaults) {
    // SearchText "ASD" and no mode: the whole table.
    for (const Variant& owner : {Variant(), Variant::null(), Variant("")}) {
        ReadResult r = read("DSPQ_CLIENTES", -1, owner);
        ASSERT_TRUE(r.status.ok()) << r.status.message;
        EXPECT_EQ(sent.front(), "SELECT * FROM CLIENTES ");
        EXPECT_EQ(sorted(rows(r, "ID_CLIENTE")), kAllCustomers);
    }
    // A provider that searches without a mode test searches for "ASD".
    ReadResult r = read("DSPQ_FORMAPAGO", -1, Variant(""));
    ASSERT_TRUE(r.status.ok()) << r.status.message;
    EXPECT_EQ(sent.front(),
              "SELECT ID_FORMA,DESCRIPCION FROM FORMAPAGO  WHERE ID_FORMA LIKE ('ASD%') OR "
              "DESCRIPCION LIKE ('ASD%') ");
    EXPECT_EQ(rows(r, "ID_FORMA"), std::vector<std::string>{"CH"});
}

// After a search on page 1, a blank search text runs the same statement from its first row.
TEST_F(ReadListRequest, BlankSearchTextRunsTheLastStatementAgain) {
    const std::string blank = ListOptions{.searchText = " \t ", .searchMode = "3"}.text();
    const std::string search = ListOptions{.pageNumber = "1",
                                           .pageSize = "1",
                                           .searchText = "1",
                                           .searchMode = "1",
                                           .orderClause = "ORDER BY ID_CLIENTE",
                                           .deletedFilter = "0"}
                                   .text();
    ReadResult paged = read("DSPQ_CLIENTES", -1, Variant(search));
    ASSERT_TRUE(paged.status.ok()) << paged.status.message;
    EXPECT_EQ(rows(paged, "ID_CLIENTE"), std::vector<std::string>{"12"});
    const std::string statement = sent.front();
    ReadResult again = read("DSPQ_CLIENTES", -1, Variant(blank));
    ASSERT_TRUE(again.status.ok()) << again.status.message;
    EXPECT_EQ(sent.front(), statement);
    EXPECT_EQ(rows(again, "ID_CLIENTE"), (std::vector<std::string>{"1", "12"}));
}

// A page of customers above 100: the page number and size, how many rows are asked for, and the
// first key and number of rows that come back.
struct PageCase {
    const char* name;
    const char* pageNumber;
    const char* pageSize;
    std::int32_t count;
    bool reset;
    int firstKey;
    int rowCount;
};
void PrintTo(const PageCase& c, std::ostream* os) {
    *os << "page " << c.pageNumber << " of " << c.pageSize << ", count " << c.count
        << (c.reset ? ", reset" : "");
}

// Pages skip the rows of earlier pages; the skip is a 32-bit product.
const PageCase kPageCases[] = {
    // Page 3 of 20: rows 61 onwards, as many as asked for.
    {"Page3", "3", "20", 5, false, 161, 5},
    {"Page3_ToTheEnd", "3", "20", 50, false, 161, 40},
    // Page 0 starts at the first row whatever the size; a page past the end is empty.
    {"Page0", "0", "20", 2, false, 101, 2},
    {"PastTheEnd", "5", "20", 5, false, 0, 0},
    // The reset option rewinds before packing: the statement runs again and the skip is undone.
    {"Page3_Reset", "3", "20", 5, true, 101, 5},
    // 65536 x 65536 wraps to 0; 2147483647 x 2 wraps to -2, which skips nothing.
    {"SkipWrapsToZero", "65536", "65536", 1, false, 101, 1},
    {"SkipWrapsBelowZero", "2147483647", "2", 1, false, 101, 1},
    {"NegativePage", "-3", "20", 1, false, 101, 1},
    // 65537 x 65536 wraps to 65536: past the end.
    {"SkipWrapsPastTheEnd", "65537", "65536", 1, false, 0, 0},
};

class ReadListPage : public ReadListRequest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(ReadListPage, StartsAfterTheRowsOfEarlierPages) {
    const PageCase& c = GetParam();
    addCustomers();
    ReadResult r = read("DSPQ_CLIENTES", c.count, Variant(page(c.pageNumber, c.pageSize)),
                        c.reset ? grReset | grMetaData : grMetaData);
    ASSERT_TRUE(r.status.ok()) << r.status.message;
    EXPECT_EQ(r.recsOut, c.rowCount);
    EXPECT_EQ(rows(r, "ID_CLIENTE"), keys(c.firstKey, c.firstKey + c.rowCount - 1));
}

INSTANTIATE_TEST_SUITE_P(ReadListPages, ReadListPage, ::testing::ValuesIn(kPageCases), CaseName());

TEST_F(ReadListRequest, TheDatasetIsClosedAfterEveryReadAndKeepsItsStatement) {
    // A full page leaves the provider's cursor open; the after-read handler closes it.
    ReadResult r = read("DSPQ_CLIENTES", 2, Variant(""));
    ASSERT_EQ(r.recsOut, 2);
    EXPECT_FALSE(Q_CLIENTES().active());
    EXPECT_EQ(Q_CLIENTES().commandText(), "SELECT * FROM CLIENTES ");
    // So the next page composes and opens afresh.
    ReadResult next = read("DSPQ_CLIENTES", 2, Variant(""));
    EXPECT_EQ(sent, std::vector<std::string>{"SELECT * FROM CLIENTES "});
    EXPECT_EQ(rows(next, "ID_CLIENTE"), (std::vector<std::string>{"1", "2"}));
}

TEST_F(ReadListRequest, StatementsTheDatabaseRejectsFailTheRequest) {
    // Mode "2" with an empty deleted filter: the statement ends in "BORRADO= ".
    ReadResult r = read(
        "DSPQ_CLIENTES", -1,
        Variant(
            ListOptions{.searchText = "22222222B", .searchMode = "2", .deletedFilter = ""}.text()));
    EXPECT_FALSE(r.status.ok());
    EXPECT_EQ(Q_CLIENTES().commandText(),
              "SELECT * FROM CLIENTES  WHERE NIF='22222222B' AND BORRADO= ");
    EXPECT_FALSE(Q_CLIENTES().active());
    // NUMERO1 compared with an unquoted word.
    ReadResult word = read("DSPQ_ALMACENDETALLE2", -1,
                           Variant(ListOptions{.searchText = "ABC", .searchMode = "1"}.text()));
    EXPECT_FALSE(word.status.ok());
    EXPECT_EQ(module().dataSet("Q_ALMACENDETALLE2").commandText(),
              "SELECT * FROM ALMACENDETALLE2  WHERE (CODIGO_BARRAS='ABC') OR NUMERO1=ABC ");
    // The object stays usable.
    EXPECT_TRUE(read("DSPQ_CLIENTES", -1, Variant("")).status.ok());
}

TEST_F(ReadListRequest, MaximoRunsTheClientsStatement) {
    EXPECT_EQ(read("DSPQ_MAXIMO", -1, Variant()).status.message,
              "Missing query, table name or procedure name");
    ReadResult r = read("DSPQ_MAXIMO", -1, Variant("ignored"), grMetaData,
                        "SELECT MAX(ID_CLIENTE) AS M FROM CLIENTES");
    ASSERT_TRUE(r.status.ok()) << r.status.message;
    EXPECT_EQ(rows(r, "M"), std::vector<std::string>{"12"});
    EXPECT_FALSE(module().dataSet("Q_MAXIMO").active());
    // Without command text the statement of the previous request runs again.
    db.exec("INSERT INTO CLIENTES (ID_CLIENTE, NOMBRE, BORRADO) VALUES (40, 'NUEVO', 0)");
    ReadResult again = read("DSPQ_MAXIMO", -1, Variant());
    ASSERT_TRUE(again.status.ok()) << again.status.message;
    EXPECT_EQ(rows(again, "M"), std::vector<std::string>{"40"});
}

}  // namespace
}  // namespace zorvanil::test
