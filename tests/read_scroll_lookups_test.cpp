#include <gtest/gtest.h>

#include <algorithm>

#include "app/zorvanil_handlers.hpp"
#include "db/sql_dataset.hpp"
#include "server/provider.hpp"
#include "support/statement_case.hpp"
#include "support/test_driver.hpp"

namespace zorvanil::test {
namespace {

// Rows the documents refer to, besides the fixture's master data: customers with trade names,
// a supplier whose name is 30 characters long and one of 60, codes holding an apostrophe.
const char* const kScrollRows = R"(
UPDATE CLIENTES SET NOMBRE_COMERCIAL = 'LUCES ALBA  ' WHERE ID_CLIENTE = 1;
UPDATE CLIENTES SET NOMBRE_COMERCIAL = ' ' || char(9) || 'CARMEN SL' || char(13) || char(10)
  WHERE ID_CLIENTE = 12;
INSERT INTO PROVEEDOR_ACREEDOR (ID_PROVEEDOR, NOMBRE, BORRADO) VALUES
  (20, 'ILUMINACION Y ELECTRICIDAD SUR', 0),
  (30, 'DISTRIBUCIONES DE MATERIAL ELECTRICO E ILUMINACION DEL NORTE', 0);
INSERT INTO COLORES VALUES ('O''R', 'ORO VIEJO');
INSERT INTO FAMILIAS VALUES ('0''3', 'D''ALT', 1);
INSERT INTO FORMAPAGO VALUES ('O''K', ' PAGO OK' || char(9));
)";

// One dataset read row by row: the statement it is opened with (empty: the one it holds), rows
// added for the case, its calculated fields, the lookups its rows send (byte for byte, in
// order) and the fields' values on each row, joined by ','.
struct ScrollCase {
    const char* name;
    const char* dataSet;
    const char* rows;
    const char* statement;
    const char* fields;
    std::vector<std::string> lookups;
    std::vector<std::string> values;
};

void PrintTo(const ScrollCase& c, std::ostream* os) {
    *os << c.dataSet << ' ' << c.fields;
}

// clang-format off
const ScrollCase kScrollCases[] = {
    // A customer's name; a null customer sends nothing; a deleted one finds no name.
    {"Presupuesto", "QMD_PRESUPUESTO",
     "INSERT INTO PRESUPUESTOS (ID_PRESUPUESTO, ID_EMPRESA, ANYO, ID_CLIENTE) VALUES (1, 1, 2024, 2), (2, 1, 2024, NULL), (3, 1, 2024, 99)",
     "SELECT * FROM PRESUPUESTOS ORDER BY ID_PRESUPUESTO", "NOMBRECLIENTE",
     {"SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = 2", "SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = 99"},
     {"BENITO", "", ""}},
    {"PresupuestoAux", "Q_MDPRESUPUESTOAUX",
     "INSERT INTO PRESUPUESTOS (ID_PRESUPUESTO, ID_EMPRESA, ANYO, ID_CLIENTE) VALUES (4, 1, 2024, 3)",
     "", "NOMBRECLIENTE,NOMBRE",
     {"SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE =3"},
     {"L'HORTA,L'HORTA"}},
    {"Albaran", "Q_MDALBARAN",
     "INSERT INTO ALBARANES (ID_ALBARAN, ANYO, ID_EMPRESA, ID_SERIE, ID_CLIENTE) VALUES (1, 2024, 1, 'A', 1), (2, 2024, 1, 'A', NULL), (3, 2024, 1, 'A', 12)",
     "SELECT * FROM ALBARANES ORDER BY ID_ALBARAN", "NOMBRECLIENTE",
     {"SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = 1", "SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = 12"},
     {"ALBA", "", "CARMEN"}},
    {"AlbaranAux", "Q_MDALBARANAUX",
     "INSERT INTO ALBARANES (ID_ALBARAN, ANYO, ID_EMPRESA, ID_SERIE, ID_CLIENTE) VALUES (1, 2024, 1, 'A', 4)",
     "", "NOMBRECLIENTE,NOMBRE",
     {"SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = 4"},
     {"DAVID,DAVID"}},
    {"Factura", "Q_MDFACTURA",
     "INSERT INTO FACTURAS (ID_FACTURA, ANYO, ID_EMPRESA, ID_SERIE, ID_CLIENTE) VALUES (1, 2024, 1, 'A', 5), (2, 2024, 1, 'A', 77)",
     "SELECT * FROM FACTURAS ORDER BY ID_FACTURA", "NOMBRECLIENTE",
     {"SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = 5", "SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = 77"},
     {"ALBERTO", ""}},
    {"FacturaAux", "Q_MDFACTURAAUX",
     "INSERT INTO FACTURAS (ID_FACTURA, ANYO, ID_EMPRESA, ID_SERIE, ID_CLIENTE) VALUES (1, 2024, 1, 'A', 2)",
     "", "NOMBRECLIENTE,NOMBRE",
     {"SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = 2"},
     {"BENITO,BENITO"}},
    {"Cobro", "Q_MDCOBRO",
     "INSERT INTO COBRO (ID_COBRO, ANYO, ID_EMPRESA, ID_CLIENTE) VALUES (1, 2024, 1, 1), (2, 2024, 1, NULL)",
     "SELECT ID_SERIE,ID_COBRO,ANYO,TIPO,ID_EMPRESA,ID,OBSERVACIONES,BASE,ESTADO,ID_CLIENTE,TOTAL_COBRADO,ANYOSERIE FROM COBRO ORDER BY ID_COBRO", "NOMBRECLIENTE",
     {"SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = 1"},
     {"ALBA", ""}},
    {"CobroAux", "Q_MDCOBROAUX",
     "INSERT INTO COBRO (ID_COBRO, ANYO, ID_EMPRESA, ID_CLIENTE) VALUES (1, 2024, 1, 3)",
     "", "NOMBRECLIENTE",
     {"SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = 3"},
     {"L'HORTA"}},
    {"TicketAuxDocument", "Q_MDTICKETAUX",
     "INSERT INTO TICKET (ID_TICKET, ID_EMPRESA, ANYO, ID_SERIE, ID_CLIENTE) VALUES (1, 1, 2024, 'T', 2)",
     "", "NOMBRECLIENTE,NOMBRE",
     {"SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = 2"},
     {"BENITO,BENITO"}},
    // Tickets: the trade name and the payment method, each trimmed; an empty key goes on.
    {"Ticket", "Q_MDTICKET",
     "INSERT INTO TICKET (ID_TICKET, ID_EMPRESA, ANYO, ID_SERIE, ID_CLIENTE, FORMAPAGO) VALUES (1, 1, 2024, 'T', 1, 'EF'), (2, 1, 2024, 'T', 2, NULL), (3, 1, 2024, 'T', 12, 'O''K'), (4, 1, 2024, 'T', 88, 'NO')",
     "SELECT * FROM TICKET ORDER BY ID_TICKET", "NOMBRECLIENTE,FORMAPAGODESCRIPCION",
     {"SELECT  NOMBRE_COMERCIAL FROM CLIENTES WHERE ID_CLIENTE=1", "SELECT  DESCRIPCION FROM FORMAPAGO WHERE ID_FORMA='EF' ",
      "SELECT  NOMBRE_COMERCIAL FROM CLIENTES WHERE ID_CLIENTE=2",
      "SELECT  NOMBRE_COMERCIAL FROM CLIENTES WHERE ID_CLIENTE=12", "SELECT  DESCRIPCION FROM FORMAPAGO WHERE ID_FORMA='O''K' ",
      "SELECT  NOMBRE_COMERCIAL FROM CLIENTES WHERE ID_CLIENTE=88", "SELECT  DESCRIPCION FROM FORMAPAGO WHERE ID_FORMA='NO' "},
     {"LUCES ALBA,EFECTIVO", ",", "CARMEN SL,PAGO OK", ","}},
    {"TicketAux", "Q_TICKETAUX",
     "INSERT INTO TICKET (ID_TICKET, ID_EMPRESA, ANYO, ID_SERIE, ID_CLIENTE, FORMAPAGO) VALUES (1, 1, 2024, 'T', 12, 'EF'), (2, 1, 2024, 'T', 1, NULL)",
     "SELECT * FROM TICKET ORDER BY ID_TICKET", "NOMBRECLIENTE",
     {"SELECT  NOMBRE_COMERCIAL FROM CLIENTES WHERE ID_CLIENTE=12", "SELECT  NOMBRE_COMERCIAL FROM CLIENTES WHERE ID_CLIENTE=1"},
     {"CARMEN SL", "LUCES ALBA"}},
    // Articles: colour, family and supplier; a missing key empties its name and the others go
    // on; codes with an apostrophe find their names; the long supplier name arrives whole.
    {"Articulos", "Q_ARTICULOS",
     "UPDATE ARTICULOS SET ID_COLOR = 'PL' WHERE COD_ARTICULO = 1;"
     "UPDATE ARTICULOS SET ID_COLOR = 'O''R', ID_PROVEEDOR = NULL WHERE COD_ARTICULO = 3;"
     "UPDATE ARTICULOS SET COD_FAMILIA = '0''3', ID_PROVEEDOR = 20 WHERE COD_ARTICULO = 4",
     "SELECT * FROM ARTICULOS ORDER BY COD_ARTICULO", "colordescripcion,familiadescripcion,nombreproveedor",
     {"SELECT DESCRIPCION FROM COLORES WHERE ID_COLOR = 'PL' ", "SELECT DESCRIPCION FROM FAMILIAS WHERE COD_FAMILIA = '01' ", "SELECT NOMBRE FROM proveedor_acreedor WHERE id_proveedor = 1 ",
      "SELECT DESCRIPCION FROM FAMILIAS WHERE COD_FAMILIA = '0101' ", "SELECT NOMBRE FROM proveedor_acreedor WHERE id_proveedor = 2 ",
      "SELECT DESCRIPCION FROM COLORES WHERE ID_COLOR = 'O''R' ", "SELECT DESCRIPCION FROM FAMILIAS WHERE COD_FAMILIA = '02' ",
      "SELECT DESCRIPCION FROM FAMILIAS WHERE COD_FAMILIA = '0''3' ", "SELECT NOMBRE FROM proveedor_acreedor WHERE id_proveedor = 20 "},
     {"PLATA,ILUMINACION,LUMINOSA SA", ",LAMPARAS,ELECTRO NORTE", "ORO VIEJO,ELECTRICIDAD,", ",D'ALT,ILUMINACION Y ELECTRICIDAD SUR"}},
    // The same supplier cut to the 20 characters of the field.
    {"ArticulosAux", "Q_ARTICULOSAUX",
     "UPDATE ARTICULOS SET ID_PROVEEDOR = 20 WHERE COD_ARTICULO = 1; UPDATE ARTICULOS SET ID_PROVEEDOR = NULL WHERE COD_ARTICULO > 2",
     "SELECT * FROM ARTICULOS ORDER BY COD_ARTICULO", "nombreproveedor",
     {"SELECT NOMBRE FROM PROVEEDOR_ACREEDOR WHERE ID_PROVEEDOR = 20", "SELECT NOMBRE FROM PROVEEDOR_ACREEDOR WHERE ID_PROVEEDOR = 2"},
     {"ILUMINACION Y ELECTR", "ELECTRO NORTE", "", ""}},
    // A 60-character supplier name: whole in the 80 characters of Q_TARIFAS, cut to 50 in
    // Q_TARIFASAUX.
    {"Tarifas", "Q_TARIFAS",
     "INSERT INTO TARIFAS_PROVEEDORES (ID_PROVEEDOR, ART_PROVEEDOR) VALUES (30, 'D1')",
     "SELECT ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,GDESCRIPCION,NOMBRE,OBSERVACIONES,PRECIO,FECHA,DIAS_SUMINISTRO,DESCUENTO,NETO,IVA,EAN_FABRICANTE,MARCA,BRAZOS,ID_COLOR,PVPCAT FROM TARIFAS_PROVEEDORES WHERE ID_PROVEEDOR > 1 ORDER BY ID_PROVEEDOR, ART_PROVEEDOR", "nombreproveedor",
     {"SELECT NOMBRE FROM proveedor_acreedor WHERE id_proveedor = 2", "SELECT NOMBRE FROM proveedor_acreedor WHERE id_proveedor = 2", "SELECT NOMBRE FROM proveedor_acreedor WHERE id_proveedor = 30"},
     {"ELECTRO NORTE", "ELECTRO NORTE", "DISTRIBUCIONES DE MATERIAL ELECTRICO E ILUMINACION DEL NORTE"}},
    {"TarifasAux", "Q_TARIFASAUX",
     "INSERT INTO TARIFAS_PROVEEDORES (ID_PROVEEDOR, ART_PROVEEDOR) VALUES (30, 'D1'), (40, 'D2')",
     "SELECT ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,GDESCRIPCION,NOMBRE,OBSERVACIONES,PRECIO,FECHA,DIAS_SUMINISTRO,DESCUENTO,NETO,IVA,EAN_FABRICANTE,MARCA,BRAZOS,ID_COLOR,PVPCAT  FROM TARIFAS_PROVEEDORES WHERE ID_PROVEEDOR > 2 ORDER BY ID_PROVEEDOR", "NOMBREPROVEEDOR",
     {"SELECT NOMBRE FROM proveedor_acreedor WHERE id_proveedor = 30", "SELECT NOMBRE FROM proveedor_acreedor WHERE id_proveedor = 40"},
     {"DISTRIBUCIONES DE MATERIAL ELECTRICO E ILUMINACION", ""}},
    {"OpcionesNumericas", "Q_OPCIONESNUMERICAS", "",
     "SELECT ID_EMPRESA,ANYO,ID_COBRO,ID_ENTRADA,ID_PRESUPUESTO,ID_SALIDA,ID_AVISO FROM OPCIONESNUMERICAS ORDER BY ID_EMPRESA, ANYO", "NOMBREEMPRESA",
     {"SELECT NOMBRE FROM EMPRESAS WHERE ID_EMPRESA = 1", "SELECT NOMBRE FROM EMPRESAS WHERE ID_EMPRESA = 1", "SELECT NOMBRE FROM EMPRESAS WHERE ID_EMPRESA = 2"},
     {"LUCES CENTRO", "LUCES CENTRO", "LUCES NORTE"}},
    // The goods-in listing's handler looks nothing up.
    {"ListadoEntrada", "Q_LISTADOENTRADA", "",
     "SELECT ID_CLIENTE, NOMBRE FROM CLIENTES WHERE ID_CLIENTE < 3 ORDER BY ID_CLIENTE", "NOMBRE",
     {},
     {"ALBA", "BENITO"}},
};
// clang-format on

class ScrollLookupCase : public ListReadFixture, public ::testing::WithParamInterface<ScrollCase> {
  protected:
    // Opens the case's dataset, reads the fields of every row and closes it.
    std::vector<std::string> readRows(db::SQLDataSet& ds, std::string_view fields) {
        std::vector<std::string> values;
        ds.open();
        for (; !ds.eof(); ds.next()) {
            std::string line;
            std::string_view rest = fields;
            for (bool first = true; !rest.empty(); first = false) {
                const std::size_t comma = rest.find(',');
                if (!first) line += ',';
                line += ds.fieldByName(rest.substr(0, comma)).asString();
                rest =
                    comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
            }
            values.push_back(line);
        }
        ds.close();
        return values;
    }
};

TEST_P(ScrollLookupCase, SendsItsLookupsAndFillsTheNames) {
    const ScrollCase& c = GetParam();
    db.exec(kScrollRows);
    if (*c.rows) db.exec(c.rows);
    db::SQLDataSet& ds = module().dataSet(c.dataSet);
    if (*c.statement) ds.setCommandText(c.statement);
    const std::string statement = ds.commandText();
    const std::size_t before = db.statements().size();

    EXPECT_EQ(readRows(ds, c.fields), c.values);

    std::vector<std::string> all = db.statements();
    ASSERT_GT(all.size(), before);
    EXPECT_EQ(all[before], statement);
    const std::vector<std::string> lookups(all.begin() + static_cast<std::ptrdiff_t>(before) + 1,
                                           all.end());
    EXPECT_EQ(lookups, c.lookups);
    EXPECT_FALSE(module().Q_AUX().active());
}

INSTANTIATE_TEST_SUITE_P(ScrollLookups, ScrollLookupCase, ::testing::ValuesIn(kScrollCases),
                         CaseName());

// The names on the packets of the list and lookup providers that answer today.
// clang-format off
const StatementCase kProviderCases[] = {
    {"Articulos", "DSPQ_ARTICULOS", ListOptions{.searchText = "WHERE COD_ARTICULO < 5", .searchMode = "2", .orderClause = "ORDER BY COD_ARTICULO"},
     "SELECT * FROM ARTICULOS WHERE COD_ARTICULO < 5 ORDER BY COD_ARTICULO",
     "ID_ARTICULO,colordescripcion,familiadescripcion,nombreproveedor",
     {"LAMP-100,PLATA,ILUMINACION,ILUMINACION Y ELECTRICIDAD SUR", "LAMP-200,,LAMPARAS,ELECTRO NORTE", "CABLE-1,ORO VIEJO,ELECTRICIDAD,", "LED-7W,,ELECTRICIDAD,ELECTRO NORTE"}},
    {"ArticulosAux", "DSPQ_ARTICULOSAUX", ListOptions{.searchText = "WHERE COD_ARTICULO < 5", .searchMode = "4", .orderClause = "ORDER BY COD_ARTICULO"},
     "SELECT * FROM ARTICULOS WHERE COD_ARTICULO < 5 ORDER BY COD_ARTICULO",
     "ID_ARTICULO,nombreproveedor",
     {"LAMP-100,ILUMINACION Y ELECTR", "LAMP-200,ELECTRO NORTE", "CABLE-1,", "LED-7W,ELECTRO NORTE"}},
    {"Tarifas", "DSPQ_TARIFAS", ListOptions{.searchText = "WHERE ID_PROVEEDOR <> 2", .searchMode = "2", .orderClause = "ORDER BY ART_PROVEEDOR"},
     "SELECT ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,GDESCRIPCION,NOMBRE,OBSERVACIONES,PRECIO,FECHA,DIAS_SUMINISTRO,DESCUENTO,NETO,IVA,EAN_FABRICANTE,MARCA,BRAZOS,ID_COLOR,PVPCAT FROM TARIFAS_PROVEEDORES WHERE ID_PROVEEDOR <> 2 ORDER BY ART_PROVEEDOR",
     "ART_PROVEEDOR,nombreproveedor",
     {"CB15,LUMINOSA SA", "D1,DISTRIBUCIONES DE MATERIAL ELECTRICO E ILUMINACION DEL NORTE", "LT100,LUMINOSA SA"}},
    {"TarifasAux", "DSPQ_TARIFASAUX", ListOptions{.searchText = "WHERE ID_PROVEEDOR <> 1", .searchMode = "2", .orderClause = "ORDER BY ART_PROVEEDOR"},
     "SELECT ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,GDESCRIPCION,NOMBRE,OBSERVACIONES,PRECIO,FECHA,DIAS_SUMINISTRO,DESCUENTO,NETO,IVA,EAN_FABRICANTE,MARCA,BRAZOS,ID_COLOR,PVPCAT FROM TARIFAS_PROVEEDORES WHERE ID_PROVEEDOR <> 1 ORDER BY ART_PROVEEDOR",
     "ART_PROVEEDOR,NOMBREPROVEEDOR",
     {"D1,DISTRIBUCIONES DE MATERIAL ELECTRICO E ILUMINACION", "LM200,ELECTRO NORTE", "X1,ELECTRO NORTE"}},
    {"OpcionesNumericas", "DSPQ_OPCIONESNUMERICAS", ListOptions{.company = "1", .year = "2025", .searchText = "1"},
     "SELECT ID_EMPRESA,ANYO,ID_COBRO,ID_ENTRADA,ID_PRESUPUESTO,ID_SALIDA,ID_AVISO FROM OPCIONESNUMERICAS  WHERE ( CHAR(ID_EMPRESA) LIKE ('1%')) AND ID_EMPRESA=1 AND ANYO=2025 ",
     "ID_EMPRESA,ANYO,NOMBREEMPRESA",
     {"1,2025,LUCES CENTRO"}},
};
// clang-format on

class ScrollProviderCase : public StatementCaseTest {};

TEST_P(ScrollProviderCase, PacksTheNamesWithTheRows) {
    db.exec(kScrollRows);
    db.exec(
        "UPDATE ARTICULOS SET ID_COLOR = 'PL', ID_PROVEEDOR = 20 WHERE COD_ARTICULO = 1;"
        "UPDATE ARTICULOS SET ID_COLOR = 'O''R', ID_PROVEEDOR = NULL WHERE COD_ARTICULO = 3;"
        "INSERT INTO TARIFAS_PROVEEDORES (ID_PROVEEDOR, ART_PROVEEDOR) VALUES (30, 'D1')");
    check();
}

INSTANTIATE_TEST_SUITE_P(ScrollLookups, ScrollProviderCase, ::testing::ValuesIn(kProviderCases),
                         CaseName());

// A ticket handler fills only the dataset of its own name; the other handlers fill whichever
// dataset raised the event.
struct ForeignCase {
    const char* handler;
    const char* dataSet;
    const char* statement;
    std::vector<std::string> lookups;
    const char* name;  // NOMBRECLIENTE after the handler ran
};

class ScrollHandlerScope : public ListReadFixture {};

TEST_F(ScrollHandlerScope, TicketHandlersServeOnlyTheirOwnDataSet) {
    db.exec(
        "INSERT INTO TICKET (ID_TICKET, ID_EMPRESA, ANYO, ID_SERIE, ID_CLIENTE) VALUES "
        "(1, 1, 2024, 'T', 2); "
        "INSERT INTO FACTURAS (ID_FACTURA, ANYO, ID_EMPRESA, ID_SERIE, ID_CLIENTE) VALUES "
        "(1, 2024, 1, 'A', 4)");
    const ForeignCase cases[] = {
        {"Q_MDTICKETAfterScroll", "Q_MDTICKETAUX", "", {}, ""},
        {"Q_TICKETAUXAfterScroll", "Q_MDTICKET", "SELECT * FROM TICKET", {}, ""},
        {"Q_MDALBARANAfterScroll",
         "Q_MDFACTURA",
         "SELECT * FROM FACTURAS",
         {"SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = 4"},
         "DAVID"},
    };
    for (const ForeignCase& c : cases) {
        SCOPED_TRACE(c.handler);
        const auto* handler = app::zorvanilHandlers().find<server::AfterScrollHandler>(c.handler);
        ASSERT_NE(handler, nullptr);
        db::SQLDataSet& ds = module().dataSet(c.dataSet);
        ds.afterScroll = nullptr;  // the dataset's own handler stays out of it
        if (*c.statement) ds.setCommandText(c.statement);
        ds.open();
        const std::size_t before = db.statements().size();
        (*handler)(module(), ds);
        const std::vector<std::string> all = db.statements();
        EXPECT_EQ(
            std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()),
            c.lookups);
        EXPECT_EQ(ds.fieldByName("NOMBRECLIENTE").asString(), c.name);
        ds.close();
    }
}

// How many lookups a read of articles runs: one per name of each packed row, none for a row the
// cursor passes over or stops on without packing it.
struct CountCase {
    const char* name;
    std::string pageNumber;
    std::int32_t count;
    const char* search;
    int firstPacked;  // the articles packed, by number, firstPacked to lastPacked; none when 0
    int lastPacked;
};

void PrintTo(const CountCase& c, std::ostream* os) {
    *os << "page " << c.pageNumber << " of 50, count " << c.count << ", " << c.search;
}

const CountCase kCountCases[] = {
    {"FirstPage", "0", 50, "WHERE ID_ARTICULO LIKE 'P%'", 1, 50},
    {"LaterPage", "1", 50, "WHERE ID_ARTICULO LIKE 'P%'", 51, 100},
    {"ShortLastPage", "2", 50, "WHERE ID_ARTICULO LIKE 'P%'", 101, 120},
    {"PastTheEnd", "3", 50, "WHERE ID_ARTICULO LIKE 'P%'", 0, 0},
    {"AllRows", "0", -1, "WHERE ID_ARTICULO LIKE 'P%'", 1, 120},
    {"MetadataOnly", "1", 0, "WHERE ID_ARTICULO LIKE 'P%'", 0, 0},
    {"EmptyResult", "0", 50, "WHERE ID_ARTICULO LIKE 'Z%'", 0, 0},
};

class ScrollLookupCount : public ListReadFixture,
                          public ::testing::WithParamInterface<CountCase> {};

TEST_P(ScrollLookupCount, OnePerNameOfEachPackedRow) {
    const CountCase& c = GetParam();
    // Articles 1001 to 1120 (P001 to P120), each with a colour, a family and a supplier whose
    // key is the article's own.
    db.exec(
        "WITH RECURSIVE n(i) AS (SELECT 1001 UNION ALL SELECT i + 1 FROM n WHERE i < 1120) "
        "INSERT INTO ARTICULOS (COD_ARTICULO, COD_FAMILIA, PROFUNDIDAD, ID_ARTICULO, ID_COLOR, "
        "ID_PROVEEDOR, BORRADO) SELECT i, '01', 1, printf('P%03d', i - 1000), 'PL', i, 0 FROM n");
    const ListOptions options{.pageNumber = c.pageNumber,
                              .pageSize = "50",
                              .searchText = c.search,
                              .searchMode = "2",
                              .orderClause = "ORDER BY COD_ARTICULO"};
    ReadResult r = read("DSPQ_ARTICULOS", c.count, Variant(options.text()));
    ASSERT_TRUE(r.status.ok()) << r.status.message;

    std::vector<std::string> packed, expected, suppliers;
    for (const std::string& code : rows(r, "COD_ARTICULO"))
        packed.push_back(code);
    for (int i = c.firstPacked; c.firstPacked > 0 && i <= c.lastPacked; ++i)
        expected.push_back(std::to_string(1000 + i));
    EXPECT_EQ(packed, expected);

    // The supplier lookups name the packed rows' suppliers, in order.
    int lookups = 0;
    const std::string supplier = "SELECT NOMBRE FROM proveedor_acreedor WHERE id_proveedor = ";
    for (const std::string& s : sent) {
        if (!isNameLookup("Q_ARTICULOS", s)) continue;
        ++lookups;
        if (s.starts_with(supplier))
            suppliers.push_back(std::to_string(std::stoi(s.substr(supplier.size()))));
    }
    EXPECT_EQ(suppliers, expected);
    EXPECT_EQ(lookups, 3 * static_cast<int>(expected.size()));
}

INSTANTIATE_TEST_SUITE_P(ScrollLookups, ScrollLookupCount, ::testing::ValuesIn(kCountCases),
                         CaseName());

TEST_F(ScrollHandlerScope, AFailingLookupFailsTheReadAndTheObjectServesTheNext) {
    if (testingThroughOdbc())
        GTEST_SKIP() << "a text stored in an INTEGER column is SQLite's own; the ODBC driver reads "
                        "the column as the integer it is declared, so no lookup fails";
    // A supplier key that is no number reaches the statement as it stands.
    db.exec("UPDATE ARTICULOS SET ID_PROVEEDOR = 'X9' WHERE COD_ARTICULO = 2");
    const std::string all =
        ListOptions{.searchText = "WHERE COD_ARTICULO < 3", .searchMode = "2"}.text();
    ReadResult failed = read("DSPQ_ARTICULOS", 10, Variant(all));
    EXPECT_EQ(failed.status.message, "no such column: X9");
    EXPECT_NE(std::find(sent.begin(), sent.end(),
                        "SELECT NOMBRE FROM proveedor_acreedor WHERE id_proveedor = X9 "),
              sent.end());
    EXPECT_FALSE(module().Q_AUX().active());
    EXPECT_FALSE(module().dataSet("Q_ARTICULOS").active());

    const std::string first =
        ListOptions{.searchText = "WHERE COD_ARTICULO = 1", .searchMode = "2"}.text();
    ReadResult next = read("DSPQ_ARTICULOS", 10, Variant(first));
    ASSERT_TRUE(next.status.ok()) << next.status.message;
    EXPECT_EQ(rows(next, "nombreproveedor"), std::vector<std::string>{"LUMINOSA SA"});
}

}  // namespace
}  // namespace zorvanil::test
