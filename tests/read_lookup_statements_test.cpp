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
// The lookups: every mode of every provider, a mode that none knows, and the short layouts with
// an empty options string (their defaults).
const StatementCase kLookupCases[] = {
    {"ProveedorAux_1", "dspq_proveedor_acreedoraux", ListOptions{.searchText = "L", .searchMode = "1", .orderClause = "ORDER BY NOMBRE", .deletedFilter = "0"}.text(),
     "SELECT * FROM PROVEEDOR_ACREEDOR  WHERE (NIF LIKE ('L%') OR CHAR(ID_PROVEEDOR) LIKE ('L%') OR NOMBRE LIKE ('L%')) AND CHAR(BORRADO) LIKE ('0%')  ORDER BY NOMBRE",
     "ID_PROVEEDOR", {"1", "10"}},
    {"ProveedorAux_2", "dspq_proveedor_acreedoraux", ListOptions{.searchText = "10", .searchMode = "2", .orderClause = "ORDER BY NOMBRE"}.text(),
     "SELECT * FROM PROVEEDOR_ACREEDOR  WHERE ID_PROVEEDOR = 10 AND BORRADO=0  ORDER BY NOMBRE",
     "ID_PROVEEDOR", {"10"}},
    {"ProveedorAux_2_Deleted", "dspq_proveedor_acreedoraux", ListOptions{.searchText = "3", .searchMode = "2"}.text(),
     "SELECT * FROM PROVEEDOR_ACREEDOR  WHERE ID_PROVEEDOR = 3 AND BORRADO=0  ",
     "ID_PROVEEDOR", {}},
    {"ProveedorAux_NoMode", "dspq_proveedor_acreedoraux", ListOptions{.searchText = "3", .searchMode = "3"}.text(),
     "SELECT * FROM PROVEEDOR_ACREEDOR ",
     "ID_PROVEEDOR", {"1", "2", "3", "10"}},
    {"FamiliasAux_1", "DSPQ_FAMILIASAUX", ListOptions{.searchText = "AMP", .searchMode = "1", .orderClause = "ORDER BY 1"}.text(),
     "SELECT * FROM FAMILIAS  WHERE COD_FAMILIA LIKE ('%AMP%') or descripcion like ('%AMP%') ORDER BY 1",
     "COD_FAMILIA", {"0101"}},
    {"FamiliasAux_1_Contains", "DSPQ_FAMILIASAUX", ListOptions{.searchText = "1", .searchMode = "1"}.text(),
     "SELECT * FROM FAMILIAS  WHERE COD_FAMILIA LIKE ('%1%') or descripcion like ('%1%') ",
     "COD_FAMILIA", {"01", "0101", "0102", "0201"}},
    {"FamiliasAux_2", "DSPQ_FAMILIASAUX", ListOptions{.searchText = "0101", .searchMode = "2", .orderClause = "ORDER BY 1", .value2 = "2"}.text(),
     "SELECT * FROM FAMILIAS  WHERE COD_FAMILIA  = '0101' AND PROFUNDIDAD=2 ORDER BY 1",
     "COD_FAMILIA", {"0101"}},
    {"FamiliasAux_3_Trimmed", "DSPQ_FAMILIASAUX", ListOptions{.searchText = " 02 ", .searchMode = "3", .orderClause = "ORDER BY 1"}.text(),
     "SELECT * FROM FAMILIAS  WHERE COD_FAMILIA  = '02' ORDER BY 1",
     "COD_FAMILIA", {"02"}},
    {"FamiliasAux_4", "DSPQ_FAMILIASAUX", ListOptions{.searchText = "WHERE PROFUNDIDAD=2", .searchMode = "4", .orderClause = "ORDER BY 1"}.text(),
     "SELECT * FROM FAMILIAS WHERE PROFUNDIDAD=2 ORDER BY 1",
     "COD_FAMILIA", {"0101", "0102", "0201"}},
    {"FamiliasAux_NoMode", "DSPQ_FAMILIASAUX", ListOptions{.searchText = "02", .searchMode = "5"}.text(),
     "SELECT * FROM FAMILIAS ",
     "COD_FAMILIA", {"01", "0101", "0102", "02", "0201"}},
    {"ArticulosAux_1", "DSPQ_ARTICULOSAUX", ListOptions{.searchText = "LAMP", .searchMode = "1", .orderClause = "ORDER BY ID_ARTICULO", .deletedFilter = "0"}.text(),
     "SELECT * FROM ARTICULOS  WHERE (ID_ARTICULO LIKE ('LAMP%')  OR DESCRIPCION LIKE ('LAMP%')  OR ART_PROVEEDOR LIKE ('LAMP%')) AND CHAR(BORRADO) LIKE ('0%') ORDER BY ID_ARTICULO",
     "ID_ARTICULO", {"LAMP-100", "LAMP-200"}},
    {"ArticulosAux_2", "DSPQ_ARTICULOSAUX", ListOptions{.searchText = "CABLE-1", .searchMode = "2"}.text(),
     "SELECT * FROM ARTICULOS  WHERE ID_ARTICULO ='CABLE-1' ",
     "ID_ARTICULO", {"CABLE-1"}},
    {"ArticulosAux_3", "DSPQ_ARTICULOSAUX", ListOptions{.searchText = "L", .searchMode = "3", .orderClause = "ORDER BY 1", .deletedFilter = "0", .value2 = "01"}.text(),
     "SELECT * FROM ARTICULOS  WHERE (ID_ARTICULO LIKE ('L%')  OR DESCRIPCION LIKE ('L%') OR ART_PROVEEDOR LIKE ('L%')) and cod_familia='01' AND CHAR(BORRADO) LIKE ('0%')  ORDER BY 1",
     "ID_ARTICULO", {"LAMP-100"}},
    {"ArticulosAux_4", "DSPQ_ARTICULOSAUX", ListOptions{.searchText = "WHERE COD_FAMILIA='02'", .searchMode = "4", .orderClause = "ORDER BY ID_ARTICULO"}.text(),
     "SELECT * FROM ARTICULOS WHERE COD_FAMILIA='02' ORDER BY ID_ARTICULO",
     "ID_ARTICULO", {"CABLE-1", "LED-7W"}},
    {"ArticulosAux_NoMode", "DSPQ_ARTICULOSAUX", ListOptions{.searchText = "LAMP", .searchMode = "6"}.text(),
     "SELECT * FROM ARTICULOS ",
     "ID_ARTICULO", {"CABLE-1", "LAMP-100", "LAMP-200", "LED-7W"}},
    {"SeriesAux_1", "DSPQ_SERIESAUX", ListOptions{.searchText = "R", .searchMode = "1", .orderClause = "ORDER BY 1"}.text(),
     "SELECT * FROM SERIES  WHERE ID_SERIE LIKE ('R%') OR CHAR(ID_EMPRESA) LIKE ('R%') ",
     "ID_EMPRESA,ANYO,ID_SERIE", {"2,2024,R"}},
    {"SeriesAux_1_ByCompany", "DSPQ_SERIESAUX", ListOptions{.company = "2", .year = "2024", .searchText = "1", .searchMode = "1"}.text(),
     "SELECT * FROM SERIES  WHERE ID_SERIE LIKE ('1%') OR CHAR(ID_EMPRESA) LIKE ('1%') ",
     "ID_EMPRESA,ANYO,ID_SERIE", {"1,2024,A", "1,2024,B", "1,2025,A"}},
    {"SeriesAux_2", "DSPQ_SERIESAUX", ListOptions{.year = "2024", .searchText = "2", .searchMode = "2", .orderClause = "ORDER BY 1"}.text(),
     "SELECT * FROM SERIES  WHERE ID_EMPRESA=2 AND ANYO=2024",
     "ID_EMPRESA,ANYO,ID_SERIE", {"2,2024,A", "2,2024,R"}},
    {"SeriesAux_3", "DSPQ_SERIESAUX", ListOptions{.year = "2025", .year2 = "2024", .searchText = "1", .searchMode = "3", .value2 = "A"}.text(),
     "SELECT * FROM SERIES  WHERE ID_EMPRESA=1 AND ID_SERIE='A' AND ANYO=2024",
     "ID_EMPRESA,ANYO,ID_SERIE", {"1,2024,A"}},
    {"SeriesAux_NoMode", "DSPQ_SERIESAUX", ListOptions{.searchText = "1", .searchMode = "4"}.text(),
     "SELECT * FROM SERIES ",
     "ID_EMPRESA,ANYO,ID_SERIE", {"1,2024,A", "1,2024,B", "1,2025,A", "2,2024,A", "2,2024,R"}},
    {"EmpresaAux_1", "DSPQ_EMPRESAAUX", ListOptions{.typeFilter = "0", .searchText = "B", .searchMode = "1", .orderClause = "ORDER BY 1"}.text(),
     "SELECT * FROM EMPRESAS  WHERE (CHAR(ID_EMPRESA) LIKE ('B%') OR CIF_EMPRESA LIKE ('B%')) AND TIPO=0 ",
     "ID_EMPRESA", {"1", "2"}},
    {"EmpresaAux_2", "DSPQ_EMPRESAAUX", ListOptions{.typeFilter = "0", .searchText = "2", .searchMode = "2"}.text(),
     "SELECT * FROM EMPRESAS  WHERE ID_EMPRESA =2 AND TIPO=0 ",
     "ID_EMPRESA", {"2"}},
    {"EmpresaAux_NoMode", "DSPQ_EMPRESAAUX", ListOptions{.searchText = "2", .searchMode = "3"}.text(),
     "SELECT * FROM EMPRESAS ",
     "ID_EMPRESA", {"1", "2", "3"}},
    {"FormaPagoAux", "DSPQ_FORMAPAGOAUX", ListOptions{.searchText = "E", .searchMode = "2"}.text(),
     "SELECT ID_FORMA,DESCRIPCION FROM FORMAPAGO  WHERE ID_FORMA LIKE ('E%') OR DESCRIPCION LIKE ('E%') ",
     "ID_FORMA", {"EF"}},
    {"TarifasAux_1", "DSPQ_TARIFASAUX", ListOptions{.searchText = "L", .searchMode = "1", .orderClause = "ORDER BY ART_PROVEEDOR"}.text(),
     "SELECT ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,GDESCRIPCION,NOMBRE,OBSERVACIONES,PRECIO,FECHA,DIAS_SUMINISTRO,DESCUENTO,NETO,IVA,EAN_FABRICANTE,MARCA,BRAZOS,ID_COLOR,PVPCAT FROM TARIFAS_PROVEEDORES  WHERE CHAR(ID_PROVEEDOR) LIKE ('L%')  OR ART_PROVEEDOR LIKE ('L%') ORDER BY ART_PROVEEDOR",
     "ART_PROVEEDOR", {"LM200", "LT100"}},
    {"TarifasAux_1_ByProveedor", "DSPQ_TARIFASAUX", ListOptions{.searchText = "2", .searchMode = "1"}.text(),
     "SELECT ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,GDESCRIPCION,NOMBRE,OBSERVACIONES,PRECIO,FECHA,DIAS_SUMINISTRO,DESCUENTO,NETO,IVA,EAN_FABRICANTE,MARCA,BRAZOS,ID_COLOR,PVPCAT FROM TARIFAS_PROVEEDORES  WHERE CHAR(ID_PROVEEDOR) LIKE ('2%')  OR ART_PROVEEDOR LIKE ('2%') ",
     "ART_PROVEEDOR", {"LM200", "X1"}},
    {"TarifasAux_2", "DSPQ_TARIFASAUX", ListOptions{.searchText = "WHERE ID_PROVEEDOR=1", .searchMode = "2", .orderClause = "ORDER BY 2"}.text(),
     "SELECT ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,GDESCRIPCION,NOMBRE,OBSERVACIONES,PRECIO,FECHA,DIAS_SUMINISTRO,DESCUENTO,NETO,IVA,EAN_FABRICANTE,MARCA,BRAZOS,ID_COLOR,PVPCAT FROM TARIFAS_PROVEEDORES WHERE ID_PROVEEDOR=1 ORDER BY 2",
     "ART_PROVEEDOR", {"CB15", "LT100"}},
    {"TarifasAux_NoMode", "DSPQ_TARIFASAUX", ListOptions{.searchText = "L", .searchMode = "3"}.text(),
     "SELECT ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,GDESCRIPCION,NOMBRE,OBSERVACIONES,PRECIO,FECHA,DIAS_SUMINISTRO,DESCUENTO,NETO,IVA,EAN_FABRICANTE,MARCA,BRAZOS,ID_COLOR,PVPCAT FROM TARIFAS_PROVEEDORES ",
     "ART_PROVEEDOR", {"CB15", "LM200", "LT100", "X1"}},
    {"AvisoAux_1", "DSPQ_AVISOAUX", ListOptions{.company = "1", .year = "2024", .searchText = "MA", .searchMode = "1", .orderClause = "ORDER BY ID_AVISO"}.text(),
     "SELECT ID_AVISO,FECHA_AVISO,HORA,COMENTARIOS,FECHA_PARA_VISITA,HORA_PARA_VISITA,NOMBRE_CONTACTO,DIRECCION,POBLACION,MOTIVO_AVISO,TELEFONO,MOVIL,ESTADO,OBSERVACIONES,ID_EMPRESA,REALIZADO,ANYO FROM AVISOS  WHERE (CHAR(ID_AVISO) LIKE ('MA%') OR NOMBRE_CONTACTO LIKE ('MA%'))  AND ID_EMPRESA=1 AND ANYO=2024 ORDER BY ID_AVISO",
     "ID_AVISO", {"1", "2"}},
    {"AvisoAux_2", "DSPQ_AVISOAUX", ListOptions{.searchText = "WHERE ID_EMPRESA=2", .searchMode = "2", .orderClause = "ORDER BY 1"}.text(),
     "SELECT ID_AVISO,FECHA_AVISO,HORA,COMENTARIOS,FECHA_PARA_VISITA,HORA_PARA_VISITA,NOMBRE_CONTACTO,DIRECCION,POBLACION,MOTIVO_AVISO,TELEFONO,MOVIL,ESTADO,OBSERVACIONES,ID_EMPRESA,REALIZADO,ANYO FROM AVISOS WHERE ID_EMPRESA=2",
     "ID_AVISO", {"4"}},
    {"AvisoAux_NoMode", "DSPQ_AVISOAUX", ListOptions{.searchText = "M", .searchMode = "9"}.text(),
     "SELECT ID_AVISO,FECHA_AVISO,HORA,COMENTARIOS,FECHA_PARA_VISITA,HORA_PARA_VISITA,NOMBRE_CONTACTO,DIRECCION,POBLACION,MOTIVO_AVISO,TELEFONO,MOVIL,ESTADO,OBSERVACIONES,ID_EMPRESA,REALIZADO,ANYO FROM AVISOS ",
     "ID_AVISO", {"1", "15", "2", "3", "4"}},
    {"ArticuloEan_BarCode", "DSPQ_ARTICULOEAN", ListOptions{.company = "8400000000031", .year = ""}.text(),
     "SELECT * FROM ARTICULOS  WHERE ID_ARTICULO IN (SELECT ID_ARTICULO FROM EAN WHERE EAN='8400000000031') OR ID_ARTICULO ='8400000000031' ",
     "ID_ARTICULO", {"CABLE-1"}},
    {"ArticuloEan_OwnCode", "DSPQ_ARTICULOEAN", ListOptions{.company = "LAMP-200", .year = "", .searchText = ""}.text(),
     "SELECT * FROM ARTICULOS  WHERE ID_ARTICULO IN (SELECT ID_ARTICULO FROM EAN WHERE EAN='LAMP-200') OR ID_ARTICULO ='LAMP-200' ",
     "ID_ARTICULO", {"LAMP-200"}},
    {"ArticuloEan_Supplier", "DSPQ_ARTICULOEAN", ListOptions{.company = "8400000000017", .year = "1"}.text(),
     "SELECT * FROM ARTICULOS  WHERE (ID_ARTICULO IN (SELECT ID_ARTICULO FROM EAN WHERE EAN='8400000000017') OR ID_ARTICULO ='8400000000017') AND ID_PROVEEDOR=1 ",
     "ID_ARTICULO", {"LAMP-100"}},
    {"ArticuloEan_OtherSupplier", "DSPQ_ARTICULOEAN", ListOptions{.company = "8400000000017", .year = "2"}.text(),
     "SELECT * FROM ARTICULOS  WHERE (ID_ARTICULO IN (SELECT ID_ARTICULO FROM EAN WHERE EAN='8400000000017') OR ID_ARTICULO ='8400000000017') AND ID_PROVEEDOR=2 ",
     "ID_ARTICULO", {}},
    {"ClienteAux_1", "DSPQ_CLIENTEAUX", tokens({"0", "0", "AL", "0", "1"}),
     "SELECT * FROM CLIENTES  WHERE (NIF LIKE ('AL%') OR CHAR(ID_CLIENTE) LIKE ('AL%') OR NOMBRE LIKE ('AL%')) AND CHAR(BORRADO) LIKE ('0%') ORDER BY NOMBRE",
     "ID_CLIENTE", {"1"}},
    {"ClienteAux_2", "DSPQ_CLIENTEAUX", tokens({"0", "20", "4", "0", "2"}),
     "SELECT * FROM CLIENTES  WHERE ID_CLIENTE = 4 AND BORRADO=0 ORDER BY NOMBRE",
     "ID_CLIENTE", {"4"}},
    {"ClienteAux_NoMode", "DSPQ_CLIENTEAUX", tokens({"0", "0", "AL", "0", "3"}),
     "SELECT * FROM CLIENTES ",
     "ID_CLIENTE", {"1", "2", "3", "4", "5", "12"}},
    {"ColoresAux_1", "DSPQ_COLORESAUX", tokens({"0", "0", "B", "1"}),
     "SELECT ID_COLOR,DESCRIPCION FROM COLORES  WHERE ID_COLOR LIKE ('B%') OR DESCRIPCION LIKE ('B%') ",
     "ID_COLOR", {"BL"}},
    {"ColoresAux_2", "DSPQ_COLORESAUX", tokens({"0", "0", "OR", "2"}),
     "SELECT ID_COLOR,DESCRIPCION FROM COLORES  WHERE ID_COLOR = 'OR' ",
     "ID_COLOR", {"OR"}},
    {"ColoresAux_NoMode", "DSPQ_COLORESAUX", tokens({"0", "0", "OR", "3"}),
     "SELECT ID_COLOR,DESCRIPCION FROM COLORES ",
     "ID_COLOR", {"BL", "NE", "OR", "PL", "XX"}},
    {"AlmacenAux_1", "DSPQ_ALMACENAUX", tokens({"0", "0", "12", "1", "1", "ORDER BY ID_ARTICULO"}),
     "SELECT * FROM ALMACEN  WHERE (ID_ARTICULO LIKE ('12%') OR DESCRIPCION LIKE ('12%'))  AND ID_EMPRESA=1 ORDER BY ID_ARTICULO",
     "ID_ARTICULO,ID_EMPRESA", {"12-A,1", "B-7,1"}},
    {"AlmacenAux_2", "DSPQ_ALMACENAUX", tokens({"0", "0", "WHERE ID_EMPRESA=2", "1", "2", ""}),
     "SELECT * FROM ALMACEN WHERE ID_EMPRESA=2",
     "ID_ARTICULO,ID_EMPRESA", {"C-9,2", "LAMP-100,2"}},
    {"AlmacenAux_NoMode", "DSPQ_ALMACENAUX", tokens({"0", "0", "12", "1", "3", ""}),
     "SELECT * FROM ALMACEN ",
     "ID_ARTICULO,ID_EMPRESA", {"12-A,1", "ASD-1,0", "B-7,1", "C-9,2", "LAMP-100,1", "LAMP-100,2", "X-12,1"}},
    {"Colores", "DSPQ_COLORES", tokens({"0", "0", "N"}),
     "SELECT ID_COLOR,DESCRIPCION FROM COLORES WHERE ID_COLOR LIKE ('N%') OR DESCRIPCION LIKE ('N%') ",
     "ID_COLOR", {"NE"}},
    {"Ean", "DSPQ_EAN", tokens({"0", "0", "LAMP-100"}),
     "SELECT ID_ARTICULO,EAN FROM EAN WHERE ID_ARTICULO ='LAMP-100'  ",
     "EAN", {"8400000000017", "8400000000024"}},
    {"FCliente", "DSPQ_FCLIENTE", tokens({"22222222B", "0"}),
     "SELECT NIF,NOMBRE FROM CLIENTES WHERE NIF='22222222B' and CHAR(BORRADO) LIKE ('0%')  ORDER BY NOMBRE",
     "NIF,NOMBRE", {"22222222B,BENITO"}},
    {"FCliente_Deleted", "DSPQ_FCLIENTE", tokens({"12345678Z", "0"}),
     "SELECT NIF,NOMBRE FROM CLIENTES WHERE NIF='12345678Z' and CHAR(BORRADO) LIKE ('0%')  ORDER BY NOMBRE",
     "NIF,NOMBRE", {}},
    {"FProveedor", "DSPQ_FPROVEEDOR", tokens({"A11111111", ""}),
     "SELECT NIF,NOMBRE FROM PROVEEDOR_ACREEDOR WHERE NIF='A11111111' and CHAR(BORRADO) LIKE ('%') ",
     "NIF,NOMBRE", {"A11111111,LUMINOSA SA"}},
    {"Tipos", "DSPQ_TIPOS", tokens({"1"}),
     "SELECT ID_TIPO,ID_PROVEEDOR,SUBCUENTA FROM TIPOS WHERE ID_PROVEEDOR=1",
     "ID_PROVEEDOR,ID_TIPO,SUBCUENTA", {"1,1,4000001", "1,2,4000002"}},
    {"ClienteAux_Empty", "DSPQ_CLIENTEAUX", "",
     "SELECT * FROM CLIENTES ",
     "ID_CLIENTE", {"1", "2", "3", "4", "5", "12"}},
    {"ColoresAux_Empty", "DSPQ_COLORESAUX", "",
     "SELECT ID_COLOR,DESCRIPCION FROM COLORES ",
     "ID_COLOR", {"BL", "NE", "OR", "PL", "XX"}},
    {"AlmacenAux_Empty", "DSPQ_ALMACENAUX", "",
     "SELECT * FROM ALMACEN  WHERE (ID_ARTICULO LIKE ('ASD%') OR DESCRIPCION LIKE ('ASD%'))  AND ID_EMPRESA=0 ",
     "ID_ARTICULO,ID_EMPRESA", {"ASD-1,0"}},
    {"Colores_Empty", "DSPQ_COLORES", "",
     "SELECT ID_COLOR,DESCRIPCION FROM COLORES WHERE ID_COLOR LIKE ('P%') OR DESCRIPCION LIKE ('P%') ",
     "ID_COLOR", {"PL", "XX"}},
    {"Ean_Empty", "DSPQ_EAN", "",
     "SELECT ID_ARTICULO,EAN FROM EAN WHERE ID_ARTICULO ='P'  ",
     "EAN", {}},
    {"FCliente_Empty", "DSPQ_FCLIENTE", "",
     "SELECT NIF,NOMBRE FROM CLIENTES WHERE NIF='ASDF' and CHAR(BORRADO) LIKE ('%')  ORDER BY NOMBRE",
     "NIF,NOMBRE", {}},
    {"FProveedor_Empty", "DSPQ_FPROVEEDOR", "",
     "SELECT NIF,NOMBRE FROM PROVEEDOR_ACREEDOR WHERE NIF='ASDF' and CHAR(BORRADO) LIKE ('%') ",
     "NIF,NOMBRE", {}},
    {"Tipos_Empty", "DSPQ_TIPOS", "",
     "SELECT ID_TIPO,ID_PROVEEDOR,SUBCUENTA FROM TIPOS WHERE ID_PROVEEDOR=-99",
     "ID_PROVEEDOR,ID_TIPO,SUBCUENTA", {}},

};

// clang-format on

class ReadLookupCase : public ListReadFixture,
                       public ::testing::WithParamInterface<StatementCase> {};

TEST_P(ReadLookupCase, SendsItsStatementAndReturnsItsRows) {
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

INSTANTIATE_TEST_SUITE_P(ReadLookupStatements, ReadLookupCase, ::testing::ValuesIn(kLookupCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zorvanil::test
