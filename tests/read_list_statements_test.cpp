#include <gtest/gtest.h>

#include "db/sql_dataset.hpp"
#include "read_list_fixture.hpp"
#include "server/provider.hpp"

namespace zorvanil::test {
namespace {

// One read: the provider, its options string, the statement it must send (byte for byte) and the
// rows that statement returns from the fixture's data, in any order.
struct StatementCase {
    const char* name;
    const char* provider;
    std::string options;
    const char* statement;
    const char* columns;
    std::vector<std::string> rows;
};

// clang-format off
// The master-data lists: every mode of every provider, and a mode that none knows.
const StatementCase kListCases[] = {
    {"Clientes_1", "DSPQ_CLIENTES", ListOptions{.searchText = "1", .searchMode = "1", .orderClause = "ORDER BY ID_CLIENTE", .deletedFilter = "0"}.text(),
     "SELECT * FROM CLIENTES  WHERE (NIF LIKE ('1%') OR CHAR(ID_CLIENTE) LIKE ('1%') OR NOMBRE LIKE ('1%')) AND CHAR(BORRADO) LIKE ('0%') ORDER BY ID_CLIENTE",
     "ID_CLIENTE", {"1", "12"}},
    {"Clientes_2", "DSPQ_CLIENTES", ListOptions{.searchText = "22222222B", .searchMode = "2", .orderClause = "ORDER BY NOMBRE", .deletedFilter = "0"}.text(),
     "SELECT * FROM CLIENTES  WHERE NIF='22222222B' AND BORRADO=0 ORDER BY NOMBRE",
     "ID_CLIENTE", {"2"}},
    {"Clientes_3", "DSPQ_CLIENTES", ListOptions{.searchText = "WHERE BORRADO=-1", .searchMode = "3"}.text(),
     "SELECT * FROM CLIENTES WHERE BORRADO=-1 ",
     "ID_CLIENTE", {"5"}},
    {"Clientes_NoMode", "DSPQ_CLIENTES", ListOptions{.searchText = "AL", .searchMode = "9"}.text(),
     "SELECT * FROM CLIENTES ",
     "ID_CLIENTE", {"1", "2", "3", "4", "5", "12"}},
    {"Proveedor_1", "DSPQ_PROVEEDOR_ACREEDOR", ListOptions{.searchText = "L", .searchMode = "1", .orderClause = "ORDER BY NOMBRE", .deletedFilter = "0"}.text(),
     "SELECT * FROM PROVEEDOR_ACREEDOR  WHERE (NIF LIKE ('L%') OR CHAR(ID_PROVEEDOR) LIKE ('L%') OR NOMBRE LIKE ('L%')) AND CHAR(BORRADO) LIKE ('0%') ORDER BY NOMBRE",
     "ID_PROVEEDOR", {"1", "10"}},
    {"Proveedor_2", "DSPQ_PROVEEDOR_ACREEDOR", ListOptions{.searchText = "B22222222", .searchMode = "2", .deletedFilter = "0"}.text(),
     "SELECT * FROM PROVEEDOR_ACREEDOR  WHERE NIF='B22222222' AND BORRADO=0 ",
     "ID_PROVEEDOR", {"2"}},
    {"Proveedor_NoMode", "DSPQ_PROVEEDOR_ACREEDOR", ListOptions{.searchText = "L", .searchMode = "3"}.text(),
     "SELECT * FROM PROVEEDOR_ACREEDOR ",
     "ID_PROVEEDOR", {"1", "2", "3", "10"}},
    {"Articulos_1", "DSPQ_ARTICULOS", ListOptions{.searchText = "LAMPARA", .searchMode = "1", .orderClause = "ORDER BY ID_ARTICULO", .deletedFilter = "0"}.text(),
     "SELECT * FROM ARTICULOS  WHERE (ID_ARTICULO LIKE ('LAMPARA%')  OR DESCRIPCION LIKE ('LAMPARA%') OR ART_PROVEEDOR LIKE ('LAMPARA%')) AND CHAR(BORRADO) LIKE ('0%') ORDER BY ID_ARTICULO",
     "ID_ARTICULO", {"LAMP-100", "LAMP-200"}},
    {"Articulos_1_ArtProveedor", "DSPQ_ARTICULOS", ListOptions{.searchText = "CB", .searchMode = "1", .deletedFilter = "0"}.text(),
     "SELECT * FROM ARTICULOS  WHERE (ID_ARTICULO LIKE ('CB%')  OR DESCRIPCION LIKE ('CB%') OR ART_PROVEEDOR LIKE ('CB%')) AND CHAR(BORRADO) LIKE ('0%') ",
     "ID_ARTICULO", {"CABLE-1"}},
    {"Articulos_2", "DSPQ_ARTICULOS", ListOptions{.searchText = "WHERE BORRADO=-1", .searchMode = "2"}.text(),
     "SELECT * FROM ARTICULOS WHERE BORRADO=-1 ",
     "ID_ARTICULO", {"LED-7W"}},
    {"Articulos_3", "DSPQ_ARTICULOS", ListOptions{.searchText = "LAMP", .searchMode = "3", .deletedFilter = "0", .value2 = "0101"}.text(),
     "SELECT * FROM ARTICULOS  WHERE (ID_ARTICULO LIKE ('LAMP%')  OR DESCRIPCION LIKE ('LAMP%') OR ART_PROVEEDOR LIKE ('LAMP%') ) and cod_familia='0101' AND CHAR(BORRADO) LIKE ('0%') ",
     "ID_ARTICULO", {"LAMP-200"}},
    {"Articulos_NoMode", "DSPQ_ARTICULOS", ListOptions{.searchText = "LAMP", .searchMode = "4"}.text(),
     "SELECT * FROM ARTICULOS ",
     "ID_ARTICULO", {"CABLE-1", "LAMP-100", "LAMP-200", "LED-7W"}},
    {"Familias_4", "DSPQ_FAMILIAS", ListOptions{.searchText = "WHERE PROFUNDIDAD=1", .searchMode = "4", .orderClause = "ORDER BY COD_FAMILIA"}.text(),
     "SELECT * FROM FAMILIAS WHERE PROFUNDIDAD=1 ORDER BY COD_FAMILIA",
     "COD_FAMILIA", {"01", "02"}},
    {"Familias_OtherMode", "DSPQ_FAMILIAS", ListOptions{.searchText = "01", .searchMode = "1"}.text(),
     "SELECT * FROM FAMILIAS  WHERE COD_FAMILIA LIKE ('01%')  or descripcion like ('01%') ",
     "COD_FAMILIA", {"01", "0101", "0102"}},
    {"Familias_EmptyMode", "DSPQ_FAMILIAS", ListOptions{.searchText = "LAMP", .orderClause = "ORDER BY 1"}.text(),
     "SELECT * FROM FAMILIAS  WHERE COD_FAMILIA LIKE ('LAMP%')  or descripcion like ('LAMP%') ORDER BY 1",
     "COD_FAMILIA", {"0101"}},
    {"Series", "DSPQ_SERIES", ListOptions{.company = "1", .year = "2024", .searchText = "A", .orderClause = "ORDER BY ID_SERIE"}.text(),
     "SELECT * FROM SERIES  WHERE (ID_SERIE LIKE ('A%') OR CHAR(ID_EMPRESA) LIKE ('A%')) AND ID_EMPRESA=1 AND ANYO=2024 ORDER BY ID_SERIE",
     "ID_EMPRESA,ANYO,ID_SERIE", {"1,2024,A"}},
    {"Series_ByCompanyDigit", "DSPQ_SERIES", ListOptions{.company = "2", .year = "2024", .searchText = "2", .searchMode = "7"}.text(),
     "SELECT * FROM SERIES  WHERE (ID_SERIE LIKE ('2%') OR CHAR(ID_EMPRESA) LIKE ('2%')) AND ID_EMPRESA=2 AND ANYO=2024 ",
     "ID_EMPRESA,ANYO,ID_SERIE", {"2,2024,A", "2,2024,R"}},
    {"Empresa", "DSPQ_EMPRESA", ListOptions{.typeFilter = "0", .searchText = "B"}.text(),
     "SELECT * FROM EMPRESAS  WHERE (CHAR(ID_EMPRESA) LIKE ('B%') OR CIF_EMPRESA LIKE ('B%')) AND TIPO=0 ",
     "ID_EMPRESA", {"1", "2"}},
    {"Empresa_OrderNotUsed", "DSPQ_EMPRESA", ListOptions{.typeFilter = "1", .searchText = "3", .searchMode = "2", .orderClause = "ORDER BY NOMBRE"}.text(),
     "SELECT * FROM EMPRESAS  WHERE (CHAR(ID_EMPRESA) LIKE ('3%') OR CIF_EMPRESA LIKE ('3%')) AND TIPO=1 ",
     "ID_EMPRESA", {"3"}},
    {"FormaPago", "DSPQ_FORMAPAGO", ListOptions{.searchText = "T", .searchMode = "1", .orderClause = "ORDER BY 1"}.text(),
     "SELECT ID_FORMA,DESCRIPCION FROM FORMAPAGO  WHERE ID_FORMA LIKE ('T%') OR DESCRIPCION LIKE ('T%') ",
     "ID_FORMA", {"TA", "TR"}},
    {"Tarifas_1", "DSPQ_TARIFAS", ListOptions{.searchText = "L", .searchMode = "1", .orderClause = "ORDER BY ART_PROVEEDOR"}.text(),
     "SELECT ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,GDESCRIPCION,NOMBRE,OBSERVACIONES,PRECIO,FECHA,DIAS_SUMINISTRO,DESCUENTO,NETO,IVA,EAN_FABRICANTE,MARCA,BRAZOS,ID_COLOR,PVPCAT FROM TARIFAS_PROVEEDORES  WHERE CHAR(ID_PROVEEDOR) LIKE ('L%')  OR ART_PROVEEDOR LIKE ('L%') OR NOMBRE LIKE ('L%') ORDER BY ART_PROVEEDOR",
     "ART_PROVEEDOR", {"LM200", "LT100", "X1"}},
    {"Tarifas_2", "DSPQ_TARIFAS", ListOptions{.searchText = "WHERE ID_PROVEEDOR=1", .searchMode = "2"}.text(),
     "SELECT ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,GDESCRIPCION,NOMBRE,OBSERVACIONES,PRECIO,FECHA,DIAS_SUMINISTRO,DESCUENTO,NETO,IVA,EAN_FABRICANTE,MARCA,BRAZOS,ID_COLOR,PVPCAT FROM TARIFAS_PROVEEDORES WHERE ID_PROVEEDOR=1 ",
     "ART_PROVEEDOR", {"CB15", "LT100"}},
    {"Tarifas_NoMode", "DSPQ_TARIFAS", ListOptions{.searchText = "L", .searchMode = "3"}.text(),
     "SELECT ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,GDESCRIPCION,NOMBRE,OBSERVACIONES,PRECIO,FECHA,DIAS_SUMINISTRO,DESCUENTO,NETO,IVA,EAN_FABRICANTE,MARCA,BRAZOS,ID_COLOR,PVPCAT FROM TARIFAS_PROVEEDORES ",
     "ART_PROVEEDOR", {"CB15", "LM200", "LT100", "X1"}},
    {"Almacen_1", "DSPQ_ALMACEN", ListOptions{.company = "1", .searchText = "12", .searchMode = "1", .orderClause = "ORDER BY ID_ARTICULO"}.text(),
     "SELECT * FROM ALMACEN  WHERE ((ID_ARTICULO LIKE ('%12%') OR DESCRIPCION LIKE ('12%')) AND ID_EMPRESA=1) ORDER BY ID_ARTICULO",
     "ID_ARTICULO,ID_EMPRESA", {"12-A,1", "B-7,1", "X-12,1"}},
    {"Almacen_2", "DSPQ_ALMACEN", ListOptions{.searchText = "WHERE ID_EMPRESA=2", .searchMode = "2", .orderClause = "ORDER BY 1"}.text(),
     "SELECT * FROM ALMACEN WHERE ID_EMPRESA=2",
     "ID_ARTICULO,ID_EMPRESA", {"C-9,2", "LAMP-100,2"}},
    {"Almacen_NoMode", "DSPQ_ALMACEN", ListOptions{.searchText = "X", .searchMode = "3"}.text(),
     "SELECT * FROM ALMACEN ",
     "ID_ARTICULO,ID_EMPRESA", {"12-A,1", "ASD-1,0", "B-7,1", "C-9,2", "LAMP-100,1", "LAMP-100,2", "X-12,1"}},
    {"Aviso_1", "DSPQ_AVISO", ListOptions{.company = "1", .year = "2024", .searchText = "MA", .searchMode = "1", .orderClause = "ORDER BY ID_AVISO"}.text(),
     "SELECT ID_AVISO,FECHA_AVISO,HORA,COMENTARIOS,FECHA_PARA_VISITA,HORA_PARA_VISITA,NOMBRE_CONTACTO,DIRECCION,POBLACION,MOTIVO_AVISO,TELEFONO,MOVIL,ESTADO,OBSERVACIONES,ID_EMPRESA,REALIZADO,ANYO FROM AVISOS  WHERE (CHAR(ID_AVISO) LIKE ('MA%') OR NOMBRE_CONTACTO LIKE ('MA%'))  AND ID_EMPRESA=1 AND ANYO=2024 ORDER BY ID_AVISO",
     "ID_AVISO", {"1", "2"}},
    {"Aviso_1_ByKey", "DSPQ_AVISO", ListOptions{.company = "1", .year = "2024", .searchText = "1", .searchMode = "1"}.text(),
     "SELECT ID_AVISO,FECHA_AVISO,HORA,COMENTARIOS,FECHA_PARA_VISITA,HORA_PARA_VISITA,NOMBRE_CONTACTO,DIRECCION,POBLACION,MOTIVO_AVISO,TELEFONO,MOVIL,ESTADO,OBSERVACIONES,ID_EMPRESA,REALIZADO,ANYO FROM AVISOS  WHERE (CHAR(ID_AVISO) LIKE ('1%') OR NOMBRE_CONTACTO LIKE ('1%'))  AND ID_EMPRESA=1 AND ANYO=2024 ",
     "ID_AVISO", {"1", "15"}},
    {"Aviso_2", "DSPQ_AVISO", ListOptions{.searchText = "WHERE ANYO=2025", .searchMode = "2", .orderClause = "ORDER BY 1"}.text(),
     "SELECT ID_AVISO,FECHA_AVISO,HORA,COMENTARIOS,FECHA_PARA_VISITA,HORA_PARA_VISITA,NOMBRE_CONTACTO,DIRECCION,POBLACION,MOTIVO_AVISO,TELEFONO,MOVIL,ESTADO,OBSERVACIONES,ID_EMPRESA,REALIZADO,ANYO FROM AVISOS WHERE ANYO=2025",
     "ID_AVISO", {"3"}},
    {"Aviso_NoMode", "DSPQ_AVISO", ListOptions{.searchText = "M", .searchMode = "0"}.text(),
     "SELECT ID_AVISO,FECHA_AVISO,HORA,COMENTARIOS,FECHA_PARA_VISITA,HORA_PARA_VISITA,NOMBRE_CONTACTO,DIRECCION,POBLACION,MOTIVO_AVISO,TELEFONO,MOVIL,ESTADO,OBSERVACIONES,ID_EMPRESA,REALIZADO,ANYO FROM AVISOS ",
     "ID_AVISO", {"1", "15", "2", "3", "4"}},
    {"OpcionesNumericas", "DSPQ_OPCIONESNUMERICAS", ListOptions{.company = "1", .year = "2024", .searchText = "1", .orderClause = "ORDER BY ANYO"}.text(),
     "SELECT ID_EMPRESA,ANYO,ID_COBRO,ID_ENTRADA,ID_PRESUPUESTO,ID_SALIDA,ID_AVISO FROM OPCIONESNUMERICAS  WHERE ( CHAR(ID_EMPRESA) LIKE ('1%')) AND ID_EMPRESA=1 AND ANYO=2024 ORDER BY ANYO",
     "ID_EMPRESA,ANYO,ID_COBRO", {"1,2024,10"}},
    {"TiposIva_1", "DSPQ_TIPOSIVA", ListOptions{.searchText = "2", .searchMode = "1", .orderClause = "ORDER BY TIPO"}.text(),
     "SELECT * FROM TIPOSIVA  WHERE (CHAR(TIPO) LIKE ('2%')) ORDER BY TIPO",
     "TIPO", {"21"}},
    {"TiposIva_2", "DSPQ_TIPOSIVA", ListOptions{.searchText = "WHERE TIPO>4", .searchMode = "2", .orderClause = "ORDER BY TIPO"}.text(),
     "SELECT * FROM TIPOSIVA WHERE TIPO>4 ORDER BY TIPO",
     "TIPO", {"10", "21"}},
    {"TiposIva_NoMode", "DSPQ_TIPOSIVA", ListOptions{.searchText = "2"}.text(),
     "SELECT * FROM TIPOSIVA ",
     "TIPO", {"0", "10", "21", "4"}},
    {"AlmacenDetalle2_1", "DSPQ_ALMACENDETALLE2", ListOptions{.searchText = "8400000000017", .searchMode = "1", .orderClause = "ORDER BY NUMERO1"}.text(),
     "SELECT * FROM ALMACENDETALLE2  WHERE (CODIGO_BARRAS='8400000000017') OR NUMERO1=8400000000017 ORDER BY NUMERO1",
     "NUMERO1", {"1", "3"}},
    {"AlmacenDetalle2_1_ByNumber", "DSPQ_ALMACENDETALLE2", ListOptions{.searchText = "2", .searchMode = "1"}.text(),
     "SELECT * FROM ALMACENDETALLE2  WHERE (CODIGO_BARRAS='2') OR NUMERO1=2 ",
     "NUMERO1", {"2"}},
    {"AlmacenDetalle2_2", "DSPQ_ALMACENDETALLE2", ListOptions{.searchText = "WHERE CANTIDAD>2", .searchMode = "2", .orderClause = "ORDER BY NUMERO1"}.text(),
     "SELECT * FROM ALMACENDETALLE2 WHERE CANTIDAD>2 ORDER BY NUMERO1",
     "NUMERO1", {"1", "2"}},
    {"AlmacenDetalle2_NoMode", "DSPQ_ALMACENDETALLE2", ListOptions{.searchText = "2", .searchMode = "3"}.text(),
     "SELECT * FROM ALMACENDETALLE2 ",
     "NUMERO1", {"1", "2", "3"}},

};

// clang-format on

class ReadListCase : public ListReadFixture, public ::testing::WithParamInterface<StatementCase> {};

TEST_P(ReadListCase, SendsItsStatementAndReturnsItsRows) {
    const StatementCase& c = GetParam();
    ReadResult r = read(c.provider, -1, Variant(c.options));
    ASSERT_TRUE(r.status.ok()) << r.status.message;
    // The first statement is the handler's; a short page rewinds, which runs it once more.
    ASSERT_FALSE(sent.empty());
    for (const std::string& s : sent)
        EXPECT_EQ(s, c.statement);
    EXPECT_EQ(sorted(rows(r, c.columns)), sorted(c.rows));
    EXPECT_FALSE(module().FindProvider(c.provider).dataSet()->active());
}

INSTANTIATE_TEST_SUITE_P(ReadListStatements, ReadListCase, ::testing::ValuesIn(kListCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zorvanil::test
