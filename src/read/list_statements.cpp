#include "read/list_statements.hpp"

namespace zorvanil::read {

namespace {

using enum RequestValue;
using enum OptionsLayout;
using enum Stop;
using enum Paging;

// clang-format off

// The list and lookup providers: name, options layout, value that must not be blank, stop rule,
// mode value, paging, base statement.
constexpr ListProvider kProviders[] = {
    // Master-data lists.
    {"DSPQ_CLIENTES",               Record, SearchText, OnEmptySearch,          SearchMode, Pages, "SELECT * FROM CLIENTES "},
    {"DSPQ_PROVEEDOR_ACREEDOR",     Record, SearchText, OnEmptySearch,          SearchMode, Pages, "SELECT * FROM PROVEEDOR_ACREEDOR "},
    {"DSPQ_ARTICULOS",              Record, SearchText, OnEmptySearch,          SearchMode, Pages, " SELECT * FROM ARTICULOS "},
    {"DSPQ_FAMILIAS",               Record, SearchText, OnEmptySearch,          SearchMode, Pages, "SELECT * FROM FAMILIAS "},
    {"DSPQ_SERIES",                 Record, SearchText, OnEmptySearch,          SearchMode, Pages, "SELECT * FROM SERIES "},
    {"DSPQ_EMPRESA",                Record, SearchText, OnEmptySearch,          SearchMode, Pages, " SELECT * FROM EMPRESAS "},
    {"DSPQ_FORMAPAGO",              Record, SearchText, OnEmptySearch,          SearchMode, Pages, "SELECT ID_FORMA,DESCRIPCION FROM FORMAPAGO "},
    {"DSPQ_TARIFAS",                Record, SearchText, OnEmptySearch,          SearchMode, Pages, "SELECT ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,GDESCRIPCION,NOMBRE,OBSERVACIONES,PRECIO,FECHA,DIAS_SUMINISTRO,DESCUENTO,NETO,IVA,EAN_FABRICANTE,MARCA,BRAZOS,ID_COLOR,PVPCAT FROM TARIFAS_PROVEEDORES "},
    {"DSPQ_ALMACEN",                Record, SearchText, OnEmptySearch,          SearchMode, Pages, "SELECT * FROM ALMACEN "},
    {"DSPQ_AVISO",                  Record, SearchText, OnEmptySearch,          SearchMode, Pages, "SELECT ID_AVISO,FECHA_AVISO,HORA,COMENTARIOS,FECHA_PARA_VISITA,HORA_PARA_VISITA,NOMBRE_CONTACTO,DIRECCION,POBLACION,MOTIVO_AVISO,TELEFONO,MOVIL,ESTADO,OBSERVACIONES,ID_EMPRESA,REALIZADO,ANYO FROM AVISOS "},
    {"DSPQ_OPCIONESNUMERICAS",      Record, SearchText, OnEmptySearch,          SearchMode, Pages, " SELECT ID_EMPRESA,ANYO,ID_COBRO,ID_ENTRADA,ID_PRESUPUESTO,ID_SALIDA,ID_AVISO FROM OPCIONESNUMERICAS "},
    {"DSPQ_TIPOSIVA",               Record, SearchText, OnEmptySearch,          SearchMode, Pages, " SELECT * FROM TIPOSIVA "},
    {"DSPQ_ALMACENDETALLE2",        Record, SearchText, OnEmptySearch,          SearchMode, Pages, " SELECT * FROM ALMACENDETALLE2 "},

    // Lookups on an options record.
    {"dspq_proveedor_acreedoraux",  Record, SearchText, OnEmptySearch,          SearchMode, Pages, "SELECT * FROM PROVEEDOR_ACREEDOR "},
    {"DSPQ_FAMILIASAUX",            Record, SearchText, OnEmptySearchUnlessAll, SearchMode, Pages, "SELECT * FROM FAMILIAS "},
    {"DSPQ_ARTICULOSAUX",           Record, SearchText, OnEmptySearchUnlessAll, SearchMode, Pages, " SELECT * FROM ARTICULOS "},
    {"DSPQ_SERIESAUX",              Record, SearchText, OnEmptySearch,          SearchMode, Pages, "SELECT * FROM SERIES "},
    {"DSPQ_EMPRESAAUX",             Record, SearchText, OnEmptySearch,          SearchMode, Pages, " SELECT * FROM EMPRESAS "},
    {"DSPQ_FORMAPAGOAUX",           Record, SearchText, OnEmptySearch,          SearchMode, Pages, "SELECT ID_FORMA,DESCRIPCION FROM FORMAPAGO "},
    {"DSPQ_TARIFASAUX",             Record, SearchText, OnEmptySearch,          SearchMode, Pages, "SELECT ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,GDESCRIPCION,NOMBRE,OBSERVACIONES,PRECIO,FECHA,DIAS_SUMINISTRO,DESCUENTO,NETO,IVA,EAN_FABRICANTE,MARCA,BRAZOS,ID_COLOR,PVPCAT FROM TARIFAS_PROVEEDORES "},
    {"DSPQ_AVISOAUX",               Record, SearchText, OnEmptySearch,          SearchMode, Pages, "SELECT ID_AVISO,FECHA_AVISO,HORA,COMENTARIOS,FECHA_PARA_VISITA,HORA_PARA_VISITA,NOMBRE_CONTACTO,DIRECCION,POBLACION,MOTIVO_AVISO,TELEFONO,MOVIL,ESTADO,OBSERVACIONES,ID_EMPRESA,REALIZADO,ANYO FROM AVISOS "},
    // The article by bar code or by its own code: Company carries the code, Year the supplier.
    {"DSPQ_ARTICULOEAN",            Record, None,       Never,                  Year,       FirstRow, "SELECT * FROM ARTICULOS "},

    // Lookups on a short layout.
    {"DSPQ_CLIENTEAUX",             Short,  Token3,     OnEmptySearch,          Token5,     Pages, "SELECT * FROM CLIENTES "},
    {"DSPQ_COLORESAUX",             Short,  Token3,     OnEmptySearch,          Token4,     Pages, "SELECT ID_COLOR,DESCRIPCION FROM COLORES "},
    {"DSPQ_ALMACENAUX",             Short,  Token3,     OnEmptySearch,          Token5,     Pages, "SELECT * FROM ALMACEN "},
    // The whole statement is the tail.
    {"DSPQ_COLORES",                Short,  Token3,     OnEmptySearch,          None,       Pages, ""},
    {"DSPQ_EAN",                    Short,  Token3,     OnEmptySearch,          None,       Pages, ""},
    {"DSPQ_FCLIENTE",               Short,  Token1,     OnEmptySearch,          None,       FirstRow, "SELECT NIF,NOMBRE FROM CLIENTES"},
    {"DSPQ_FPROVEEDOR",             Short,  Token1,     OnEmptySearch,          None,       FirstRow, "SELECT NIF,NOMBRE FROM PROVEEDOR_ACREEDOR "},
    {"DSPQ_TIPOS",                  Short,  Token1,     OnEmptySearch,          None,       FirstRow, "SELECT ID_TIPO,ID_PROVEEDOR,SUBCUENTA FROM TIPOS "},
};

// The tails, in the order a provider tests them. quoted(...) marks a value between apostrophes,
// raw(...) a value that is SQL text of its own.
constexpr ListStatement kStatements[] = {
    // Master-data lists.
    {"DSPQ_CLIENTES", mode("1"), {" WHERE (NIF LIKE ('", quoted(SearchText), "%') OR CHAR(ID_CLIENTE) LIKE ('", quoted(SearchText), "%') OR NOMBRE LIKE ('", quoted(SearchText), "%')) AND CHAR(BORRADO) LIKE ('", quoted(DeletedFilter), "%') ", raw(OrderClause)}},
    {"DSPQ_CLIENTES", mode("2"), {" WHERE NIF='", quoted(SearchText), "' AND BORRADO=", raw(DeletedFilter), " ", raw(OrderClause)}},
    {"DSPQ_CLIENTES", mode("3"), {raw(SearchText), " ", raw(OrderClause)}},

    {"DSPQ_PROVEEDOR_ACREEDOR", mode("1"), {" WHERE (NIF LIKE ('", quoted(SearchText), "%') OR CHAR(ID_PROVEEDOR) LIKE ('", quoted(SearchText), "%') OR NOMBRE LIKE ('", quoted(SearchText), "%')) AND CHAR(BORRADO) LIKE ('", quoted(DeletedFilter), "%') ", raw(OrderClause)}},
    {"DSPQ_PROVEEDOR_ACREEDOR", mode("2"), {" WHERE NIF='", quoted(SearchText), "' AND BORRADO=", raw(DeletedFilter), " ", raw(OrderClause)}},

    {"DSPQ_ARTICULOS", mode("1"), {" WHERE (ID_ARTICULO LIKE ('", quoted(SearchText), "%')  OR DESCRIPCION LIKE ('", quoted(SearchText), "%') OR ART_PROVEEDOR LIKE ('", quoted(SearchText), "%')) AND CHAR(BORRADO) LIKE ('", quoted(DeletedFilter), "%') ", raw(OrderClause)}},
    {"DSPQ_ARTICULOS", mode("2"), {raw(SearchText), " ", raw(OrderClause)}},
    {"DSPQ_ARTICULOS", mode("3"), {" WHERE (ID_ARTICULO LIKE ('", quoted(SearchText), "%')  OR DESCRIPCION LIKE ('", quoted(SearchText), "%') OR ART_PROVEEDOR LIKE ('", quoted(SearchText), "%') ) and cod_familia='", quoted(Value2), "' AND CHAR(BORRADO) LIKE ('", quoted(DeletedFilter), "%') ", raw(OrderClause)}},

    {"DSPQ_FAMILIAS", mode("4"),     {raw(SearchText), " ", raw(OrderClause)}},
    {"DSPQ_FAMILIAS", kAnyOtherMode, {" WHERE COD_FAMILIA LIKE ('", quoted(SearchText), "%')  or descripcion like ('", quoted(SearchText), "%') ", raw(OrderClause)}},

    {"DSPQ_SERIES", kEveryRequest, {" WHERE (ID_SERIE LIKE ('", quoted(SearchText), "%') OR CHAR(ID_EMPRESA) LIKE ('", quoted(SearchText), "%')) AND ID_EMPRESA=", raw(Company), " AND ANYO=", raw(Year), " ", raw(OrderClause)}},

    {"DSPQ_EMPRESA", kEveryRequest, {" WHERE (CHAR(ID_EMPRESA) LIKE ('", quoted(SearchText), "%') OR CIF_EMPRESA LIKE ('", quoted(SearchText), "%')) AND TIPO=", raw(TypeFilter), " "}},

    {"DSPQ_FORMAPAGO", kEveryRequest, {" WHERE ID_FORMA LIKE ('", quoted(SearchText), "%') OR DESCRIPCION LIKE ('", quoted(SearchText), "%') "}},

    {"DSPQ_TARIFAS", mode("1"), {" WHERE CHAR(ID_PROVEEDOR) LIKE ('", quoted(SearchText), "%')  OR ART_PROVEEDOR LIKE ('", quoted(SearchText), "%') OR NOMBRE LIKE ('", quoted(SearchText), "%') ", raw(OrderClause)}},
    {"DSPQ_TARIFAS", mode("2"), {raw(SearchText), " ", raw(OrderClause)}},

    {"DSPQ_ALMACEN", mode("1"), {" WHERE ((ID_ARTICULO LIKE ('%", quoted(SearchText), "%') OR DESCRIPCION LIKE ('", quoted(SearchText), "%')) AND ID_EMPRESA=", raw(Company), ") ", raw(OrderClause)}},
    {"DSPQ_ALMACEN", mode("2"), {raw(SearchText)}},

    {"DSPQ_AVISO", mode("1"), {" WHERE (CHAR(ID_AVISO) LIKE ('", quoted(SearchText), "%') OR NOMBRE_CONTACTO LIKE ('", quoted(SearchText), "%'))  AND ID_EMPRESA=", raw(Company), " AND ANYO=", raw(Year), " ", raw(OrderClause)}},
    {"DSPQ_AVISO", mode("2"), {raw(SearchText)}},

    {"DSPQ_OPCIONESNUMERICAS", kEveryRequest, {" WHERE ( CHAR(ID_EMPRESA) LIKE ('", quoted(SearchText), "%')) AND ID_EMPRESA=", raw(Company), " AND ANYO=", raw(Year), " ", raw(OrderClause)}},

    {"DSPQ_TIPOSIVA", mode("1"), {" WHERE (CHAR(TIPO) LIKE ('", quoted(SearchText), "%')) ", raw(OrderClause)}},
    {"DSPQ_TIPOSIVA", mode("2"), {raw(SearchText), " ", raw(OrderClause)}},

    {"DSPQ_ALMACENDETALLE2", mode("1"), {" WHERE (CODIGO_BARRAS='", quoted(SearchText), "') OR NUMERO1=", raw(SearchText), " ", raw(OrderClause)}},
    {"DSPQ_ALMACENDETALLE2", mode("2"), {raw(SearchText), " ", raw(OrderClause)}},

    // Lookups on an options record.
    {"dspq_proveedor_acreedoraux", mode("1"), {" WHERE (NIF LIKE ('", quoted(SearchText), "%') OR CHAR(ID_PROVEEDOR) LIKE ('", quoted(SearchText), "%') OR NOMBRE LIKE ('", quoted(SearchText), "%')) AND CHAR(BORRADO) LIKE ('", quoted(DeletedFilter), "%') ", " ", raw(OrderClause)}},
    {"dspq_proveedor_acreedoraux", mode("2"), {" WHERE ID_PROVEEDOR = ", raw(SearchText), " AND BORRADO=0 ", " ", raw(OrderClause)}},

    {"DSPQ_FAMILIASAUX", mode("1"), {" WHERE COD_FAMILIA LIKE ('%", quoted(SearchText), "%') or descripcion like ('%", quoted(SearchText), "%') ", raw(OrderClause)}},
    {"DSPQ_FAMILIASAUX", mode("2"), {" WHERE COD_FAMILIA  = '", quoted(SearchText), "' AND PROFUNDIDAD=", raw(Value2), " ", raw(OrderClause)}},
    {"DSPQ_FAMILIASAUX", mode("3"), {" WHERE COD_FAMILIA  = '", quoted(SearchTextTrimmed), "' ", raw(OrderClause)}},
    {"DSPQ_FAMILIASAUX", mode("4"), {raw(SearchText), " ", raw(OrderClause)}},

    {"DSPQ_ARTICULOSAUX", mode("1"), {" WHERE (ID_ARTICULO LIKE ('", quoted(SearchText), "%')  OR DESCRIPCION LIKE ('", quoted(SearchText), "%')  OR ART_PROVEEDOR LIKE ('", quoted(SearchText), "%')) AND CHAR(BORRADO) LIKE ('", quoted(DeletedFilter), "%') ", raw(OrderClause)}},
    {"DSPQ_ARTICULOSAUX", mode("2"), {" WHERE ID_ARTICULO ='", quoted(SearchText), "' "}},
    {"DSPQ_ARTICULOSAUX", mode("3"), {" WHERE (ID_ARTICULO LIKE ('", quoted(SearchText), "%')  OR DESCRIPCION LIKE ('", quoted(SearchText), "%') OR ART_PROVEEDOR LIKE ('", quoted(SearchText), "%')) and cod_familia='", quoted(Value2), "' AND CHAR(BORRADO) LIKE ('", quoted(DeletedFilter), "%')  ", raw(OrderClause)}},
    {"DSPQ_ARTICULOSAUX", mode("4"), {raw(SearchText), " ", raw(OrderClause)}},

    {"DSPQ_SERIESAUX", mode("1"), {" WHERE ID_SERIE LIKE ('", quoted(SearchText), "%') OR CHAR(ID_EMPRESA) LIKE ('", quoted(SearchText), "%') "}},
    {"DSPQ_SERIESAUX", mode("2"), {" WHERE ID_EMPRESA=", raw(SearchText), " AND ANYO=", raw(Year)}},
    {"DSPQ_SERIESAUX", mode("3"), {" WHERE ID_EMPRESA=", raw(SearchText), " AND ID_SERIE='", quoted(Value2), "' AND ANYO=", raw(Year2)}},

    {"DSPQ_EMPRESAAUX", mode("1"), {" WHERE (CHAR(ID_EMPRESA) LIKE ('", quoted(SearchText), "%') OR CIF_EMPRESA LIKE ('", quoted(SearchText), "%')) AND TIPO=", raw(TypeFilter), " "}},
    {"DSPQ_EMPRESAAUX", mode("2"), {" WHERE ID_EMPRESA =", raw(SearchText), " AND TIPO=", raw(TypeFilter), " "}},

    {"DSPQ_FORMAPAGOAUX", kEveryRequest, {" WHERE ID_FORMA LIKE ('", quoted(SearchText), "%') OR DESCRIPCION LIKE ('", quoted(SearchText), "%') "}},

    {"DSPQ_TARIFASAUX", mode("1"), {" WHERE CHAR(ID_PROVEEDOR) LIKE ('", quoted(SearchText), "%')  OR ART_PROVEEDOR LIKE ('", quoted(SearchText), "%') ", raw(OrderClause)}},
    {"DSPQ_TARIFASAUX", mode("2"), {raw(SearchText), " ", raw(OrderClause)}},

    {"DSPQ_AVISOAUX", mode("1"), {" WHERE (CHAR(ID_AVISO) LIKE ('", quoted(SearchText), "%') OR NOMBRE_CONTACTO LIKE ('", quoted(SearchText), "%'))  AND ID_EMPRESA=", raw(Company), " AND ANYO=", raw(Year), " ", raw(OrderClause)}},
    {"DSPQ_AVISOAUX", mode("2"), {raw(SearchText)}},

    // Year given: the article of that supplier; otherwise any supplier's.
    {"DSPQ_ARTICULOEAN", kWhenGiven,    {" WHERE (ID_ARTICULO IN (SELECT ID_ARTICULO FROM EAN WHERE EAN='", quoted(Company), "') OR ID_ARTICULO ='", quoted(Company), "') AND ID_PROVEEDOR=", raw(Year), " "}},
    {"DSPQ_ARTICULOEAN", kAnyOtherMode, {" WHERE ID_ARTICULO IN (SELECT ID_ARTICULO FROM EAN WHERE EAN='", quoted(Company), "') OR ID_ARTICULO ='", quoted(Company), "' "}},

    // Lookups on a short layout.
    {"DSPQ_CLIENTEAUX", mode("1"), {" WHERE (NIF LIKE ('", quoted(Token3), "%') OR CHAR(ID_CLIENTE) LIKE ('", quoted(Token3), "%') OR NOMBRE LIKE ('", quoted(Token3), "%')) AND CHAR(BORRADO) LIKE ('", quoted(Token4), "%') ORDER BY NOMBRE"}},
    {"DSPQ_CLIENTEAUX", mode("2"), {" WHERE ID_CLIENTE = ", raw(Token3), " AND BORRADO=0 ORDER BY NOMBRE"}},

    {"DSPQ_COLORESAUX", mode("1"), {" WHERE ID_COLOR LIKE ('", quoted(Token3), "%') OR DESCRIPCION LIKE ('", quoted(Token3), "%') "}},
    {"DSPQ_COLORESAUX", mode("2"), {" WHERE ID_COLOR = '", quoted(Token3), "' "}},

    {"DSPQ_ALMACENAUX", mode("1"), {" WHERE (ID_ARTICULO LIKE ('", quoted(Token3), "%') OR DESCRIPCION LIKE ('", quoted(Token3), "%'))  AND ID_EMPRESA=", raw(Token4), " ", raw(Token6)}},
    {"DSPQ_ALMACENAUX", mode("2"), {raw(Token3)}},

    {"DSPQ_COLORES", kEveryRequest, {"SELECT ID_COLOR,DESCRIPCION FROM COLORES WHERE ID_COLOR LIKE ('", quoted(Token3), "%') OR DESCRIPCION LIKE ('", quoted(Token3), "%') "}},

    {"DSPQ_EAN", kEveryRequest, {"SELECT ID_ARTICULO,EAN FROM EAN WHERE ID_ARTICULO ='", quoted(Token3), "'  "}},

    {"DSPQ_FCLIENTE", kEveryRequest, {" WHERE NIF='", quoted(Token1), "' and CHAR(BORRADO) LIKE ('", quoted(Token2), "%')  ORDER BY NOMBRE"}},

    {"DSPQ_FPROVEEDOR", kEveryRequest, {"WHERE NIF='", quoted(Token1), "' and CHAR(BORRADO) LIKE ('", quoted(Token2), "%') "}},

    {"DSPQ_TIPOS", kEveryRequest, {"WHERE ID_PROVEEDOR=", raw(Token1)}},
};

// The short layouts: provider, page tokens, tokens read, defaults for an empty options string.
constexpr ShortLayout kShortLayouts[] = {
    // page number, page size, search text, deleted filter, search mode
    {"DSPQ_CLIENTEAUX", true,  5, {"0", "0", "ASD", "-1", ""}},
    // page number, page size, search text, search mode
    {"DSPQ_COLORESAUX", true,  4, {"0", "0", "P", ""}},
    // page number, page size, search text, company, search mode, tail clause
    {"DSPQ_ALMACENAUX", true,  6, {"0", "0", "ASD", "0", "1", ""}},
    // page number, page size, search text
    {"DSPQ_COLORES",    true,  3, {"0", "0", "P"}},
    // page number, page size, article code
    {"DSPQ_EAN",        true,  3, {"0", "0", "P"}},
    // tax number, deleted filter
    {"DSPQ_FCLIENTE",   false, 2, {"ASDF", ""}},
    {"DSPQ_FPROVEEDOR", false, 2, {"ASDF", ""}},
    // supplier key
    {"DSPQ_TIPOS",      false, 1, {"-99"}},
};

// clang-format on

}  // namespace

std::span<const ListProvider> listProviders() {
    return kProviders;
}

std::span<const ListStatement> listStatements() {
    return kStatements;
}

std::span<const ShortLayout> shortLayouts() {
    return kShortLayouts;
}

ReadTables listTables() {
    return {kProviders, kStatements, kShortLayouts, {}};
}

}  // namespace zorvanil::read
