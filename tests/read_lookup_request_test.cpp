#include <gtest/gtest.h>

#include "db/sql_dataset.hpp"
#include "server/provider.hpp"
#include "support/list_read_fixture.hpp"

namespace zorvanil::test {
namespace {

const std::vector<std::string> kAllArticles = {"CABLE-1", "LAMP-100", "LAMP-200", "LED-7W"};

class ReadLookupRequest : public ListReadFixture {};

TEST_F(ReadLookupRequest, ListAllModeGoesOnWithoutSearchText) {
    // Mode "4" with an empty search: the whole table in the client's order.
    ReadResult families =
        read("DSPQ_FAMILIASAUX", -1,
             Variant(ListOptions{
                 .searchText = "", .searchMode = "4", .orderClause = "ORDER BY COD_FAMILIA DESC"}
                         .text()));
    ASSERT_TRUE(families.status.ok()) << families.status.message;
    EXPECT_EQ(sent.front(), "SELECT * FROM FAMILIAS  ORDER BY COD_FAMILIA DESC");
    EXPECT_EQ(rows(families, "COD_FAMILIA"),
              (std::vector<std::string>{"0201", "02", "0102", "0101", "01"}));

    // " 4" passes the stop test, which trims the mode, and matches no mode, which do not.
    ReadResult articles = read("DSPQ_ARTICULOSAUX", -1,
                               Variant(ListOptions{.searchText = "", .searchMode = " 4"}.text()));
    ASSERT_TRUE(articles.status.ok()) << articles.status.message;
    EXPECT_EQ(sent.front(), "SELECT * FROM ARTICULOS ");
    EXPECT_EQ(sorted(rows(articles, "ID_ARTICULO")), kAllArticles);

    // Blanks in the search text stay in the statement.
    ReadResult blanks =
        read("DSPQ_ARTICULOSAUX", -1,
             Variant(ListOptions{.searchText = "  ", .searchMode = "4", .orderClause = "ORDER BY 1"}
                         .text()));
    ASSERT_TRUE(blanks.status.ok()) << blanks.status.message;
    EXPECT_EQ(sent.front(), "SELECT * FROM ARTICULOS    ORDER BY 1");
}

TEST_F(ReadLookupRequest, EmptySearchStopsInEveryOtherMode) {
    // Mode "3" of DSPQ_FAMILIASAUX stops: a fresh object has no statement to read with.
    EXPECT_EQ(read("DSPQ_FAMILIASAUX", -1,
                   Variant(ListOptions{.searchText = " ", .searchMode = "3"}.text()))
                  .status.message,
              "Missing query, table name or procedure name");
    // Short layouts stop on their search token.
    EXPECT_EQ(read("DSPQ_COLORESAUX", -1, Variant(tokens({"0", "0", " ", "1"}))).status.message,
              "Missing query, table name or procedure name");
    EXPECT_EQ(read("DSPQ_TIPOS", -1, Variant(tokens({""}))).status.message,
              "Missing query, table name or procedure name");
    EXPECT_EQ(read("DSPQ_FCLIENTE", -1, Variant(tokens({"  ", "0"}))).status.message,
              "Missing query, table name or procedure name");
    EXPECT_TRUE(sent.empty());
    // Q_ARTICULOSAUX holds its design-time statement.
    ReadResult design = read("DSPQ_ARTICULOSAUX", -1,
                             Variant(ListOptions{.searchText = "", .searchMode = "1"}.text()));
    ASSERT_TRUE(design.status.ok()) << design.status.message;
    EXPECT_EQ(sent.front(), "SELECT * FROM ARTICULOS");
}

TEST_F(ReadLookupRequest, ShortLayouts) {
    // Missing tokens are empty, not their defaults: the deleted filter then matches every mark.
    ReadResult nif = read("DSPQ_FCLIENTE", -1, Variant(tokens({"12345678Z"})));
    ASSERT_TRUE(nif.status.ok()) << nif.status.message;
    EXPECT_EQ(sent.front(),
              "SELECT NIF,NOMBRE FROM CLIENTES WHERE NIF='12345678Z' and CHAR(BORRADO) LIKE "
              "('%')  ORDER BY NOMBRE");
    EXPECT_EQ(rows(nif, "NOMBRE"), std::vector<std::string>{"ALBERTO"});
    // Page tokens must be integers, an empty one included.
    EXPECT_EQ(
        read("DSPQ_CLIENTEAUX", -1, Variant(tokens({"a", "0", "AL", "0", "1"}))).status.message,
        "'a' is not a valid integer value");
    EXPECT_EQ(read("DSPQ_EAN", -1, Variant(tokens({"0"}))).status.message,
              "'' is not a valid integer value");
    EXPECT_TRUE(sent.empty());
    // The paged layouts skip page number x page size rows.
    ReadResult page = read("DSPQ_COLORESAUX", -1, Variant(tokens({"1", "2", "X", "0"})));
    ASSERT_TRUE(page.status.ok()) << page.status.message;
    EXPECT_EQ(page.recsOut, 3);
    // A supplier key that is no number is pasted as it stands, and the database rejects it.
    EXPECT_FALSE(read("DSPQ_TIPOS", -1, Variant(tokens({"ABC"}))).status.ok());
    EXPECT_EQ(module().dataSet("Q_TIPOS").commandText(),
              "SELECT ID_TIPO,ID_PROVEEDOR,SUBCUENTA FROM TIPOS WHERE ID_PROVEEDOR=ABC");
}

TEST_F(ReadLookupRequest, ArticleByBarCodeAnswersFromTheFirstRow) {
    // Defaults: code "1", supplier 1990.
    ReadResult defaults = read("DSPQ_ARTICULOEAN", -1, Variant(""));
    ASSERT_TRUE(defaults.status.ok()) << defaults.status.message;
    EXPECT_EQ(sent.front(),
              "SELECT * FROM ARTICULOS  WHERE (ID_ARTICULO IN (SELECT ID_ARTICULO FROM EAN WHERE "
              "EAN='1') OR ID_ARTICULO ='1') AND ID_PROVEEDOR=1990 ");
    EXPECT_EQ(defaults.recsOut, 0);
    // No page is skipped: page 1 of size 1 still returns the one article.
    ReadResult paged =
        read("DSPQ_ARTICULOEAN", -1,
             Variant(ListOptions{
                 .pageNumber = "1", .pageSize = "1", .company = "8400000000024", .year = ""}
                         .text()));
    ASSERT_TRUE(paged.status.ok()) << paged.status.message;
    EXPECT_EQ(rows(paged, "ID_ARTICULO"), std::vector<std::string>{"LAMP-100"});
}

TEST_F(ReadLookupRequest, GetDataLeavesThePacketAsBuilt) {
    ReadResult ean = read("DSPQ_EAN", -1, Variant(tokens({"0", "0", "LAMP-100"})));
    ASSERT_TRUE(ean.status.ok()) << ean.status.message;
    EXPECT_EQ(rows(ean, "ID_ARTICULO,EAN"),
              (std::vector<std::string>{"LAMP-100,8400000000017", "LAMP-100,8400000000024"}));
    ReadResult families = read(
        "DSPQ_FAMILIASAUX", 2,
        Variant(
            ListOptions{.searchText = "0", .searchMode = "1", .orderClause = "ORDER BY 1"}.text()));
    ASSERT_TRUE(families.status.ok()) << families.status.message;
    EXPECT_EQ(rows(families, "COD_FAMILIA,DESCRIPCION,PROFUNDIDAD"),
              (std::vector<std::string>{"01,ILUMINACION,1", "0101,LAMPARAS,2"}));
}

TEST_F(ReadLookupRequest, ApostrophesInQuotedValues) {
    ReadResult supplier = read(
        "dspq_proveedor_acreedoraux", -1,
        Variant(ListOptions{.searchText = "L'E", .searchMode = "1", .deletedFilter = "0"}.text()));
    ASSERT_TRUE(supplier.status.ok()) << supplier.status.message;
    EXPECT_EQ(rows(supplier, "ID_PROVEEDOR"), std::vector<std::string>{"10"});
    // Trimmed and doubled.
    ReadResult family = read("DSPQ_FAMILIASAUX", -1,
                             Variant(ListOptions{.searchText = " O'X ", .searchMode = "3"}.text()));
    ASSERT_TRUE(family.status.ok()) << family.status.message;
    EXPECT_EQ(sent.front(), "SELECT * FROM FAMILIAS  WHERE COD_FAMILIA  = 'O''X' ");
    // Short layouts: a tax number written to match every customer matches none.
    ReadResult nif = read("DSPQ_FCLIENTE", -1, Variant(tokens({"X' OR '1'='1", "0"})));
    ASSERT_TRUE(nif.status.ok()) << nif.status.message;
    EXPECT_EQ(sent.front(),
              "SELECT NIF,NOMBRE FROM CLIENTES WHERE NIF='X'' OR ''1''=''1' and CHAR(BORRADO) "
              "LIKE ('0%')  ORDER BY NOMBRE");
    EXPECT_EQ(nif.recsOut, 0);
    ReadResult customer = read("DSPQ_CLIENTEAUX", -1, Variant(tokens({"0", "0", "L'H", "0", "1"})));
    ASSERT_TRUE(customer.status.ok()) << customer.status.message;
    EXPECT_EQ(rows(customer, "NOMBRE"), std::vector<std::string>{"L'HORTA"});
    // The raw tail clause of DSPQ_ALMACENAUX goes as sent.
    ReadResult tail = read("DSPQ_ALMACENAUX", -1,
                           Variant(tokens({"0", "0", "L", "1", "1", "AND DESCRIPCION <> 'X'"})));
    ASSERT_TRUE(tail.status.ok()) << tail.status.message;
    EXPECT_EQ(sent.front(),
              "SELECT * FROM ALMACEN  WHERE (ID_ARTICULO LIKE ('L%') OR DESCRIPCION LIKE ('L%'))  "
              "AND ID_EMPRESA=1 AND DESCRIPCION <> 'X'");
    EXPECT_EQ(rows(tail, "ID_ARTICULO"), std::vector<std::string>{"LAMP-100"});
}

}  // namespace
}  // namespace zorvanil::test
