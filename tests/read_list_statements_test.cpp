#include <gtest/gtest.h>

#include "db/sql_dataset.hpp"
#include "server/provider.hpp"
#include "support/statement_case.hpp"

namespace zorvanil::test {
namespace {

// clang-format off
// The master-data lists: every mode of every provider, and a mode that none knows.
const StatementCase kListCases[] = {
    {"Clientes_Mode1", "DSPQ_CLIENTES", ListOptions{.searchText = "1", .searchMode = "1", .orderClause = "ORDER BY ID_CLIENTE", .deletedFilter = "0"},
     "SELECT * FROM CLIENTES  WHERE (NIF LIKE ('1%') OR CHAR(ID_CLIENTE) LIKE ('1%') OR NOMBRE LIKE ('1%')) AND CHAR(BORRADO) LIKE ('0%') ORDER BY ID_CLIENTE",
     "ID_CLIENTE", {"1", "12"}},
    {"Clientes_Mode2", "DSPQ_CLIENTES", ListOptions{.searchText = "22222222B", .searchMode = "2", .orderClause = "ORDER BY NOMBRE", .deletedFilter = "0"},
     "SELECT * FROM CLIENTES  WHERE NIF='22222222B' AND BORRADO=0 ORDER BY NOMBRE",
     "ID_CLIENTE", {"2"}},
    {"Clientes_Mode3", "DSPQ_CLIENTES", ListOptions{.searchText = "WHERE BORRADO=-1", .searchMode = "3"},
     "SELECT * FROM CLIENTES WHERE BORRADO=-1 ",
     "ID_CLIENTE", {"5"}},
    {"Clientes_NoMode", "DSPQ_CLIENTES", ListOptions{.searchText = "AL", .searchMode = "9"},
     "SELECT * FROM CLIENTES ",
     "ID_CLIENTE", {"1", "2", "3", "4", "5", "12"}},
    {"Proveedor_Mode1", "DSPQ_PROVEEDOR_ACREEDOR", ListOptions{.searchText = "L", .searchMode = "1", .orderClause = "ORDER BY NOMBRE", .deletedFilter = "0"},
     "SELECT * FROM PROVEEDOR_ACREEDOR  WHERE (NIF LIKE ('L%') OR CHAR(ID_PROVEEDOR) LIKE ('L%') OR NOMBRE LIKE ('L%')) AND CHAR(BORRADO) LIKE ('0%') ORDER BY NOMBRE",
     "ID_PROVEEDOR", {"1", "10"}},
    {"Proveedor_Mode2", "DSPQ_PROVEEDOR_ACREEDOR", ListOptions{.searchText = "B22222222", .searchMode = "2", .deletedFilter = "0"},
     "SELECT * FROM PROVEEDOR_ACREEDOR  WHERE NIF='B22222222' AND BORRADO=0 ",
     "ID_PROVEEDOR", {"2"}},
    {"Proveedor_NoMode", "DSPQ_PROVEEDOR_ACREEDOR", ListOptions{.searchText = "L", .searchMode = "3"},
     "SELECT * FROM PROVEEDOR_ACREEDOR ",
     "ID_PROVEEDOR", {"1", "2", "3", "10"}},
    {"Articulos_Mode1", "DSPQ_ARTICULOS", ListOptions{.searchText = "LAMPARA", .searchMode = "1", .orderClause = "ORDER BY ID_ARTICULO", .deletedFilter = "0"},
     "SELECT * FROM ARTICULOS  WHERE (ID_ARTICULO LIKE ('LAMPARA%')  OR DESCRIPCION LIKE ('LAMPARA%') OR ART_PROVEEDOR LIKE ('LAMPARA%')) AND CHAR(BORRADO) LIKE ('0%') ORDER BY ID_ARTICULO",
     "ID_ARTICULO", {"LAMP-100", "LAMP-200"}},
    {"Articulos_Mode1_ArtProveedor", "DSPQ_ARTICULOS", ListOptions{.searchText = "CB", .searchMode = "1", .deletedFilter = "0"},
     "SELECT * FROM ARTICULOS  WHERE (ID_ARTICULO LIKE ('CB%')  OR DESCRIPCION LIKE ('CB%') OR ART_PROVEEDOR LIKE ('CB%')) AND CHAR(BORRADO) LIKE ('0%') ",
     "ID_ARTICULO", {"CABLE-1"}},
    {"Articulos_Mode2", "DSPQ_ARTICULOS", ListOptions{.searchText = "WHERE BORRADO=-1", .searchMode = "2"},
     "SELECT * FROM ARTICULOS WHERE BORRADO=-1 ",
     "ID_ARTICULO", {"LED-7W"}},
    {"Articulos_Mode3", "DSPQ_ARTICULOS", ListOptions{.searchText = "LAMP", .searchMode = "3", .deletedFilter = "0", .value2 = "0101"},
     "SELECT * FROM ARTICULOS  WHERE (ID_ARTICULO LIKE ('LAMP%')  OR DESCRIPCION LIKE ('LAMP%') OR ART_PROVEEDOR LIKE ('LAMP%') ) and cod_familia='0101' AND CHAR(BORRADO) LIKE ('0%') ",
     "ID_ARTICULO", {"LAMP-200"}},
    {"Articulos_NoMode", "DSPQ_ARTICULOS", ListOptions{.searchText = "LAMP", .searchMode = "4"},
     "SELECT * FROM ARTICULOS ",
     "ID_ARTICULO", {"CABLE-1", "LAMP-100", "LAMP-200", "LED-7W"}},
    {"Familias_Mode4", "DSPQ_FAMILIAS", ListOptions{.searchText = "WHERE PROFUNDIDAD=1", .searchMode = "4", .orderClause = "ORDER BY COD_FAMILIA"},
     "SELECT * FROM FAMILIAS WHERE PROFUNDIDAD=1 ORDER BY COD_FAMILIA",
     "COD_FAMILIA", {"01", "02"}},
    {"Familias_OtherMode", "DSPQ_FAMILIAS", ListOptions{.searchText = "01", .searchMode = "1"},
     "SELECT * FROM FAMILIAS  WHERE COD_FAMILIA LIKE ('01%')  or descripcion like ('01%') ",
     "COD_FAMILIA", {"01", "0101", "0102"}},
    {"Familias_EmptyMode", "DSPQ_FAMILIAS", ListOptions{.searchText = "LAMP", .orderClause = "ORDER BY 1"},
     "SELECT * FROM FAMILIAS  WHERE COD_FAMILIA LIKE ('LAMP%')  or descripcion like ('LAMP%') ORDER BY 1",
     "COD_FAMILIA", {"0101"}},
    {"Series", "DSPQ_SERIES", ListOptions{.company = "1", .year = "2024", .searchText = "A", .orderClause = "ORDER BY ID_SERIE"},
     "SELECT * FROM SERIES  WHERE (ID_SERIE LIKE ('A%') OR CHAR(ID_EMPRESA) LIKE ('A%')) AND ID_EMPRESA=1 AND ANYO=2024 ORDER BY ID_SERIE",
     "ID_EMPRESA,ANYO,ID_SERIE", {"1,2024,A"}},
    {"Series_ByCompanyDigit", "DSPQ_SERIES", ListOptions{.company = "2", .year = "2024", .searchText = "2", .searchMode = "7"},
     "SELECT * FROM SERIES  WHERE (ID_SERIE LIKE ('2%') OR CHAR(ID_EMPRESA) LIKE ('2%')) AND ID_EMPRESA=2 AND ANYO=2024 ",
     "ID_EMPRESA,ANYO,ID_SERIE", {"2,2024,A", "2,2024,R"}},
    {"Empresa", "DSPQ_EMPRESA", ListOptions{.typeFilter = "0", .searchText = "B"},
     "SELECT * FROM EMPRESAS  WHERE (CHAR(ID_EMPRESA) LIKE ('B%') OR CIF_EMPRESA LIKE ('B%')) AND TIPO=0 ",
     "ID_EMPRESA", {"1", "2"}},
    {"Empresa_OrderNotUsed", "DSPQ_EMPRESA", ListOptions{.typeFilter = "1", .searchText = "3", .searchMode = "2", .orderClause = "ORDER BY NOMBRE"},
     "SELECT * FROM EMPRESAS  WHERE (CHAR(ID_EMPRESA) LIKE ('3%') OR CIF_EMPRESA LIKE ('3%')) AND TIPO=1 ",
     "ID_EMPRESA", {"3"}},
    {"FormaPago", "DSPQ_FORMAPAGO", ListOptions{.searchText = "T", .searchMode = "1", .orderClause = "ORDER BY 1"},
     "SELECT ID_FORMA,DESCRIPCION FROM FORMAPAGO  WHERE ID_FORMA LIKE ('T%') OR DESCRIPCION LIKE ('T%') ",
     "ID_FORMA", {"TA", "TR"}},
    {"Tarifas_Mode1", "DSPQ_TARIFAS", ListOptions{.searchText = "L", .searchMode = "1", .orderClause = "ORDER BY ART_PROVEEDOR"},
     "SELECT ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,GDESCRIPCION,NOMBRE,OBSERVACIONES,PRECIO,FECHA,DIAS_SUMINISTRO,DESCUENTO,NETO,IVA,EAN_FABRICANTE,MARCA,BRAZOS,ID_COLOR,PVPCAT FROM TARIFAS_PROVEEDORES  WHERE CHAR(ID_PROVEEDOR) LIKE ('L%')  OR ART_PROVEEDOR LIKE ('L%') OR NOMBRE LIKE ('L%') ORDER BY ART_PROVEEDOR",
     "ART_PROVEEDOR", {"LM200", "LT100", "X1"}},
    {"Tarifas_Mode2", "DSPQ_TARIFAS", ListOptions{.searchText = "WHERE ID_PROVEEDOR=1", .searchMode = "2"},
     "SELECT ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,GDESCRIPCION,NOMBRE,OBSERVACIONES,PRECIO,FECHA,DIAS_SUMINISTRO,DESCUENTO,NETO,IVA,EAN_FABRICANTE,MARCA,BRAZOS,ID_COLOR,PVPCAT FROM TARIFAS_PROVEEDORES WHERE ID_PROVEEDOR=1 ",
     "ART_PROVEEDOR", {"CB15", "LT100"}},
    {"Tarifas_NoMode", "DSPQ_TARIFAS", ListOptions{.searchText = "L", .searchMode = "3"},
     "SELECT ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,GDESCRIPCION,NOMBRE,OBSERVACIONES,PRECIO,FECHA,DIAS_SUMINISTRO,DESCUENTO,NETO,IVA,EAN_FABRICANTE,MARCA,BRAZOS,ID_COLOR,PVPCAT FROM TARIFAS_PROVEEDORES ",
     "ART_PROVEEDOR", {"CB15", "LM200", "LT100", "X1"}},
    {"Almacen_Mode1", "DSPQ_ALMACEN", ListOptions{.company = "1", .searchText = "12", .searchMode = "1", .orderClause = "ORDER BY ID_ARTICULO"},
     "SELECT * FROM ALMACEN  WHERE ((ID_ARTICULO LIKE ('%12%') OR DESCRIPCION LIKE ('12%')) AND ID_EMPRESA=1) ORDER BY ID_ARTICULO",
     "ID_ARTICULO,ID_EMPRESA", {"12-A,1", "B-7,1", "X-12,1"}},
    {"Almacen_Mode2", "DSPQ_ALMACEN", ListOptions{.searchText = "WHERE ID_EMPRESA=2", .searchMode = "2", .orderClause = "ORDER BY 1"},
     "SELECT * FROM ALMACEN WHERE ID_EMPRESA=2",
     "ID_ARTICULO,ID_EMPRESA", {"C-9,2", "LAMP-100,2"}},
    {"Almacen_NoMode", "DSPQ_ALMACEN", ListOptions{.searchText = "X", .searchMode = "3"},
     "SELECT * FROM ALMACEN ",
     "ID_ARTICULO,ID_EMPRESA", {"12-A,1", "ASD-1,0", "B-7,1", "C-9,2", "LAMP-100,1", "LAMP-100,2", "X-12,1"}},
    {"Aviso_Mode1", "DSPQ_AVISO", ListOptions{.company = "1", .year = "2024", .searchText = "MA", .searchMode = "1", .orderClause = "ORDER BY ID_AVISO"},
     "SELECT ID_AVISO,FECHA_AVISO,HORA,COMENTARIOS,FECHA_PARA_VISITA,HORA_PARA_VISITA,NOMBRE_CONTACTO,DIRECCION,POBLACION,MOTIVO_AVISO,TELEFONO,MOVIL,ESTADO,OBSERVACIONES,ID_EMPRESA,REALIZADO,ANYO FROM AVISOS  WHERE (CHAR(ID_AVISO) LIKE ('MA%') OR NOMBRE_CONTACTO LIKE ('MA%'))  AND ID_EMPRESA=1 AND ANYO=2024 ORDER BY ID_AVISO",
     "ID_AVISO", {"1", "2"}},
    {"Aviso_Mode1_ByKey", "DSPQ_AVISO", ListOptions{.company = "1", .year = "2024", .searchText = "1", .searchMode = "1"},
     "SELECT ID_AVISO,FECHA_AVISO,HORA,COMENTARIOS,FECHA_PARA_VISITA,HORA_PARA_VISITA,NOMBRE_CONTACTO,DIRECCION,POBLACION,MOTIVO_AVISO,TELEFONO,MOVIL,ESTADO,OBSERVACIONES,ID_EMPRESA,REALIZADO,ANYO FROM AVISOS  WHERE (CHAR(ID_AVISO) LIKE ('1%') OR NOMBRE_CONTACTO LIKE ('1%'))  AND ID_EMPRESA=1 AND ANYO=2024 ",
     "ID_AVISO", {"1", "15"}},
    {"Aviso_Mode2", "DSPQ_AVISO", ListOptions{.searchText = "WHERE ANYO=2025", .searchMode = "2", .orderClause = "ORDER BY 1"},
     "SELECT ID_AVISO,FECHA_AVISO,HORA,COMENTARIOS,FECHA_PARA_VISITA,HORA_PARA_VISITA,NOMBRE_CONTACTO,DIRECCION,POBLACION,MOTIVO_AVISO,TELEFONO,MOVIL,ESTADO,OBSERVACIONES,ID_EMPRESA,REALIZADO,ANYO FROM AVISOS WHERE ANYO=2025",
     "ID_AVISO", {"3"}},
    {"Aviso_NoMode", "DSPQ_AVISO", ListOptions{.searchText = "M", .searchMode = "0"},
     "SELECT ID_AVISO,FECHA_AVISO,HORA,COMENTARIOS,FECHA_PARA_VISITA,HORA_PARA_VISITA,NOMBRE_CONTACTO,DIRECCION,POBLACION,MOTIVO_AVISO,TELEFONO,MOVIL,ESTADO,OBSERVACIONES,ID_EMPRESA,REALIZADO,ANYO FROM AVISOS ",
     "ID_AVISO", {"1", "15", "2", "3", "4"}},
    {"OpcionesNumericas", "DSPQ_OPCIONESNUMERICAS", ListOptions{.company = "1", .year = "2024", .searchText = "1", .orderClause = "ORDER BY ANYO"},
     "SELECT ID_EMPRESA,ANYO,ID_COBRO,ID_ENTRADA,ID_PRESUPUESTO,ID_SALIDA,ID_AVISO FROM OPCIONESNUMERICAS  WHERE ( CHAR(ID_EMPRESA) LIKE ('1%')) AND ID_EMPRESA=1 AND ANYO=2024 ORDER BY ANYO",
     "ID_EMPRESA,ANYO,ID_COBRO", {"1,2024,10"}},
    {"TiposIva_Mode1", "DSPQ_TIPOSIVA", ListOptions{.searchText = "2", .searchMode = "1", .orderClause = "ORDER BY TIPO"},
     "SELECT * FROM TIPOSIVA  WHERE (CHAR(TIPO) LIKE ('2%')) ORDER BY TIPO",
     "TIPO", {"21"}},
    {"TiposIva_Mode2", "DSPQ_TIPOSIVA", ListOptions{.searchText = "WHERE TIPO>4", .searchMode = "2", .orderClause = "ORDER BY TIPO"},
     "SELECT * FROM TIPOSIVA WHERE TIPO>4 ORDER BY TIPO",
     "TIPO", {"10", "21"}},
    {"TiposIva_NoMode", "DSPQ_TIPOSIVA", ListOptions{.searchText = "2"},
     "SELECT * FROM TIPOSIVA ",
     "TIPO", {"0", "10", "21", "4"}},
    {"AlmacenDetalle2_Mode1", "DSPQ_ALMACENDETALLE2", ListOptions{.searchText = "8400000000017", .searchMode = "1", .orderClause = "ORDER BY NUMERO1"},
     "SELECT * FROM ALMACENDETALLE2  WHERE (CODIGO_BARRAS='8400000000017') OR NUMERO1=8400000000017 ORDER BY NUMERO1",
     "NUMERO1", {"1", "3"}},
    {"AlmacenDetalle2_Mode1_ByNumber", "DSPQ_ALMACENDETALLE2", ListOptions{.searchText = "2", .searchMode = "1"},
     "SELECT * FROM ALMACENDETALLE2  WHERE (CODIGO_BARRAS='2') OR NUMERO1=2 ",
     "NUMERO1", {"2"}},
    {"AlmacenDetalle2_Mode2", "DSPQ_ALMACENDETALLE2", ListOptions{.searchText = "WHERE CANTIDAD>2", .searchMode = "2", .orderClause = "ORDER BY NUMERO1"},
     "SELECT * FROM ALMACENDETALLE2 WHERE CANTIDAD>2 ORDER BY NUMERO1",
     "NUMERO1", {"1", "2"}},
    {"AlmacenDetalle2_NoMode", "DSPQ_ALMACENDETALLE2", ListOptions{.searchText = "2", .searchMode = "3"},
     "SELECT * FROM ALMACENDETALLE2 ",
     "NUMERO1", {"1", "2", "3"}},

    // Values between apostrophes have their apostrophes doubled: the value is searched for as
    // typed and cannot end the literal. Values in other positions, and the raw modes, go as sent.
    {"Clientes_Mode1_Apostrophe", "DSPQ_CLIENTES", ListOptions{.searchText = "L'HORTA", .searchMode = "1", .deletedFilter = "0"},
     "SELECT * FROM CLIENTES  WHERE (NIF LIKE ('L''HORTA%') OR CHAR(ID_CLIENTE) LIKE ('L''HORTA%') OR NOMBRE LIKE ('L''HORTA%')) AND CHAR(BORRADO) LIKE ('0%') ",
     "ID_CLIENTE", {"3"}},
    // A value written to widen the search finds nothing instead of every customer.
    {"Clientes_Mode2_WideningValue", "DSPQ_CLIENTES", ListOptions{.searchText = "X' OR '1'='1", .searchMode = "2", .deletedFilter = "0"},
     "SELECT * FROM CLIENTES  WHERE NIF='X'' OR ''1''=''1' AND BORRADO=0 ",
     "ID_CLIENTE", {}},
    // The deleted filter stands unquoted there.
    {"Clientes_Mode2_RawDeletedFilter", "DSPQ_CLIENTES", ListOptions{.searchText = "33333333C", .searchMode = "2", .deletedFilter = "0 OR NOMBRE='ALBA'"},
     "SELECT * FROM CLIENTES  WHERE NIF='33333333C' AND BORRADO=0 OR NOMBRE='ALBA' ",
     "ID_CLIENTE", {"1", "3"}},
    // A raw mode: the client's condition is SQL, its apostrophes included.
    {"Clientes_Mode3_RawApostrophes", "DSPQ_CLIENTES", ListOptions{.searchText = "WHERE NOMBRE='L''HORTA'", .searchMode = "3"},
     "SELECT * FROM CLIENTES WHERE NOMBRE='L''HORTA' ",
     "ID_CLIENTE", {"3"}},
    // A family code with an apostrophe, between apostrophes too.
    {"Articulos_Mode3_FamilyApostrophe", "DSPQ_ARTICULOS", ListOptions{.searchText = "L", .searchMode = "3", .deletedFilter = "0", .value2 = "0'1"},
     "SELECT * FROM ARTICULOS  WHERE (ID_ARTICULO LIKE ('L%')  OR DESCRIPCION LIKE ('L%') OR ART_PROVEEDOR LIKE ('L%') ) and cod_familia='0''1' AND CHAR(BORRADO) LIKE ('0%') ",
     "ID_ARTICULO", {}},

    // Modes are compared exactly: " 1" is no mode.
    {"Clientes_SpacedMode", "DSPQ_CLIENTES", ListOptions{.searchText = "AL", .searchMode = " 1"},
     "SELECT * FROM CLIENTES ",
     "ID_CLIENTE", {"1", "2", "3", "4", "5", "12"}},
    // A blank search text composes nothing: the design-time statement of Q_ARTICULOS.
    {"Articulos_BlankSearch", "DSPQ_ARTICULOS", ListOptions{.searchText = " \t ", .searchMode = "3"},
     "select * from articulos",
     "ID_ARTICULO", {"CABLE-1", "LAMP-100", "LAMP-200", "LED-7W"}},
};

// Reads that fail before any SQL.
const RefusedReadCase kRefusedCases[] = {
    // A blank search text composes nothing, and a fresh object has no statement to read with.
    {"Clientes_BlankSearch", "DSPQ_CLIENTES", ListOptions{.searchText = " \t ", .searchMode = "3"},
     "Missing query, table name or procedure name"},
    {"Clientes_PageNumberNoInteger", "DSPQ_CLIENTES", ListOptions{.pageNumber = "x"},
     "'x' is not a valid integer value"},
    {"Clientes_PageSizeEmpty", "DSPQ_CLIENTES", ListOptions{.pageSize = ""},
     "'' is not a valid integer value"},
};

// clang-format on

class ReadListCase : public StatementCaseTest {};

TEST_P(ReadListCase, SendsItsStatementAndReturnsItsRows) {
    check();
}

INSTANTIATE_TEST_SUITE_P(ReadListStatements, ReadListCase, ::testing::ValuesIn(kListCases),
                         CaseName());

class ReadListRefusal : public RefusedReadTest {};

TEST_P(ReadListRefusal, FailsBeforeAnySql) {
    check();
}

INSTANTIATE_TEST_SUITE_P(ReadListRefusals, ReadListRefusal, ::testing::ValuesIn(kRefusedCases),
                         CaseName());

}  // namespace
}  // namespace zorvanil::test
