#include "document_pages.hpp"

#include <sqlite3.h>

#include <initializer_list>
#include <stdexcept>
#include <string_view>

#include "read/option_tokens.hpp"

namespace zorvanil::bench {

namespace {

constexpr int kInvoices = 20;
constexpr int kLinesPerInvoice = 8;

// An options string: each token closed by the separator.
std::string optionsString(std::initializer_list<std::string_view> tokens) {
    std::string out;
    for (std::string_view token : tokens) {
        out += token;
        out += read::kTokenSeparator;
    }
    return out;
}

// The numbers of the first invoices of company 1, 2025, series A that have kLinesPerInvoice
// lines, as a list "11,38,...".
std::string invoicesWithFullLines(const std::filesystem::path& database) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    const std::string sql =
        "SELECT ID_FACTURA FROM LINEAS_FACTURA WHERE ID_EMPRESA=1 AND ANYO=2025 AND "
        "ID_SERIE='A' GROUP BY ID_FACTURA HAVING COUNT(*)=" +
        std::to_string(kLinesPerInvoice) + " ORDER BY ID_FACTURA LIMIT " +
        std::to_string(kInvoices);
    std::string list;
    int found = 0;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            if (found++ > 0) list += ",";
            list += std::to_string(sqlite3_column_int64(stmt, 0));
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    if (found != kInvoices)
        throw std::runtime_error("the database holds " + std::to_string(found) + " invoices of " +
                                 std::to_string(kLinesPerInvoice) + " lines, not " +
                                 std::to_string(kInvoices));
    return list;
}

}  // namespace

DocumentPage invoicePage(const std::filesystem::path& database) {
    const std::string condition =
        " WHERE FA.ID_SERIE='A' AND FA.ID_FACTURA IN (" + invoicesWithFullLines(database) + ")";
    const std::string withinCompanyAndYear =
        condition + " AND FA.ID_EMPRESA=1 AND FA.ANYO=2025 ORDER BY FA.ID_FACTURA";
    DocumentPage page;
    page.name = "invoices";
    page.provider = "DSPQ_MDFACTURA";
    page.headerDataSet = "Q_MDFACTURA";
    page.pageSize = kInvoices;
    page.options =
        optionsString({"0", std::to_string(kInvoices), "1", "2025", "", "-1", condition, "6",
                       "ORDER BY FA.ID_FACTURA", "ORDER BY L.LINEA", "0", "", "", ""});
    page.headerStatement = "SELECT * FROM FACTURAS FA" + withinCompanyAndYear;
    page.lineDataSet = "Q_MDLINEAFACTURA";
    page.lineStatement =
        "SELECT * FROM LINEAS_FACTURA L WHERE L.ID_FACTURA=:ID_FACTURA AND "
        "L.ID_EMPRESA=:ID_EMPRESA AND L.ID_SERIE=:ID_SERIE AND L.ANYO=:ANYO ORDER BY L.LINEA";
    page.lookups = {
        {"NOMBRECLIENTE", "ID_CLIENTE", "SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = ", false,
         ""},
    };
    page.joinStatement =
        "SELECT FA.*, CL.NOMBRE, L.* FROM FACTURAS FA LEFT JOIN CLIENTES CL ON CL.ID_CLIENTE = "
        "FA.ID_CLIENTE LEFT JOIN LINEAS_FACTURA L ON L.ID_FACTURA = FA.ID_FACTURA AND "
        "L.ID_EMPRESA = FA.ID_EMPRESA AND L.ID_SERIE = FA.ID_SERIE AND L.ANYO = FA.ANYO" +
        withinCompanyAndYear + ", L.LINEA";
    return page;
}

DocumentPage articlePage() {
    DocumentPage page;
    page.name = "articles";
    page.provider = "DSPQ_ARTICULOS";
    page.headerDataSet = "Q_ARTICULOS";
    page.pageSize = 50;
    page.options =
        optionsString({"0", "50", "1", "1990", "", "-1", "L", "1", "", "", "0", "", "", ""});
    page.headerStatement =
        "SELECT * FROM ARTICULOS  WHERE (ID_ARTICULO LIKE ('L%')  OR DESCRIPCION LIKE ('L%') OR "
        "ART_PROVEEDOR LIKE ('L%')) AND CHAR(BORRADO) LIKE ('0%') ";
    page.lookups = {
        {"colordescripcion", "ID_COLOR", "SELECT DESCRIPCION FROM COLORES WHERE ID_COLOR = '", true,
         "' "},
        {"familiadescripcion", "COD_FAMILIA",
         "SELECT DESCRIPCION FROM FAMILIAS WHERE COD_FAMILIA = '", true, "' "},
        {"nombreproveedor", "ID_PROVEEDOR",
         "SELECT NOMBRE FROM proveedor_acreedor WHERE id_proveedor = ", false, " "},
    };
    page.joinStatement =
        "SELECT A.*, CO.DESCRIPCION, FM.DESCRIPCION, PR.NOMBRE FROM ARTICULOS A LEFT JOIN COLORES "
        "CO ON CO.ID_COLOR = A.ID_COLOR LEFT JOIN FAMILIAS FM ON FM.COD_FAMILIA = A.COD_FAMILIA "
        "LEFT JOIN PROVEEDOR_ACREEDOR PR ON PR.ID_PROVEEDOR = A.ID_PROVEEDOR WHERE (A.ID_ARTICULO "
        "LIKE ('L%') OR A.DESCRIPCION LIKE ('L%') OR A.ART_PROVEEDOR LIKE ('L%')) AND "
        "CHAR(A.BORRADO) LIKE ('0%')";
    return page;
}

}  // namespace zorvanil::bench
