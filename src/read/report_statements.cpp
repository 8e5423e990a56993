#include "read/report_statements.hpp"

namespace zorvanil::read {

namespace {

using enum RequestValue;
using enum OptionsLayout;
using enum Stop;
using enum Paging;
using enum Follows;

// clang-format off

// The providers: name, options layout, value that must not be blank, stop rule, mode value,
// paging, base statement.
constexpr ListProvider kProviders[] = {
    // Pending orders; DSPQ_PEDIDOSPENDIENTESAUX reads the same (see kShared).
    {"DSPQ_PEDIDOSPENDIENTES",   Short,  Token3,     OnEmptySearch, Token5,     Pages, "SELECT LINEA,ID_EMPRESA,FECHA_NOTA,FECHA_PEDIDO,ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,MARCA,DESCRIPCION,BRAZOS,ID_COLOR,CANTIDAD,PEDIDO,NOMBRE_CONTACTO,ID_CLIENTE,COMENTARIOS FROM PEDIDOSPENDIENTES "},
    // Goods received, entry by entry and in total; every amount is the database's arithmetic.
    {"DSPQ_LISTADOENTRADA",      Record, SearchText, OnEmptySearch, SearchMode, Pages, " SELECT ID_ENTRADA,FECHA,E.ID_PROVEEDOR,(SELECT NOMBRE FROM PROVEEDOR_ACREEDOR PA WHERE E.ID_PROVEEDOR=PA.ID_PROVEEDOR) AS NOMBREPROVEEDOR,  BASE_ENTRADA,DESCUENTO,(BASE_ENTRADA*DESCUENTO/100) AS TOTALDESCUENTO,(BASE_ENTRADA*(1-(DESCUENTO/100))*(IVA/100)) AS TOTALIVA,(BASE_ENTRADA *(1 - (DESCUENTO/100))*(1 +(IVA/100))) AS TOTAL FROM E_PROVEEDOR_ACREEDOR E"},
    {"DSPQ_LISTADOENTRADATOTAL", Record, SearchText, OnEmptySearch, SearchMode, Pages, " SELECT  SUM(BASE_ENTRADA) AS BASE_ENTRADA,SUM((BASE_ENTRADA*DESCUENTO/100)) AS TOTALDESCUENTO,SUM((BASE_ENTRADA*(1-(DESCUENTO/100))*(IVA/100))) AS TOTALIVA,SUM((BASE_ENTRADA *(1 - (DESCUENTO/100))*(1 +(IVA/100)))) AS TOTAL FROM E_PROVEEDOR_ACREEDOR E"},
    {"DSPQ_ARQUEODECAJA",        Record, SearchText, OnEmptySearch, SearchMode, Pages, "SELECT * FROM ARQUEODECAJA"},
    // The rows of one invoice; DSPQ_FALBARANESAUX reads the same on its own dataset.
    {"DSPQ_FACTURASALBARANES",   Record, SearchText, OnEmptySearch, SearchMode, Pages, " SELECT * FROM FACTURASALBARANES"},
    {"DSPQ_TICKETAUX",           Record, SearchText, OnEmptySearch, SearchMode, Pages, "SELECT * FROM TICKET AL"},
    // The client's statement only.
    {"DSPQ_LARTICULOS",          Record, SearchText, OnEmptySearch, SearchMode, Pages, ""},
};

// The client's condition and order after the base statement.
constexpr Pieces kClientCondition = {raw(SearchText), " ", raw(OrderClause)};
// The client's whole statement in Value2, then its condition, an extra clause and the order.
constexpr Pieces kClientStatement = {raw(Value2), raw(SearchText), " ", raw(ExtraClause), " ", raw(OrderClause)};

// The tails, in the order a provider tests them. quoted(...) marks a value between apostrophes,
// raw(...) a value that is SQL text of its own.
constexpr ListStatement kStatements[] = {
    // Search text, company, search mode and order clause are tokens 3 to 6.
    {"DSPQ_PEDIDOSPENDIENTES", mode("1"), {" WHERE (ID_ARTICULO LIKE ('", quoted(Token3), "%') OR NOMBRE_CONTACTO LIKE ('", quoted(Token3), "%') OR DESCRIPCION LIKE ('", quoted(Token3), "%'))  AND ID_EMPRESA=", raw(Token4), " ", raw(Token6)}},
    {"DSPQ_PEDIDOSPENDIENTES", mode("2"), {raw(Token3)}},

    {"DSPQ_LISTADOENTRADA",      mode("1"), kClientCondition},
    {"DSPQ_LISTADOENTRADATOTAL", mode("1"), kClientCondition},

    {"DSPQ_ARQUEODECAJA", mode("1"), {" WHERE char(AFECHA) LIKE ('", quoted(SearchText), "%') AND ID_EMPRESA=", raw(Company), " AND ANYO=", raw(Year), " ", raw(OrderClause)}},
    {"DSPQ_ARQUEODECAJA", mode("2"), {raw(SearchText), " AND ID_EMPRESA=", raw(Company), " AND ANYO=", raw(Year), " ", raw(OrderClause)}},

    // The first condition, the invoice number, is our choice of form: the plain
    // " WHERE ID_FACTURA=" followed by the number as sent.
    {"DSPQ_FACTURASALBARANES", mode("1"), {" WHERE ID_FACTURA=", raw(SearchText), " AND ID_SERIE='", quoted(Series), "' AND ID_EMPRESA=", raw(Company), " AND ANYO=", raw(Year), " ", raw(OrderClause)}},

    {"DSPQ_TICKETAUX", mode("1"), {" WHERE CHAR(ID_TICKET) LIKE ('", quoted(SearchText), "%') AND ID_EMPRESA=", raw(Company), " AND ANYO=", raw(Year), " AND ID_SERIE='", quoted(Series), "' ", raw(OrderClause)}},
    {"DSPQ_TICKETAUX", mode("2"), kClientStatement, Nothing},

    {"DSPQ_LARTICULOS", mode("2"),     kClientStatement, Nothing},
    {"DSPQ_LARTICULOS", kAnyOtherMode, {},               HeldText},
};

// The short layout: provider, page tokens, tokens read, defaults for an empty options string.
constexpr ShortLayout kShortLayouts[] = {
    // page number, page size, search text, company, search mode, order clause
    {"DSPQ_PEDIDOSPENDIENTES", true, 6, {"0", "0", "-888", "0", "0", ""}},
};

// Providers on the same statement as another: the pending orders share one dataset, the invoice's
// rows are read the same on two.
constexpr SharedRead kShared[] = {
    {"DSPQ_PEDIDOSPENDIENTESAUX", "DSPQ_PEDIDOSPENDIENTES"},
    {"DSPQ_FALBARANESAUX",        "DSPQ_FACTURASALBARANES"},
};

// The invoice register. Number and company are pasted as bare numbers, the tax number and the
// date between apostrophes; a filter after another joins with " AND".
constexpr InvoiceRegister kInvoiceRegister = {
    // page number, page size, invoice number, tax number, company, invoice date
    {"DSPQ_FACTURAS", true, 6, {"0", "0", "", "", "", ""}},
    " SELECT NUM_FACT,BASE_FACT,EMPRESA,NIF,FECHA_FACTURA,COBRADO,IMPORTEIVA,IVA FROM FACTURAS ",
    " WHERE ",
    {{
        {Token3, {" NUM_FACT = ", raw(Token3)}},
        {Token4, {" NIF='", quoted(Token4), "' "}},
        {Token5, {" EMPRESA=", raw(Token5)}},
        {Token6, {" FECHA_FACTURA='", quoted(Token6), "' "}},
    }},
    " AND",
    " ORDER BY FECHA_FACTURA DESC,EMPRESA,NIF,NUM_FACT",
};

// clang-format on

}  // namespace

ReadTables reportTables() {
    return {kProviders, kStatements, kShortLayouts, kShared};
}

const InvoiceRegister& invoiceRegister() {
    return kInvoiceRegister;
}

}  // namespace zorvanil::read
