#include <gtest/gtest.h>

#include "db/sql_dataset.hpp"
#include "server/provider.hpp"
#include "support/list_read_fixture.hpp"

namespace zorvanil::test {
namespace {

class ReadLookupRequest : public ListReadFixture {};

TEST_F(ReadLookupRequest, ListAllModeGoesOnWithoutSearchTextInTheClientsOrder) {
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
}

TEST_F(ReadLookupRequest, ShortLayouts) {
    // The paged layouts skip page number x page size rows.
    ReadResult page = read("DSPQ_COLORESAUX", -1, Variant(tokens({"1", "2", "X", "0"})));
    ASSERT_TRUE(page.status.ok()) << page.status.message;
    EXPECT_EQ(page.recsOut, 3);
    // A supplier key that is no number is pasted as it stands, and the database rejects it.
    EXPECT_FALSE(read("DSPQ_TIPOS", -1, Variant(tokens({"ABC"}))).status.ok());
    EXPECT_EQ(module().dataSet("Q_TIPOS").commandText(),
              "SELECT ID_TIPO,ID_PROVEEDOR,SUBCUENTA FROM TIPOS WHERE ID_PROVEEDOR=ABC");
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

}  // namespace
}  // namespace zorvanil::test
