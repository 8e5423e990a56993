#include "catalogue/zorvanil_catalogue.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "catalogue/connection_defaults.hpp"
#include "catalogue/field_lists.hpp"

namespace zorvanil::catalogue {

namespace {

using enum ProviderEvent;

constexpr bool kMetadata = true;
constexpr bool kNoMetadata = false;  // the dataset asks the database for no index or key metadata

// The connection's parameter list, in the order the driver receives it. Database, user name and
// password are replaced from the configuration file before every connection attempt.
constexpr ConnectionParam kConnectionParams[] = {
    {"DriverName", "DB2"},
    {"Database", "ZRV"},
    {"User_Name", kDefaultUserName},
    {"Password", kDefaultPassword},
    {"BlobSize", "-1"},
    {"ErrorResourceFile", ""},
    {"LocaleCode", "0000"},
    {"DB2 TransIsolation", "ReadCommited"},
};

// The datasets in construction order: name, design-time command text, master source (a data
// source of kMasterLinks), after-scroll handler, metadata, persistent field list. A dataset without
// a design-time text receives its statement from a handler at request time.
// clang-format off
constexpr DatasetSpec kDatasets[] = {
    {"Q_ACTUALIZAR",            {}, {}, {}, kMetadata, {}},
    {"Q_AUX",                   {}, {}, {}, kMetadata, {}},
    {"Q_FACTURAS",              "SELECT NUM_FACT,BASE_FACT,EMPRESA,NIF,FECHA_FACTURA,COBRADO,IMPORTEIVA,IVA,ULT_FACTURA FROM FACTURAS ", {}, {}, kMetadata, kFieldsQ_FACTURAS},
    {"Q_PROVEEDOR_ACREEDOR",    {}, {}, {}, kMetadata, {}},
    {"Q_FPROVEEDOR",            {}, {}, {}, kMetadata, {}},
    {"Q_MAXIMO",                {}, {}, {}, kNoMetadata, {}},
    {"Q_TIPOS",                 {}, {}, {}, kMetadata, {}},
    {"QMD_TIPOS",               {}, "DSMD_PROVEEDOR", {}, kMetadata, {}},
    {"QMD_PROVEEDOR",           {}, {}, {}, kMetadata, {}},
    {"Q_FAMILIAS",              {}, {}, {}, kMetadata, {}},
    {"Q_FAMILIASAUX",           {}, {}, {}, kMetadata, {}},
    {"Q_ARTICULOS",             "select * from articulos", {}, "Q_ARTICULOSAfterScroll", kMetadata, kFieldsQ_ARTICULOS},
    {"Q_COLORES",               {}, {}, {}, kMetadata, {}},
    {"Q_COLORESAUX",            {}, {}, {}, kMetadata, {}},
    {"Q_EAN",                   {}, {}, {}, kMetadata, {}},
    {"Q_CLIENTES",              {}, {}, {}, kMetadata, {}},
    {"Q_FCLIENTE",              {}, {}, {}, kMetadata, {}},
    {"Q_CLIENTEAUX",            {}, {}, {}, kMetadata, {}},
    {"Q_SERIES",                {}, {}, {}, kMetadata, {}},
    {"Q_SERIESAUX",             {}, {}, {}, kMetadata, {}},
    {"Q_EMPRESA",               {}, {}, {}, kMetadata, {}},
    {"Q_EMPRESAAUX",            {}, {}, {}, kMetadata, {}},
    {"QMD_LINPRESUPUESTO",      "SELECT MARCA,IVA,DESCRIPCION,ID_PRESUPUESTO,ID_EMPRESA,ID_ARTICULO,CANTIDAD, DESCUENTO, PRECIO,IMPORTE,IMPORTE_FACT,BASE_LINEA,ESTADO,LINEA,ART_PROVEEDOR,ID_PROVEEDOR,PRECIO_COSTE FROM LINEAS_PRESUPUESTO L ", "DSPRESUPUESTO", {}, kMetadata, {}},
    {"QMD_PRESUPUESTO",         "SELECT *  FROM PRESUPUESTOS ", {}, "QMD_PRESUPUESTOAfterScroll", kMetadata, kFieldsQMD_PRESUPUESTO},
    {"Q_ARTICULOSAUX",          "SELECT * FROM ARTICULOS", {}, "Q_ARTICULOSAUXAfterScroll", kMetadata, kFieldsQ_ARTICULOSAUX},
    {"Q_PROCEDURE",             {}, {}, {}, kMetadata, {}},
    {"Q_ARTICULOEAN",           {}, {}, {}, kMetadata, {}},
    {"QMD_LINEAENTRADA",        {}, "DSENTRADAS", {}, kMetadata, {}},
    {"QMD_ENTRADAS",            {}, {}, {}, kMetadata, {}},
    {"q_proveedor_acreedoraux", {}, {}, {}, kMetadata, {}},
    {"Q_MDLINEAALBARAN",        {}, "DSALBARAN", {}, kMetadata, {}},
    {"Q_MDALBARAN",             "SELECT * FROM ALBARANES", {}, "Q_MDALBARANAfterScroll", kMetadata, kFieldsQ_MDALBARAN},
    {"Q_MDLINPRESUPUESTOAUX",   {}, "DSPRESUPUESTOAUX", {}, kMetadata, {}},
    {"Q_MDPRESUPUESTOAUX",      "SELECT RE,IVA,ID_PRESUPUESTO,ID_EMPRESA,PR.ID_CLIENTE, BASE_PRESUPUESTO, FECHA, BASE_PRESUPUESTOSINIVA,DESCUENTO,pr.OBSERVACIONES,VALIDEZ,ANYO,CL.NOMBRE,BASE_PRESUPUESTOSINIVA FROM PRESUPUESTOS PR,CLIENTES CL\r\n WHERE PR.ID_CLIENTE=CL.ID_CLIENTE\r\n", {}, "Q_MDPRESUPUESTOAUXAfterScroll", kMetadata, kFieldsQ_MDPRESUPUESTOAUX},
    {"Q_MDLINEAFACTURA",        {}, "DSFACTURA", {}, kMetadata, {}},
    {"Q_MDFACTURA",             "SELECT  * FROM FACTURAS", {}, "Q_MDFACTURAAfterScroll", kMetadata, kFieldsQ_MDFACTURA},
    {"Q_MDLINEAALBARANAUX",     {}, "DSALBARANAUX", {}, kMetadata, {}},
    {"Q_MDALBARANAUX",          "SELECT DESCUENTOEURO,ENTREGA,DEVOLUCION,TOTALCOBRADO,TOTALDESCUENTO,fechacobro,horacobro, BASE_ALBARANSINIVA,ID_ALBARAN,ANYO,ID_EMPRESA,ID_SERIE,FECHA,AL.ID_CLIENTE,IVA,al.OBSERVACIONES,BASE_ALBARAN,DESCUENTO,RE,ID_PRESUPUESTO,ANULADO,COBRADO,ID_FORMA,TOTAL_COBRADO,CL.NOMBRE,al.hora,al.fechafin FROM ALBARANES AL, CLIENTES CL  WHERE CL.ID_CLIENTE = AL.ID_CLIENTE\r\n", {}, "Q_MDALBARANAUXAfterScroll", kMetadata, kFieldsQ_MDALBARANAUX},
    {"Q_FORMAPAGO",             {}, {}, {}, kMetadata, {}},
    {"Q_FORMAPAGOAUX",          {}, {}, {}, kMetadata, {}},
    {"Q_MDLINEACOBRO",          {}, "DSCOBRO", {}, kMetadata, {}},
    {"Q_MDCOBRO",               "SELECT ID_SERIE,ID_COBRO,ANYO,TIPO,ID_EMPRESA,ID,OBSERVACIONES,BASE,ESTADO,ID_CLIENTE,TOTAL_COBRADO,ANYOSERIE FROM COBRO ", {}, "Q_MDCOBROAfterScroll", kMetadata, kFieldsQ_MDCOBRO},
    {"Q_MDLINEAFACTURAAUX",     {}, "DSFACTURAAUX", {}, kMetadata, {}},
    {"Q_MDFACTURAAUX",          "SELECT entrega,devolucion,totalcobrado,totaldescuento,DESCUENTOEURO,FECHACOBRO,HORACOBRO,ID_TICKET,ID_FACTURA,ANYO,FA.ID_EMPRESA,ID_SERIE,FECHA,FA.ID_CLIENTE,IVA,fa.OBSERVACIONES,BASE_FACTURA,DESCUENTO,RE,ID_PRESUPUESTO,ID_ALBARAN,ANULADO,COBRADO,ASIENTO,ID_FORMA,TOTAL_COBRADO,TICANYO,TICID_SERIE,CL.NOMBRE,IMPRESO,fa.hora FROM FACTURAS FA,CLIENTES CL\r\n  WHERE FA.ID_CLIENTE = CL.ID_CLIENTE\r\n", {}, "Q_MDFACTURAAUXAfterScroll", kMetadata, kFieldsQ_MDFACTURAAUX},
    {"Q_MDLINEACOBROAUX",       {}, "DSCOBROAUX", {}, kMetadata, {}},
    {"Q_MDCOBROAUX",            "SELECT * FROM COBRO ", {}, "Q_MDCOBROAUXAfterScroll", kMetadata, kFieldsQ_MDCOBROAUX},
    {"Q_TARIFAS",               "SELECT ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,GDESCRIPCION,NOMBRE,OBSERVACIONES,PRECIO,FECHA,DIAS_SUMINISTRO,DESCUENTO,NETO,IVA,EAN_FABRICANTE,MARCA,BRAZOS,ID_COLOR,PVPCAT FROM TARIFAS_PROVEEDORES", {}, "Q_TARIFASAfterScroll", kMetadata, kFieldsQ_TARIFAS},
    {"Q_TARIFASAUX",            "SELECT ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,GDESCRIPCION,NOMBRE,OBSERVACIONES,PRECIO,FECHA,DIAS_SUMINISTRO,DESCUENTO,NETO,IVA,EAN_FABRICANTE,MARCA,BRAZOS,ID_COLOR,PVPCAT  FROM TARIFAS_PROVEEDORES", {}, "Q_TARIFASAUXAfterScroll", kMetadata, kFieldsQ_TARIFASAUX},
    {"Q_ALMACEN",               {}, {}, {}, kNoMetadata, {}},
    {"Q_ALMACENAUX",            {}, {}, {}, kMetadata, {}},
    {"QMD_LINEASALIDA",         {}, "DSSALIDA", {}, kMetadata, {}},
    {"QMD_SALIDA",              {}, {}, {}, kMetadata, {}},
    {"Q_AVISO",                 {}, {}, {}, kMetadata, {}},
    {"Q_AVISOAUX",              {}, {}, {}, kMetadata, {}},
    {"Q_PEDIDOSPENDIENTES",     {}, {}, {}, kMetadata, {}},
    {"Q_PEDIDOSPENDIENTESAUX",  {}, {}, {}, kMetadata, {}},
    {"Q_MDLINEATICKET",         {}, "DSTICKET", {}, kMetadata, {}},
    {"Q_MDTICKET",              "SELECT * FROM TICKET", {}, "Q_MDTICKETAfterScroll", kMetadata, kFieldsQ_MDTICKET},
    {"Q_OPCIONESNUMERICAS",     "SELECT ID_EMPRESA,ANYO,ID_COBRO,ID_ENTRADA,ID_PRESUPUESTO,ID_SALIDA,ID_AVISO FROM OPCIONESNUMERICAS", {}, "Q_OPCIONESNUMERICASAfterScroll", kMetadata, kFieldsQ_OPCIONESNUMERICAS},
    {"Q_LISTADOENTRADA",        {}, {}, "Q_LISTADOENTRADAAfterScroll", kMetadata, {}},
    {"Q_LISTADOENTRADATOTAL",   {}, {}, {}, kMetadata, {}},
    {"Q_TICKETAUX",             "SELECT * FROM TICKET", {}, "Q_TICKETAUXAfterScroll", kMetadata, kFieldsQ_TICKETAUX},
    {"Q_LARTICULOS",            {}, {}, {}, kMetadata, {}},
    {"Q_MDLINEATICKETAUX",      {}, "DSTICKETAUX", {}, kMetadata, {}},
    {"Q_MDTICKETAUX",           "SELECT HORACOBRO,FECHACOBRO,ID_TICKET,ID_EMPRESA,ANYO,ID_SERIE,FECHA,DESCUENTO,DESCUENTOEURO,HORA,IMPRESO,BASE_TICKET,BASE_TICKETSINIVA,IVA,TI.ID_CLIENTE,ENTREGA,DEVOLUCION,COBRADO,TOTALCOBRADO,TOTALDESCUENTO,FORMAPAGO,CL.NOMBRE FROM TICKET TI, CLIENTES CL\r\n WHERE CL.ID_CLIENTE = TI.ID_CLIENTE \r\n", {}, "Q_MDTICKETAUXAfterScroll", kMetadata, kFieldsQ_MDTICKETAUX},
    {"Q_FACTURASALBARANES",     {}, {}, {}, kMetadata, {}},
    {"Q_FALBARANESAUX",         {}, {}, {}, kMetadata, {}},
    {"Q_ARQUEDECAJA",           {}, {}, {}, kMetadata, {}},
    {"Q_AUX1",                  {}, {}, {}, kMetadata, {}},
    {"Q_TIPOSIVA",              {}, {}, {}, kMetadata, {}},
    {"Q_ALMACENDETALLE2",       {}, {}, {}, kMetadata, {}},
};
// clang-format on

// The data sources on the master datasets; a detail dataset names one as its master source.
constexpr MasterLinkSpec kMasterLinks[] = {
    {"DSMD_PROVEEDOR", "QMD_PROVEEDOR"},
    {"DSPRESUPUESTO", "QMD_PRESUPUESTO"},
    {"DSENTRADAS", "QMD_ENTRADAS"},
    {"DSALBARAN", "Q_MDALBARAN"},
    {"DSPRESUPUESTOAUX", "Q_MDPRESUPUESTOAUX"},
    {"DSFACTURA", "Q_MDFACTURA"},
    {"DSALBARANAUX", "Q_MDALBARANAUX"},
    {"DSCOBRO", "Q_MDCOBRO"},
    {"DSFACTURAAUX", "Q_MDFACTURAAUX"},
    {"DSCOBROAUX", "Q_MDCOBROAUX"},
    {"DSSALIDA", "QMD_SALIDA"},
    {"DSTICKET", "Q_MDTICKET"},
    {"DSTICKETAUX", "Q_MDTICKETAUX"},
};

// A provider as its table row writes it: the bound events in a fixed-size array, unused entries
// left empty. Converted below into ProviderSpec, whose span takes only the bound entries.
constexpr std::size_t kMaxEvents = 6;

struct ProviderRow {
    std::string_view name;
    std::string_view dataset;
    std::uint32_t options;
    EventBinding events[kMaxEvents];
};

// The providers in construction order, which is also the order of the provider list given to
// clients: name, dataset, options, bound events in binding order.
// clang-format off
constexpr ProviderRow kProviderRows[] = {
    {"DSPQ_ACTUALIZAR",         "Q_ACTUALIZAR", poAllowCommandText, {{OnUpdateError, "DSPQ_ACTUALIZARUpdateError"}, {BeforeExecute, "DSPQ_ACTUALIZARBeforeExecute"}, {AfterExecute, "DSPQ_ACTUALIZARAfterExecute"}}},
    // The register closes its dataset after each read like every other read provider: left open,
    // the next read with other filters could not set its statement.
    {"DSPQ_FACTURAS",           "Q_FACTURAS", 0, {{AfterUpdateRecord, "DSPQ_FACTURASAfterUpdateRecord"}, {BeforeUpdateRecord, "DSPQ_FACTURASBeforeUpdateRecord"}, {AfterApplyUpdates, "DSPQ_FACTURASAfterApplyUpdates"}, {BeforeGetRecords, "DSPQ_FACTURASBeforeGetRecords"}, {AfterGetRecords, "DSPQ_FACTURASAfterGetRecords"}}},
    {"DSPQ_PROVEEDOR_ACREEDOR", "Q_PROVEEDOR_ACREEDOR", 0, {{OnUpdateError, "DSPQ_PROVEEDOR_ACREEDORUpdateError"}, {BeforeGetRecords, "DSPQ_PROVEEDOR_ACREEDORBeforeGetRecords"}, {AfterGetRecords, "DSPQ_PROVEEDOR_ACREEDORAfterGetRecords"}}},
    {"DSPQ_FPROVEEDOR",         "Q_FPROVEEDOR", 0, {{BeforeGetRecords, "DSPQ_FPROVEEDORBeforeGetRecords"}, {AfterGetRecords, "DSPQ_FPROVEEDORAfterGetRecords"}}},
    {"DSPQ_MAXIMO",             "Q_MAXIMO", poAllowCommandText, {{BeforeGetRecords, "DSPQ_MAXIMOBeforeGetRecords"}, {AfterGetRecords, "DSPQ_MAXIMOAfterGetRecords"}}},
    {"DSPQ_TIPOS",              "Q_TIPOS", 0, {{BeforeGetRecords, "DSPQ_TIPOSBeforeGetRecords"}, {AfterGetRecords, "DSPQ_TIPOSAfterGetRecords"}}},
    {"DSPQ_MDPROVEEDOR",        "QMD_PROVEEDOR", poCascadeDeletes | poCascadeUpdates, {{BeforeGetRecords, "DSPQ_MDPROVEEDORBeforeGetRecords"}, {AfterGetRecords, "DSPQ_MDPROVEEDORAfterGetRecords"}}},
    {"DSPQ_FAMILIAS",           "Q_FAMILIAS", 0, {{BeforeGetRecords, "DSPQ_FAMILIASBeforeGetRecords"}, {AfterGetRecords, "DSPQ_FAMILIASAfterGetRecords"}}},
    {"DSPQ_FAMILIASAUX",        "Q_FAMILIASAUX", 0, {{OnGetData, "DSPQ_FAMILIASAUXGetData"}, {BeforeGetRecords, "DSPQ_FAMILIASAUXBeforeGetRecords"}, {AfterGetRecords, "DSPQ_FAMILIASAUXAfterGetRecords"}}},
    {"DSPQ_ARTICULOS",          "Q_ARTICULOS", 0, {{AfterUpdateRecord, "DSPQ_ARTICULOSAfterUpdateRecord"}, {BeforeUpdateRecord, "DSPQ_ARTICULOSBeforeUpdateRecord"}, {AfterApplyUpdates, "DSPQ_ARTICULOSAfterApplyUpdates"}, {BeforeGetRecords, "DSPQ_ARTICULOSBeforeGetRecords"}, {AfterGetRecords, "DSPQ_ARTICULOSAfterGetRecords"}}},
    {"DSPQ_COLORES",            "Q_COLORES", 0, {{BeforeGetRecords, "DSPQ_COLORESBeforeGetRecords"}, {AfterGetRecords, "DSPQ_COLORESAfterGetRecords"}}},
    {"DSPQ_COLORESAUX",         "Q_COLORESAUX", 0, {{OnUpdateError, "DSPQ_COLORESAUXUpdateError"}, {BeforeGetRecords, "DSPQ_COLORESAUXBeforeGetRecords"}, {AfterGetRecords, "DSPQ_COLORESAUXAfterGetRecords"}}},
    {"DSPQ_EAN",                "Q_EAN", 0, {{OnGetData, "DSPQ_EANGetData"}, {OnUpdateError, "DSPQ_EANUpdateError"}, {BeforeGetRecords, "DSPQ_EANBeforeGetRecords"}, {AfterGetRecords, "DSPQ_EANAfterGetRecords"}}},
    {"DSPQ_CLIENTES",           "Q_CLIENTES", 0, {{BeforeGetRecords, "DSPQ_CLIENTESBeforeGetRecords"}, {AfterGetRecords, "DSPQ_CLIENTESAfterGetRecords"}}},
    {"DSPQ_FCLIENTE",           "Q_FCLIENTE", 0, {{BeforeGetRecords, "DSPQ_FCLIENTEBeforeGetRecords"}, {AfterGetRecords, "DSPQ_FCLIENTEAfterGetRecords"}}},
    {"DSPQ_CLIENTEAUX",         "Q_CLIENTEAUX", 0, {{BeforeGetRecords, "DSPQ_CLIENTEAUXBeforeGetRecords"}, {AfterGetRecords, "DSPQ_CLIENTEAUXAfterGetRecords"}}},
    {"DSPQ_SERIES",             "Q_SERIES", 0, {{BeforeGetRecords, "DSPQ_SERIESBeforeGetRecords"}, {AfterGetRecords, "DSPQ_SERIESAfterGetRecords"}}},
    {"DSPQ_SERIESAUX",          "Q_SERIESAUX", 0, {{BeforeGetRecords, "DSPQ_SERIESAUXBeforeGetRecords"}, {AfterGetRecords, "DSPQ_SERIESAUXAfterGetRecords"}}},
    {"DSPQ_EMPRESA",            "Q_EMPRESA", 0, {{BeforeGetRecords, "DSPQ_EMPRESABeforeGetRecords"}, {AfterGetRecords, "DSPQ_EMPRESAAfterGetRecords"}}},
    {"DSPQ_EMPRESAAUX",         "Q_EMPRESAAUX", 0, {{BeforeGetRecords, "DSPQ_EMPRESAAUXBeforeGetRecords"}, {AfterGetRecords, "DSPQ_EMPRESAAUXAfterGetRecords"}}},
    {"DSPQ_MDPRESUPUESTO",      "QMD_PRESUPUESTO", poCascadeDeletes | poCascadeUpdates | poAutoRefresh | poPropogateChanges, {{OnGetData, "DSPQ_MDPRESUPUESTOGetData"}, {AfterUpdateRecord, "DSPQ_MDPRESUPUESTOAfterUpdateRecord"}, {BeforeUpdateRecord, "DSPQ_MDPRESUPUESTOBeforeUpdateRecord"}, {AfterApplyUpdates, "DSPQ_MDPRESUPUESTOAfterApplyUpdates"}, {BeforeGetRecords, "DSPQ_MDPRESUPUESTOBeforeGetRecords"}, {AfterGetRecords, "DSPQ_MDPRESUPUESTOAfterGetRecords"}}},
    {"DSPQ_ARTICULOSAUX",       "Q_ARTICULOSAUX", 0, {{BeforeGetRecords, "DSPQ_ARTICULOSAUXBeforeGetRecords"}, {AfterGetRecords, "DSPQ_ARTICULOSAUXAfterGetRecords"}}},
    {"DSPQ_PROCEDURE",          "Q_PROCEDURE", poAllowCommandText, {}},
    {"DSPQ_ARTICULOEAN",        "Q_ARTICULOEAN", 0, {{BeforeGetRecords, "DSPQ_ARTICULOEANBeforeGetRecords"}, {AfterGetRecords, "DSPQ_ARTICULOEANAfterGetRecords"}}},
    {"DSPQ_MDENTRADAS",         "QMD_ENTRADAS", poCascadeDeletes | poCascadeUpdates, {{AfterUpdateRecord, "DSPQ_MDENTRADASAfterUpdateRecord"}, {BeforeApplyUpdates, "DSPQ_MDENTRADASBeforeApplyUpdates"}, {AfterApplyUpdates, "DSPQ_MDENTRADASAfterApplyUpdates"}, {BeforeGetRecords, "DSPQ_MDENTRADASBeforeGetRecords"}, {AfterGetRecords, "DSPQ_MDENTRADASAfterGetRecords"}}},
    {"dspq_proveedor_acreedoraux", "q_proveedor_acreedoraux", 0, {{OnUpdateError, "DSPQ_PROVEEDOR_ACREEDORUpdateError"}, {BeforeGetRecords, "dspq_proveedor_acreedorauxBeforeGetRecords"}, {AfterGetRecords, "dspq_proveedor_acreedorauxAfterGetRecords"}}},
    {"DSPQ_MDALBARAN",          "Q_MDALBARAN", poCascadeDeletes | poCascadeUpdates, {{AfterUpdateRecord, "DSPQ_MDALBARANAfterUpdateRecord"}, {BeforeApplyUpdates, "DSPQ_MDALBARANBeforeApplyUpdates"}, {AfterApplyUpdates, "DSPQ_MDALBARANAfterApplyUpdates"}, {BeforeGetRecords, "DSPQ_MDALBARANBeforeGetRecords"}, {AfterGetRecords, "DSPQ_MDALBARANAfterGetRecords"}}},
    {"DSPQ_MDPRESUPUESTOAUX",   "Q_MDPRESUPUESTOAUX", poCascadeDeletes | poCascadeUpdates, {{BeforeGetRecords, "DSPQ_MDPRESUPUESTOAUXBeforeGetRecords"}, {AfterGetRecords, "DSPQ_MDPRESUPUESTOAUXAfterGetRecords"}}},
    {"DSPQ_MDFACTURA",          "Q_MDFACTURA", poCascadeDeletes | poCascadeUpdates, {{AfterUpdateRecord, "DSPQ_MDFACTURAAfterUpdateRecord"}, {BeforeApplyUpdates, "DSPQ_MDFACTURABeforeApplyUpdates"}, {AfterApplyUpdates, "DSPQ_MDFACTURAAfterApplyUpdates"}, {BeforeGetRecords, "DSPQ_MDFACTURABeforeGetRecords"}, {AfterGetRecords, "DSPQ_MDFACTURAAfterGetRecords"}}},
    {"DSPQ_MDALBARANAUX",       "Q_MDALBARANAUX", poCascadeDeletes | poCascadeUpdates, {{BeforeGetRecords, "DSPQ_MDALBARANAUXBeforeGetRecords"}, {AfterGetRecords, "DSPQ_MDALBARANAUXAfterGetRecords"}}},
    {"DSPQ_FORMAPAGO",          "Q_FORMAPAGO", 0, {{BeforeGetRecords, "DSPQ_FORMAPAGOBeforeGetRecords"}, {AfterGetRecords, "DSPQ_FORMAPAGOAfterGetRecords"}}},
    {"DSPQ_FORMAPAGOAUX",       "Q_FORMAPAGOAUX", 0, {{BeforeGetRecords, "DSPQ_FORMAPAGOAUXBeforeGetRecords"}, {AfterGetRecords, "DSPQ_FORMAPAGOAUXAfterGetRecords"}}},
    {"DSPQ_MDCOBRO",            "Q_MDCOBRO", poCascadeDeletes | poCascadeUpdates, {{AfterUpdateRecord, "DSPQ_MDCOBROAfterUpdateRecord"}, {BeforeGetRecords, "DSPQ_MDCOBROBeforeGetRecords"}, {AfterGetRecords, "DSPQ_MDCOBROAfterGetRecords"}}},
    {"DSPQ_MDFACTURAAUX",       "Q_MDFACTURAAUX", poCascadeDeletes | poCascadeUpdates, {{BeforeGetRecords, "DSPQ_MDFACTURAAUXBeforeGetRecords"}, {AfterGetRecords, "DSPQ_MDFACTURAAUXAfterGetRecords"}}},
    {"DSPQ_MDCOBROAUX",         "Q_MDCOBROAUX", poCascadeDeletes | poCascadeUpdates, {{BeforeGetRecords, "DSPQ_MDCOBROAUXBeforeGetRecords"}, {AfterGetRecords, "DSPQ_MDCOBROAUXAfterGetRecords"}}},
    {"DSPQ_TARIFAS",            "Q_TARIFAS", 0, {{BeforeGetRecords, "DSPQ_TARIFASBeforeGetRecords"}, {AfterGetRecords, "DSPQ_TARIFASAfterGetRecords"}}},
    {"DSPQ_TARIFASAUX",         "Q_TARIFASAUX", 0, {{BeforeGetRecords, "DSPQ_TARIFASAUXBeforeGetRecords"}, {AfterGetRecords, "DSPQ_TARIFASAUXAfterGetRecords"}}},
    {"DSPQ_ALMACEN",            "Q_ALMACEN", poAutoRefresh | poPropogateChanges, {{BeforeGetRecords, "DSPQ_ALMACENBeforeGetRecords"}, {AfterGetRecords, "DSPQ_ALMACENAfterGetRecords"}}},
    {"DSPQ_ALMACENAUX",         "Q_ALMACENAUX", 0, {{BeforeGetRecords, "DSPQ_ALMACENAUXBeforeGetRecords"}, {AfterGetRecords, "DSPQ_ALMACENAUXAfterGetRecords"}}},
    {"DSPQ_MDSALIDA",           "QMD_SALIDA", poCascadeDeletes | poCascadeUpdates, {{AfterUpdateRecord, "DSPQ_MDSALIDAAfterUpdateRecord"}, {BeforeApplyUpdates, "DSPQ_MDSALIDABeforeApplyUpdates"}, {AfterApplyUpdates, "DSPQ_MDSALIDAAfterApplyUpdates"}, {BeforeGetRecords, "DSPQ_MDSALIDABeforeGetRecords"}, {AfterGetRecords, "DSPQ_MDSALIDAAfterGetRecords"}}},
    {"DSPQ_AVISO",              "Q_AVISO", 0, {{AfterUpdateRecord, "DSPQ_AVISOAfterUpdateRecord"}, {BeforeGetRecords, "DSPQ_AVISOBeforeGetRecords"}, {AfterGetRecords, "DSPQ_AVISOAfterGetRecords"}}},
    {"DSPQ_AVISOAUX",           "Q_AVISOAUX", 0, {{BeforeGetRecords, "DSPQ_AVISOAUXBeforeGetRecords"}, {AfterGetRecords, "DSPQ_AVISOAUXAfterGetRecords"}}},
    {"DSPQ_PEDIDOSPENDIENTES",  "Q_PEDIDOSPENDIENTES", 0, {{BeforeGetRecords, "DSPQ_PEDIDOSPENDIENTESBeforeGetRecords"}, {AfterGetRecords, "DSPQ_PEDIDOSPENDIENTESAfterGetRecords"}}},
    {"DSPQ_PEDIDOSPENDIENTESAUX", "Q_PEDIDOSPENDIENTES", 0, {{BeforeGetRecords, "DSPQ_PEDIDOSPENDIENTESAUXBeforeGetRecords"}, {AfterGetRecords, "DSPQ_PEDIDOSPENDIENTESAUXAfterGetRecords"}}},
    {"DSPQ_MDTICKET",           "Q_MDTICKET", poCascadeDeletes | poCascadeUpdates | poAllowCommandText, {{AfterUpdateRecord, "DSPQ_MDTICKETAfterUpdateRecord"}, {BeforeApplyUpdates, "DSPQ_MDTICKETBeforeApplyUpdates"}, {AfterApplyUpdates, "DSPQ_MDTICKETAfterApplyUpdates"}, {BeforeGetRecords, "DSPQ_MDTICKETBeforeGetRecords"}, {AfterGetRecords, "DSPQ_MDTICKETAfterGetRecords"}}},
    {"DSPQ_OPCIONESNUMERICAS",  "Q_OPCIONESNUMERICAS", 0, {{BeforeGetRecords, "DSPQ_OPCIONESNUMERICASBeforeGetRecords"}, {AfterGetRecords, "DSPQ_OPCIONESNUMERICASAfterGetRecords"}}},
    {"DSPQ_LISTADOENTRADA",     "Q_LISTADOENTRADA", 0, {{BeforeGetRecords, "DSPQ_LISTADOENTRADABeforeGetRecords"}, {AfterGetRecords, "DSPQ_LISTADOENTRADAAfterGetRecords"}}},
    {"DSPQ_LISTADOENTRADATOTAL", "Q_LISTADOENTRADATOTAL", 0, {{BeforeGetRecords, "DSPQ_LISTADOENTRADATOTALBeforeGetRecords"}, {AfterGetRecords, "DSPQ_LISTADOENTRADATOTALAfterGetRecords"}}},
    {"DSPQ_TICKETAUX",          "Q_TICKETAUX", 0, {{BeforeGetRecords, "DSPQ_TICKETAUXBeforeGetRecords"}, {AfterGetRecords, "DSPQ_TICKETAUXAfterGetRecords"}}},
    {"DSPQ_LARTICULOS",         "Q_LARTICULOS", 0, {{BeforeGetRecords, "DSPQ_LARTICULOSBeforeGetRecords"}, {AfterGetRecords, "DSPQ_LARTICULOSAfterGetRecords"}}},
    {"DSPQ_MDTICKETAUX",        "Q_MDTICKETAUX", 0, {{BeforeGetRecords, "DSPQ_MDTICKETAUXBeforeGetRecords"}, {AfterGetRecords, "DSPQ_MDTICKETAUXAfterGetRecords"}}},
    {"DSPQ_FACTURASALBARANES",  "Q_FACTURASALBARANES", 0, {{BeforeGetRecords, "DSPQ_FACTURASALBARANESBeforeGetRecords"}, {AfterGetRecords, "DSPQ_FACTURASALBARANESAfterGetRecords"}}},
    {"DSPQ_FALBARANESAUX",      "Q_FALBARANESAUX", 0, {{BeforeGetRecords, "DSPQ_FALBARANESAUXBeforeGetRecords"}, {AfterGetRecords, "DSPQ_FALBARANESAUXAFTERGetRecords"}}},
    {"DSPQ_ARQUEODECAJA",       "Q_ARQUEDECAJA", 0, {{BeforeGetRecords, "DSPQ_ARQUEODECAJABeforeGetRecords"}, {AfterGetRecords, "DSPQ_ARQUEODECAJAAfterGetRecords"}}},
    {"DSPQ_TIPOSIVA",           "Q_TIPOSIVA", 0, {{OnUpdateError, "DSPQ_PROVEEDOR_ACREEDORUpdateError"}, {BeforeGetRecords, "DSPQ_TIPOSIVABeforeGetRecords"}, {AfterGetRecords, "DSPQ_TIPOSIVAAfterGetRecords"}}},
    {"DSPQ_ALMACENDETALLE2",    "Q_ALMACENDETALLE2", 0, {{OnUpdateError, "DSPQ_PROVEEDOR_ACREEDORUpdateError"}, {BeforeGetRecords, "DSPQ_ALMACENDETALLE2BeforeGetRecords"}, {AfterGetRecords, "DSPQ_ALMACENDETALLE2AfterGetRecords"}}},
};
// clang-format on

template <std::size_t N>
constexpr std::array<ProviderSpec, N> toProviderSpecs(const ProviderRow (&rows)[N]) {
    std::array<ProviderSpec, N> specs{};
    for (std::size_t i = 0; i < N; ++i) {
        std::size_t bound = 0;
        while (bound < kMaxEvents && !rows[i].events[bound].handler.empty())
            ++bound;
        specs[i] = ProviderSpec{rows[i].name, rows[i].dataset, rows[i].options,
                                std::span<const EventBinding>(rows[i].events, bound)};
    }
    return specs;
}

constexpr std::array<ProviderSpec, std::size(kProviderRows)> kProviders =
    toProviderSpecs(kProviderRows);

constexpr Catalogue kCatalogue{
    .moduleName = "AZORVANIL",
    .onCreate = "RemoteDataModuleCreate",
    .connection =
        {
            .name = "SQLConnection1",
            .connectionName = "DB2Connection",
            .driverName = "DB2",
            .libraryName = "dbexpdb2.dll",
            .getDriverFunc = "getSQLDriverDB2",
            .vendorLib = "db2cli.dll",
            .loginPrompt = false,
            .connected = true,
            .beforeConnect = "SQLConnection1BeforeConnect",
            .onLogin = "SQLConnection1Login",
            .params = kConnectionParams,
        },
    .datasets = kDatasets,
    .masterLinks = kMasterLinks,
    .providers = kProviders,
};

}  // namespace

const Catalogue& zorvanilCatalogue() {
    return kCatalogue;
}

}  // namespace zorvanil::catalogue
