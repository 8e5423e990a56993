#include "read/document_statements.hpp"

namespace zorvanil::read {

namespace {

using enum RequestValue;
using enum OptionsLayout;

// clang-format off

// The document providers: name, options layout, value that must not be blank, mode value, header
// base statement, and the mode in which a blank search still composes.
constexpr DocumentProvider kProviders[] = {
    {"DSPQ_MDPRESUPUESTO",    Record, SearchText, SearchMode, "SELECT RE,IVA,ID_PRESUPUESTO,ID_EMPRESA,ID_CLIENTE, BASE_PRESUPUESTO, FECHA, DESCUENTO,pr.OBSERVACIONES,VALIDEZ,ANYO,BASE_PRESUPUESTOSINIVA FROM PRESUPUESTOS PR "},
    {"DSPQ_MDPRESUPUESTOAUX", Record, SearchText, SearchMode, "SELECT RE,IVA,ID_PRESUPUESTO,ID_EMPRESA,PR.ID_CLIENTE, BASE_PRESUPUESTO, FECHA, DESCUENTO,pr.OBSERVACIONES,VALIDEZ,ANYO,CL.NOMBRE,BASE_PRESUPUESTOSINIVA FROM PRESUPUESTOS PR,CLIENTES CL  WHERE PR.ID_CLIENTE=CL.ID_CLIENTE "},
    {"DSPQ_MDENTRADAS",       Record, SearchText, SearchMode, "SELECT * FROM E_PROVEEDOR_ACREEDOR "},
    {"DSPQ_MDALBARAN",        Record, SearchText, SearchMode, "SELECT * FROM ALBARANES AL"},
    {"DSPQ_MDALBARANAUX",     Record, SearchText, SearchMode, "SELECT DESCUENTOEURO,ENTREGA,DEVOLUCION,TOTALCOBRADO,TOTALDESCUENTO,ID_ALBARAN,ANYO,ID_EMPRESA,ID_SERIE,FECHA,AL.ID_CLIENTE,IVA,al.OBSERVACIONES, BASE_ALBARAN,DESCUENTO,RE,ID_PRESUPUESTO,ANULADO,COBRADO,ID_FORMA,TOTAL_COBRADO,CL.NOMBRE,fechacobro,horacobro,base_albaransiniva,al.hora,al.fechafin FROM ALBARANES AL, CLIENTES CL WHERE CL.ID_CLIENTE = AL.ID_CLIENTE "},
    {"DSPQ_MDFACTURA",        Record, SearchText, SearchMode, "SELECT * FROM FACTURAS FA"},
    {"DSPQ_MDFACTURAAUX",     Record, SearchText, SearchMode, "SELECT entrega,devolucion,totalcobrado,totaldescuento,DESCUENTOEURO,FECHACOBRO,HORACOBRO,ID_TICKET,TICANYO,TICID_SERIE,ID_FACTURA,ANYO,FA.ID_EMPRESA,ID_SERIE,FECHA,FA.ID_CLIENTE,IVA,  fa.OBSERVACIONES,BASE_FACTURA,DESCUENTO,RE,ID_PRESUPUESTO,ID_ALBARAN,ANULADO,COBRADO,  ASIENTO,ID_FORMA,TOTAL_COBRADO,CL.NOMBRE,IMPRESO,fa.hora FROM FACTURAS FA,CLIENTES CL WHERE FA.ID_CLIENTE = CL.ID_CLIENTE "},
    {"DSPQ_MDCOBRO",          Record, SearchText, SearchMode, "SELECT ID_SERIE,ID_COBRO,ANYO,TIPO,ID_EMPRESA,ID,cr.OBSERVACIONES,BASE,ESTADO,ID_CLIENTE,TOTAL_COBRADO,ANYOSERIE FROM COBRO CR"},
    // Mode "3" lists every payment of the company, a blank search included.
    {"DSPQ_MDCOBROAUX",       Record, SearchText, SearchMode, "SELECT ID_SERIE,ID_COBRO,ANYO,TIPO,ID_EMPRESA,ID,cr.OBSERVACIONES,BASE,ESTADO,CR.ID_CLIENTE,TOTAL_COBRADO,ANYOSERIE,CL.NOMBRE FROM COBRO CR,CLIENTES CL WHERE CR.ID_CLIENTE=CL.ID_CLIENTE ", "3"},
    {"DSPQ_MDSALIDA",         Record, SearchText, SearchMode, "SELECT * FROM SALIDA "},
    {"DSPQ_MDTICKET",         Short,  Token3,     Token4,     "SELECT * FROM TICKET "},
    {"DSPQ_MDTICKETAUX",      Record, SearchText, SearchMode, "SELECT HORACOBRO,FECHACOBRO,ID_TICKET,ID_EMPRESA,ANYO,ID_SERIE,FECHA,DESCUENTO,DESCUENTOEURO,HORA,IMPRESO,BASE_TICKET,BASE_TICKETSINIVA,IVA,TI.ID_CLIENTE,ENTREGA,DEVOLUCION,COBRADO,TOTALCOBRADO,TOTALDESCUENTO,FORMAPAGO ,CL.NOMBRE FROM TICKET TI, CLIENTES CL WHERE CL.ID_CLIENTE = TI.ID_CLIENTE "},
    {"DSPQ_MDPROVEEDOR",      Short,  Token3,     None,       "SELECT BORRADO,ID_PROVEEDOR,NOMBRE,NIF,DIRECCION,DIRECCION_POSTAL,POBLACION,POBLACION_POSTAL,COD_POSTAL,COD_POSTAL_POSTAL,PROVINCIA,PROVINCIA_POSTAL,EMAIL,HTTP,OBSERVACIONES,MISMA_DIRECCION,TELEFONO,FAX FROM PROVEEDOR_ACREEDOR "},
};

// A condition of the client's within the request's company and year: mode "6" of a document
// provider and mode "2" of its search provider (and mode "7" of delivery notes).
constexpr Pieces kQuoteCondition    = {raw(SearchText), " AND PR.ID_EMPRESA=", raw(Company), " AND PR.ANYO=", raw(Year), " ", raw(OrderClause)};
constexpr Pieces kAlbaranCondition  = {raw(SearchText), " AND AL.ID_EMPRESA=", raw(Company), " AND AL.ANYO=", raw(Year), " ", raw(OrderClause)};
constexpr Pieces kInvoiceCondition  = {raw(SearchText), " AND FA.ID_EMPRESA=", raw(Company), " AND FA.ANYO=", raw(Year), " ", raw(OrderClause)};
// A condition of the client's within the company, over all years: modes "2" and "3" of payments.
constexpr Pieces kPaymentAllYears   = {raw(SearchText), " AND CR.ID_EMPRESA=", raw(Company), " ", raw(OrderClause)};

// The header tails, in the order a provider tests them. quoted(...) marks a value between
// apostrophes, raw(...) a value that is SQL text of its own.
constexpr HeaderStatement kHeaders[] = {
    {"DSPQ_MDPRESUPUESTO", mode("1"), {" WHERE (CHAR(ID_PRESUPUESTO) LIKE ('", quoted(SearchText), "%')) AND ID_EMPRESA=", raw(Company), " AND ANYO=", raw(Year), " ", raw(OrderClause)}},
    {"DSPQ_MDPRESUPUESTO", mode("2"), {raw(SearchText)}},
    {"DSPQ_MDPRESUPUESTO", mode("6"), kQuoteCondition},

    {"DSPQ_MDPRESUPUESTOAUX", mode("1"), {" AND (CHAR(ID_PRESUPUESTO) LIKE ('", quoted(SearchText), "%')) AND ID_EMPRESA=", raw(Company), " AND ANYO=", raw(Year), " ", raw(OrderClause)}},
    {"DSPQ_MDPRESUPUESTOAUX", mode("2"), kQuoteCondition},

    {"DSPQ_MDENTRADAS", mode("1"), {" WHERE (CHAR(ID_ENTRADA) LIKE ('", quoted(SearchText), "%')) AND ID_EMPRESA=", raw(Company), "  AND ANYO=", raw(Year), " ", raw(OrderClause)}},
    {"DSPQ_MDENTRADAS", mode("2"), {raw(SearchText)}},

    {"DSPQ_MDALBARAN", mode("1"), {" WHERE (CHAR(AL.ID_ALBARAN) LIKE ('", quoted(SearchText), "%')) AND AL.ID_EMPRESA=", raw(Company), " AND AL.ANYO=", raw(Year), " ", raw(OrderClause)}},
    {"DSPQ_MDALBARAN", mode("2"), {raw(SearchText)}},
    {"DSPQ_MDALBARAN", mode("6"), kAlbaranCondition},
    // As "6", on the search statement that joins the customer.
    {"DSPQ_MDALBARAN", mode("7"), kAlbaranCondition, "DSPQ_MDALBARANAUX"},

    {"DSPQ_MDALBARANAUX", mode("1"), {" AND (CHAR(ID_ALBARAN) LIKE ('", quoted(SearchText), "%')) AND ID_EMPRESA=", raw(Company), " AND ANYO=", raw(Year), " ", raw(OrderClause)}},
    {"DSPQ_MDALBARANAUX", mode("2"), kAlbaranCondition},
    {"DSPQ_MDALBARANAUX", mode("3"), {raw(SearchText), " AND AL.ID_EMPRESA=", raw(Company), " ", raw(OrderClause)}},

    {"DSPQ_MDFACTURA", mode("1"), {" WHERE (CHAR(ID_FACTURA) LIKE ('", quoted(SearchText), "%')) AND ID_EMPRESA=", raw(Company), " AND ANYO=", raw(Year), " ", raw(OrderClause)}},
    // Nothing between the two: the client's order clause begins with its own blank.
    {"DSPQ_MDFACTURA", mode("2"), {raw(SearchText), raw(OrderClause)}},
    {"DSPQ_MDFACTURA", mode("6"), kInvoiceCondition},

    {"DSPQ_MDFACTURAAUX", mode("1"), {" and (CHAR(ID_FACTURA) LIKE ('", quoted(SearchText), "%')) AND ID_EMPRESA=", raw(Company), " AND ANYO=", raw(Year), " ", raw(OrderClause)}},
    {"DSPQ_MDFACTURAAUX", mode("2"), kInvoiceCondition},
    {"DSPQ_MDFACTURAAUX", mode("3"), {raw(SearchText), " AND FA.ID_EMPRESA=", raw(Company), " ", raw(OrderClause)}},

    // Value2: an extra condition of the client's (" AND ..."), or empty.
    {"DSPQ_MDCOBRO", mode("1"), {" WHERE (CHAR(CR.ID_COBRO) LIKE ('", quoted(SearchText), "%')) AND CR.ID_EMPRESA=", raw(Company), " AND ANYO=", raw(Year), " ", raw(Value2), " ", raw(OrderClause)}},
    {"DSPQ_MDCOBRO", mode("2"), {raw(SearchText)}},
    {"DSPQ_MDCOBRO", mode("6"), {raw(SearchText), " AND CR.ID_EMPRESA=", raw(Company), " AND CR.ANYO=", raw(Year), " ", raw(OrderClause)}},

    {"DSPQ_MDCOBROAUX", mode("1"), {" AND (CHAR(CR.ID_COBRO) LIKE ('", quoted(SearchText), "%')) AND CR.ID_EMPRESA=", raw(Company), " ", raw(Value2), "  AND ANYO=", raw(Year), " ", raw(OrderClause)}},
    {"DSPQ_MDCOBROAUX", mode("2"), kPaymentAllYears},
    {"DSPQ_MDCOBROAUX", mode("3"), kPaymentAllYears},

    {"DSPQ_MDSALIDA", mode("1"), {" WHERE (CHAR(ID_SALIDA) LIKE ('", quoted(SearchText), "%')) AND ID_EMPRESA=", raw(Company), " AND ANYO=", raw(Year), " ", raw(OrderClause)}},
    {"DSPQ_MDSALIDA", mode("2"), {raw(SearchText)}},

    // Tokens: 3 search text, 5 company, 6 order clause. A ticket number is searched in every year.
    {"DSPQ_MDTICKET", mode("1"), {" WHERE (CHAR(ID_TICKET) LIKE ('", quoted(Token3), "%')) AND ID_EMPRESA=", raw(Token5), " ", raw(Token6)}},
    {"DSPQ_MDTICKET", mode("2"), {raw(Token3)}},

    {"DSPQ_MDTICKETAUX", mode("1"), {" AND (CHAR(ID_TICKET) LIKE ('", quoted(SearchText), "%')) AND ID_EMPRESA=", raw(Company), " AND ANYO=", raw(Year), " ", raw(OrderClause)}},
    {"DSPQ_MDTICKETAUX", mode("2"), {raw(SearchText), " AND TI.ID_EMPRESA=", raw(Company), " AND TI.ANYO=", raw(Year), " ", raw(OrderClause)}},
    {"DSPQ_MDTICKETAUX", mode("3"), {raw(SearchText), " AND TI.ID_EMPRESA=", raw(Company), " ", raw(OrderClause)}},
    {"DSPQ_MDTICKETAUX", mode("4"), {raw(SearchText), " ", raw(OrderClause)}},

    // Tokens: 3 search text, 4 deleted filter. No modes and no order clause.
    {"DSPQ_MDPROVEEDOR", kEveryRequest, {" WHERE (NIF LIKE ('", quoted(Token3), "%') OR CHAR(ID_PROVEEDOR) LIKE ('", quoted(Token3), "%') OR NOMBRE LIKE ('", quoted(Token3), "%')) AND CHAR(BORRADO) LIKE ('", quoted(Token4), "%') "}},
};

constexpr std::string_view kQuoteLines = "SELECT MARCA,IVA,DESCRIPCION,ID_PRESUPUESTO,ID_EMPRESA,ID_ARTICULO,CANTIDAD, DESCUENTO, PRECIO,IMPORTE,IMPORTE_FACT,BASE_LINEA,ESTADO,LINEA,ART_PROVEEDOR,ID_PROVEEDOR,PRECIO_COSTE,ANYO FROM LINEAS_PRESUPUESTO L ";

// The line statements: providers, base, link condition, tail.
constexpr LineStatement kLines[] = {
    {{"DSPQ_MDPRESUPUESTO"},                     kQuoteLines,                                 " WHERE L.ID_PRESUPUESTO=:ID_PRESUPUESTO AND L.ID_EMPRESA=:ID_EMPRESA AND L.ANYO=:ANYO",                               {raw(DetailOrderClause), " "}},
    {{"DSPQ_MDPRESUPUESTOAUX"},                  kQuoteLines,                                 " WHERE L.ID_PRESUPUESTO=:ID_PRESUPUESTO AND L.ID_EMPRESA=:ID_EMPRESA AND L.ANYO=:ANYO ",                              {raw(DetailOrderClause), " "}},
    {{"DSPQ_MDENTRADAS"},                        "SELECT * FROM LIN_E_PROVEEDOR_ACREEDOR L ", " WHERE L.ID_ENTRADA=:ID_ENTRADA AND L.ID_EMPRESA=:ID_EMPRESA AND L.ANYO=:ANYO ",                                      {raw(DetailOrderClause)}},
    {{"DSPQ_MDALBARAN", "DSPQ_MDALBARANAUX"},    "SELECT * FROM LIN_ALBARAN L",               " WHERE L.ID_ALBARAN=:ID_ALBARAN AND L.ID_EMPRESA=:ID_EMPRESA AND L.ID_SERIE=:ID_SERIE AND L.ANYO=:ANYO ",             {raw(DetailOrderClause), " "}},
    {{"DSPQ_MDFACTURA", "DSPQ_MDFACTURAAUX"},    " SELECT * FROM LINEAS_FACTURA L",           " WHERE L.ID_FACTURA=:ID_FACTURA AND L.ID_EMPRESA=:ID_EMPRESA AND L.ID_SERIE=:ID_SERIE AND L.ANYO=:ANYO ",             {raw(DetailOrderClause)}},
    // Payments are numbered per company and year: a payment's lines are those of its company.
    {{"DSPQ_MDCOBRO", "DSPQ_MDCOBROAUX"},       "SELECT * FROM LINEAS_COBRO L",              " WHERE L.ID_COBRO=:ID_COBRO AND L.ANYO=:ANYO AND L.ID_EMPRESA=:ID_EMPRESA ",                                          {}},
    {{"DSPQ_MDSALIDA"},                          "SELECT *  FROM LINEA_SALIDA L ",            " WHERE L.ID_SALIDA=:ID_SALIDA AND L.ID_EMPRESA=:ID_EMPRESA AND L.ANYO=:ANYO ",                                        {raw(DetailOrderClause)}},
    // Token 7: the order clause of the lines.
    {{"DSPQ_MDTICKET"},                          "SELECT * FROM LINEA_TICKET L",              " WHERE L.ID_TICKET=:ID_TICKET AND L.ID_EMPRESA=:ID_EMPRESA AND L.ANYO=:ANYO AND L.ID_SERIE=:ID_SERIE ",               {raw(Token7), " "}},
    {{"DSPQ_MDTICKETAUX"},                       "SELECT * FROM LINEA_TICKET L",              " WHERE L.ID_TICKET=:ID_TICKET AND L.ID_EMPRESA=:ID_EMPRESA AND L.ID_SERIE=:ID_SERIE AND L.ANYO=:ANYO ",               {raw(DetailOrderClause), " "}},
    {{"DSPQ_MDPROVEEDOR"},                       "SELECT ID_TIPO,ID_PROVEEDOR,SUBCUENTA FROM TIPOS T ", " WHERE T.ID_PROVEEDOR=:ID_PROVEEDOR ",                                                                    {}},
};

// The short layouts: provider, page tokens, tokens read, defaults for an empty options string.
constexpr ShortLayout kShortLayouts[] = {
    // page number, page size, search text, search mode, company, order clause, line order clause
    {"DSPQ_MDTICKET",    true, 7, {"0", "0", "ASD", "0", "", "", ""}},
    // page number, page size, search text, deleted filter
    {"DSPQ_MDPROVEEDOR", true, 4, {"0", "0", "ASD", "-1"}},
};

// clang-format on

}  // namespace

std::span<const DocumentProvider> documentProviders() {
    return kProviders;
}

std::span<const HeaderStatement> headerStatements() {
    return kHeaders;
}

std::span<const LineStatement> lineStatements() {
    return kLines;
}

std::span<const ShortLayout> documentShortLayouts() {
    return kShortLayouts;
}

}  // namespace zorvanil::read
