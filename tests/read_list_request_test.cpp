#include <gtest/gtest.h>

#include "db/sql_dataset.hpp"
#include "server/provider.hpp"
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

TEST_F(ReadListRequest, BlankSearchTextComposesNothing) {
    const std::string blank = ListOptions{.searchText = " \t ", .searchMode = "3"}.text();
    // A fresh object: no statement at all.
    EXPECT_EQ(read("DSPQ_CLIENTES", -1, Variant(blank)).status.message,
              "Missing query, table name or procedure name");
    EXPECT_TRUE(sent.empty());
    // The design-time statement of Q_ARTICULOS.
    ReadResult design = read("DSPQ_ARTICULOS", -1, Variant(blank));
    ASSERT_TRUE(design.status.ok()) << design.status.message;
    EXPECT_EQ(sent.front(), "select * from articulos");

    // After a search on page 1, a blank request runs the same statement from its first row.
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

TEST_F(ReadListRequest, ModesAreComparedExactly) {
    ReadResult r = read("DSPQ_CLIENTES", -1,
                        Variant(ListOptions{.searchText = "AL", .searchMode = " 1"}.text()));
    ASSERT_TRUE(r.status.ok()) << r.status.message;
    EXPECT_EQ(sent.front(), "SELECT * FROM CLIENTES ");
    EXPECT_EQ(sorted(rows(r, "ID_CLIENTE")), kAllCustomers);
}

TEST_F(ReadListRequest, PagesSkipTheRowsOfEarlierPages) {
    addCustomers();
    // Page 3 of 20: rows 61 onwards, as many as asked for.
    ReadResult third = read("DSPQ_CLIENTES", 5, Variant(page("3", "20")));
    ASSERT_TRUE(third.status.ok()) << third.status.message;
    EXPECT_EQ(rows(third, "ID_CLIENTE"), keys(161, 165));
    ReadResult rest = read("DSPQ_CLIENTES", 50, Variant(page("3", "20")));
    EXPECT_EQ(rows(rest, "ID_CLIENTE"), keys(161, 200));
    // Page 0 starts at the first row whatever the size; a page past the end is empty.
    EXPECT_EQ(rows(read("DSPQ_CLIENTES", 2, Variant(page("0", "20"))), "ID_CLIENTE"),
              keys(101, 102));
    ReadResult past = read("DSPQ_CLIENTES", 5, Variant(page("5", "20")));
    ASSERT_TRUE(past.status.ok()) << past.status.message;
    EXPECT_EQ(past.recsOut, 0);
    // The reset option rewinds before packing: the statement runs again and the skip is undone.
    ReadResult reset = read("DSPQ_CLIENTES", 5, Variant(page("3", "20")), grReset | grMetaData);
    EXPECT_EQ(rows(reset, "ID_CLIENTE"), keys(101, 105));
}

TEST_F(ReadListRequest, PageSkipIsA32BitProduct) {
    addCustomers();
    // 65536 x 65536 wraps to 0; 2147483647 x 2 wraps to -2, which skips nothing.
    EXPECT_EQ(rows(read("DSPQ_CLIENTES", 1, Variant(page("65536", "65536"))), "ID_CLIENTE"),
              keys(101, 101));
    EXPECT_EQ(rows(read("DSPQ_CLIENTES", 1, Variant(page("2147483647", "2"))), "ID_CLIENTE"),
              keys(101, 101));
    EXPECT_EQ(rows(read("DSPQ_CLIENTES", 1, Variant(page("-3", "20"))), "ID_CLIENTE"),
              keys(101, 101));
    // 65537 x 65536 wraps to 65536: past the end.
    EXPECT_EQ(read("DSPQ_CLIENTES", 1, Variant(page("65537", "65536"))).recsOut, 0);
}

TEST_F(ReadListRequest, APageTokenThatIsNoIntegerFailsBeforeAnySql) {
    ReadResult r = read("DSPQ_CLIENTES", -1, Variant(ListOptions{.pageNumber = "x"}.text()));
    EXPECT_EQ(r.status.message, "'x' is not a valid integer value");
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(read("DSPQ_CLIENTES", -1, Variant(ListOptions{.pageSize = ""}.text())).status.message,
              "'' is not a valid integer value");
    // The object stays usable.
    EXPECT_TRUE(read("DSPQ_CLIENTES", -1, Variant("")).status.ok());
}

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

// Values between apostrophes have their apostrophes doubled: the value is searched for as typed
// and cannot end the literal. Values in other positions, and the raw modes, go as sent.
TEST_F(ReadListRequest, ApostrophesInQuotedValues) {
    ReadResult horta = read(
        "DSPQ_CLIENTES", -1,
        Variant(
            ListOptions{.searchText = "L'HORTA", .searchMode = "1", .deletedFilter = "0"}.text()));
    ASSERT_TRUE(horta.status.ok()) << horta.status.message;
    EXPECT_EQ(sent.front(),
              "SELECT * FROM CLIENTES  WHERE (NIF LIKE ('L''HORTA%') OR CHAR(ID_CLIENTE) LIKE "
              "('L''HORTA%') OR NOMBRE LIKE ('L''HORTA%')) AND CHAR(BORRADO) LIKE ('0%') ");
    EXPECT_EQ(rows(horta, "ID_CLIENTE"), std::vector<std::string>{"3"});

    // A value written to widen the search finds nothing instead of every customer.
    ReadResult widened = read(
        "DSPQ_CLIENTES", -1,
        Variant(ListOptions{.searchText = "X' OR '1'='1", .searchMode = "2", .deletedFilter = "0"}
                    .text()));
    ASSERT_TRUE(widened.status.ok()) << widened.status.message;
    EXPECT_EQ(sent.front(), "SELECT * FROM CLIENTES  WHERE NIF='X'' OR ''1''=''1' AND BORRADO=0 ");
    EXPECT_EQ(widened.recsOut, 0);

    // The deleted filter in its quoted and its unquoted position.
    ReadResult filter = read(
        "DSPQ_CLIENTES", -1,
        Variant(ListOptions{
            .searchText = "33333333C", .searchMode = "2", .deletedFilter = "0 OR NOMBRE='ALBA'"}
                    .text()));
    ASSERT_TRUE(filter.status.ok()) << filter.status.message;
    EXPECT_EQ(sent.front(),
              "SELECT * FROM CLIENTES  WHERE NIF='33333333C' AND BORRADO=0 OR NOMBRE='ALBA' ");
    EXPECT_EQ(sorted(rows(filter, "ID_CLIENTE")), (std::vector<std::string>{"1", "3"}));

    // A raw mode: the client's condition is SQL, its apostrophes included.
    ReadResult rawMode = read(
        "DSPQ_CLIENTES", -1,
        Variant(ListOptions{.searchText = "WHERE NOMBRE='L''HORTA'", .searchMode = "3"}.text()));
    ASSERT_TRUE(rawMode.status.ok()) << rawMode.status.message;
    EXPECT_EQ(sent.front(), "SELECT * FROM CLIENTES WHERE NOMBRE='L''HORTA' ");
    EXPECT_EQ(rows(rawMode, "ID_CLIENTE"), std::vector<std::string>{"3"});

    // A family code with an apostrophe, between apostrophes too.
    ReadResult family =
        read("DSPQ_ARTICULOS", -1,
             Variant(ListOptions{
                 .searchText = "L", .searchMode = "3", .deletedFilter = "0", .value2 = "0'1"}
                         .text()));
    ASSERT_TRUE(family.status.ok()) << family.status.message;
    EXPECT_NE(sent.front().find("cod_familia='0''1'"), std::string::npos);
    EXPECT_EQ(family.recsOut, 0);
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
