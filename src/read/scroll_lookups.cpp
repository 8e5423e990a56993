#include "read/scroll_lookups.hpp"

namespace zorvanil::read {

namespace {

using enum Pasting;
using enum Stored;
using enum Serves;

// clang-format off

// The after-scroll lookups: dataset, calculated field, key column, statement before the key, how
// the key is pasted, statement after the key, how the text is stored, which datasets it serves.
constexpr ScrollLookup kLookups[] = {
    // Documents: the customer's name.
    {"QMD_PRESUPUESTO",     "NOMBRECLIENTE",        "ID_CLIENTE",  "SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = ",          Raw,    "",   AsRead,  AnyDataSet},
    {"Q_MDPRESUPUESTOAUX",  "NOMBRECLIENTE",        "ID_CLIENTE",  "SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE =",           Raw,    "",   AsRead,  AnyDataSet},
    {"Q_MDALBARAN",         "NOMBRECLIENTE",        "ID_CLIENTE",  "SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = ",          Raw,    "",   AsRead,  AnyDataSet},
    {"Q_MDALBARANAUX",      "NOMBRECLIENTE",        "ID_CLIENTE",  "SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = ",          Raw,    "",   AsRead,  AnyDataSet},
    {"Q_MDFACTURA",         "NOMBRECLIENTE",        "ID_CLIENTE",  "SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = ",          Raw,    "",   AsRead,  AnyDataSet},
    {"Q_MDFACTURAAUX",      "NOMBRECLIENTE",        "ID_CLIENTE",  "SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = ",          Raw,    "",   AsRead,  AnyDataSet},
    {"Q_MDCOBRO",           "NOMBRECLIENTE",        "ID_CLIENTE",  "SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = ",          Raw,    "",   AsRead,  AnyDataSet},
    {"Q_MDCOBROAUX",        "NOMBRECLIENTE",        "ID_CLIENTE",  "SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = ",          Raw,    "",   AsRead,  AnyDataSet},
    {"Q_MDTICKETAUX",       "NOMBRECLIENTE",        "ID_CLIENTE",  "SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = ",          Raw,    "",   AsRead,  AnyDataSet},

    // Tickets: the customer's trade name, then the payment method.
    {"Q_MDTICKET",          "NOMBRECLIENTE",        "ID_CLIENTE",  "SELECT  NOMBRE_COMERCIAL FROM CLIENTES WHERE ID_CLIENTE=", Raw,    "",   Trimmed, OwnDataSetOnly},
    {"Q_MDTICKET",          "FORMAPAGODESCRIPCION", "FORMAPAGO",   "SELECT  DESCRIPCION FROM FORMAPAGO WHERE ID_FORMA='",      Quoted, "' ", Trimmed, OwnDataSetOnly},
    {"Q_TICKETAUX",         "NOMBRECLIENTE",        "ID_CLIENTE",  "SELECT  NOMBRE_COMERCIAL FROM CLIENTES WHERE ID_CLIENTE=", Raw,    "",   Trimmed, OwnDataSetOnly},

    // Articles: colour, family, supplier.
    {"Q_ARTICULOS",         "colordescripcion",     "ID_COLOR",    "SELECT DESCRIPCION FROM COLORES WHERE ID_COLOR = '",       Quoted, "' ", AsRead,  AnyDataSet},
    {"Q_ARTICULOS",         "familiadescripcion",   "COD_FAMILIA", "SELECT DESCRIPCION FROM FAMILIAS WHERE COD_FAMILIA = '",   Quoted, "' ", AsRead,  AnyDataSet},
    {"Q_ARTICULOS",         "nombreproveedor",      "id_proveedor", "SELECT NOMBRE FROM proveedor_acreedor WHERE id_proveedor = ", Raw, " ", AsRead,  AnyDataSet},
    {"Q_ARTICULOSAUX",      "nombreproveedor",      "ID_PROVEEDOR", "SELECT NOMBRE FROM PROVEEDOR_ACREEDOR WHERE ID_PROVEEDOR = ", Raw, "",  AsRead,  AnyDataSet},

    // Supplier price lists: the supplier's name.
    {"Q_TARIFAS",           "nombreproveedor",      "id_proveedor", "SELECT NOMBRE FROM proveedor_acreedor WHERE id_proveedor = ", Raw, "",  AsRead,  AnyDataSet},
    {"Q_TARIFASAUX",        "NOMBREPROVEEDOR",      "id_proveedor", "SELECT NOMBRE FROM proveedor_acreedor WHERE id_proveedor = ", Raw, "",  AsRead,  AnyDataSet},

    // Document counters: the company's name.
    {"Q_OPCIONESNUMERICAS", "NOMBREEMPRESA",        "ID_EMPRESA",  "SELECT NOMBRE FROM EMPRESAS WHERE ID_EMPRESA = ",          Raw,    "",   AsRead,  AnyDataSet},

    // Goods-in listing: the handler does nothing.
    {"Q_LISTADOENTRADA",    {},                     {},            {},                                                         Raw,    {},   AsRead,  AnyDataSet},
};

// clang-format on

}  // namespace

std::span<const ScrollLookup> scrollLookups() {
    return kLookups;
}

}  // namespace zorvanil::read
