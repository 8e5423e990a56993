#include "catalogue/field_lists.hpp"

#include <cstdint>
#include <span>
#include <string_view>

namespace zorvanil::catalogue {

namespace {

using db::FieldSpec;
using db::FieldType;

constexpr std::uint8_t kReq = db::kRequired;
constexpr std::uint8_t kFixed = db::kFixed;
constexpr std::uint8_t kCalc = db::kCalculated;

// One helper per field type, so that each entry below reads like its row of the field table.
constexpr FieldSpec Integer(std::string_view name, std::uint8_t flags = 0) {
    return {name, FieldType::Integer, 0, flags};
}
constexpr FieldSpec Smallint(std::string_view name, std::uint8_t flags = 0) {
    return {name, FieldType::Smallint, 0, flags};
}
constexpr FieldSpec Float(std::string_view name, std::uint8_t flags = 0) {
    return {name, FieldType::Float, 0, flags};
}
constexpr FieldSpec String(std::string_view name, int size, std::uint8_t flags = 0) {
    return {name, FieldType::String, size, flags};
}
constexpr FieldSpec Date(std::string_view name, std::uint8_t flags = 0) {
    return {name, FieldType::Date, 0, flags};
}
constexpr FieldSpec Time(std::string_view name, std::uint8_t flags = 0) {
    return {name, FieldType::Time, 0, flags};
}
// Blobs are declared with size 1; the whole value is fetched all the same.
constexpr FieldSpec Blob(std::string_view name, int size, std::uint8_t flags = 0) {
    return {name, FieldType::Blob, size, flags};
}
constexpr FieldSpec withWidth(FieldSpec spec, int displayWidth) {
    spec.displayWidth = displayWidth;
    return spec;
}

// A list declared with a larger bound than it has entries would be padded with empty fields.
constexpr bool complete(std::span<const FieldSpec> fields) {
    for (const FieldSpec& field : fields) {
        if (field.name.empty() || field.type == FieldType::Unknown) return false;
    }
    return true;
}

}  // namespace

// clang-format off
constexpr db::FieldSpec kFieldsQ_FACTURAS[8] = {
    Integer("NUM_FACT", kReq),
    Float("BASE_FACT", kReq),
    Smallint("EMPRESA", kReq),
    String("NIF", 9, kReq | kFixed),
    Date("FECHA_FACTURA", kReq),
    Integer("COBRADO"),
    Float("IMPORTEIVA"),
    Float("IVA", kReq),
};

constexpr db::FieldSpec kFieldsQ_ARTICULOS[45] = {
    String("colordescripcion", 150, kCalc),
    String("nombreproveedor", 150, kCalc),
    withWidth(String("familiadescripcion", 150, kCalc), 150),
    Integer("COD_ARTICULO", kReq),
    String("COD_FAMILIA", 30, kReq),
    Smallint("PROFUNDIDAD", kReq),
    String("ID_ARTICULO", 30, kReq),
    String("DESCRIPCION", 250),
    String("DESCRIPCIONTICKET", 50),
    Float("BENEFICIO"),
    Float("PRECIO_COSTE"),
    Float("PRECIO_MAX_COSTE"),
    Float("PRECIO_MIN_COSTE"),
    Float("PRECIO_MED_COSTE"),
    Float("PRECIO_VENTA"),
    Float("IVA"),
    Integer("BRAZOS"),
    String("ID_COLOR", 5),
    Float("PVPCAT"),
    Float("DESCUENTO"),
    String("MARCA", 10),
    Blob("IMAGEN", 1),
    Float("TRANS"),
    String("ART_PROVEEDOR", 30),
    Integer("ID_PROVEEDOR"),
    String("OBSERVACIONES", 150),
    String("OLDART_PROVEEDOR", 30),
    Integer("OLDID_PROVEEDOR"),
    Smallint("MOSTRARIMAGEN"),
    Smallint("MOSTRARDESCRIPCION"),
    Smallint("POSICION"),
    Smallint("POSICIONUSO"),
    String("DESCRIPCIONBOTON", 50),
    Smallint("MOSTRARPOSICION"),
    Smallint("MOSTRARPOSICIONUSO"),
    Smallint("BORRADO"),
    Float("ALMACENABLEBORRAR"),
    Smallint("ALMACENABLE"),
    Smallint("TRANSPORTES"),
    Smallint("FINANCIEROS"),
    Smallint("OTROSCOSTES"),
    Float("PVPPROV"),
    Float("PVP2"),
    Date("FMODIFICACION"),
    Integer("CONTADOR"),
};

constexpr db::FieldSpec kFieldsQMD_PRESUPUESTO[13] = {
    String("NOMBRECLIENTE", 80, kCalc),
    Integer("ID_PRESUPUESTO", kReq),
    Smallint("ID_EMPRESA", kReq),
    Smallint("ANYO", kReq),
    Integer("ID_CLIENTE"),
    Float("BASE_PRESUPUESTO"),
    Float("BASE_PRESUPUESTOSINIVA"),
    Date("FECHA"),
    Float("DESCUENTO"),
    Float("IVA"),
    Date("VALIDEZ"),
    String("OBSERVACIONES", 200),
    Float("RE"),
};

constexpr db::FieldSpec kFieldsQ_ARTICULOSAUX[43] = {
    Integer("COD_ARTICULO", kReq),
    String("COD_FAMILIA", 30, kReq),
    Smallint("PROFUNDIDAD", kReq),
    String("ID_ARTICULO", 30, kReq),
    String("DESCRIPCION", 250),
    String("DESCRIPCIONTICKET", 50),
    Float("BENEFICIO"),
    Float("PRECIO_COSTE"),
    Float("PRECIO_MAX_COSTE"),
    Float("PRECIO_MIN_COSTE"),
    Float("PRECIO_MED_COSTE"),
    Float("PRECIO_VENTA"),
    Float("IVA"),
    Integer("BRAZOS"),
    String("ID_COLOR", 5),
    Float("PVPCAT"),
    Float("DESCUENTO"),
    String("MARCA", 10),
    Blob("IMAGEN", 1),
    Float("TRANS"),
    String("ART_PROVEEDOR", 30),
    Integer("ID_PROVEEDOR"),
    String("OBSERVACIONES", 150),
    String("OLDART_PROVEEDOR", 30),
    Integer("OLDID_PROVEEDOR"),
    Smallint("MOSTRARIMAGEN"),
    Smallint("MOSTRARDESCRIPCION"),
    Smallint("POSICION"),
    Smallint("POSICIONUSO"),
    String("DESCRIPCIONBOTON", 50),
    Smallint("MOSTRARPOSICION"),
    Smallint("MOSTRARPOSICIONUSO"),
    Smallint("BORRADO"),
    String("nombreproveedor", 20, kCalc),
    Smallint("ALMACENABLE"),
    Smallint("TRANSPORTES"),
    Smallint("FINANCIEROS"),
    Smallint("OTROSCOSTES"),
    Float("ALMACENABLEBORRAR"),
    Float("PVPPROV"),
    Float("PVP2"),
    Date("FMODIFICACION"),
    Integer("CONTADOR"),
};

constexpr db::FieldSpec kFieldsQ_MDALBARAN[27] = {
    String("NOMBRECLIENTE", 80, kCalc),
    Integer("ID_ALBARAN", kReq),
    Smallint("ANYO", kReq),
    Smallint("ID_EMPRESA", kReq),
    String("ID_SERIE", 3, kReq),
    Date("FECHA"),
    Integer("ID_CLIENTE"),
    String("OBSERVACIONES", 200),
    Integer("ID_PRESUPUESTO"),
    Smallint("ANULADO"),
    Smallint("COBRADO"),
    String("ID_FORMA", 5),
    Time("HORACOBRO"),
    Date("FECHACOBRO"),
    Float("IVA"),
    Float("BASE_ALBARAN"),
    Float("BASE_ALBARANSINIVA"),
    Float("DESCUENTO"),
    Float("RE"),
    Float("TOTAL_COBRADO"),
    Float("DESCUENTOEURO"),
    Float("ENTREGA"),
    Float("DEVOLUCION"),
    Float("TOTALCOBRADO"),
    Float("TOTALDESCUENTO"),
    Time("HORA"),
    Date("FECHAFIN"),
};

constexpr db::FieldSpec kFieldsQ_MDPRESUPUESTOAUX[14] = {
    String("NOMBRECLIENTE", 80, kCalc),
    Integer("ID_PRESUPUESTO", kReq),
    Smallint("ID_EMPRESA", kReq),
    Integer("ID_CLIENTE"),
    Float("BASE_PRESUPUESTO"),
    Date("FECHA"),
    Float("BASE_PRESUPUESTOSINIVA"),
    Float("DESCUENTO"),
    String("OBSERVACIONES", 200),
    Date("VALIDEZ"),
    Smallint("ANYO", kReq),
    String("NOMBRE", 50),
    Float("RE"),
    Float("IVA"),
};

constexpr db::FieldSpec kFieldsQ_MDFACTURA[33] = {
    String("NOMBRECLIENTE", 80, kCalc),
    Integer("ID_FACTURA", kReq),
    Smallint("ANYO", kReq),
    Smallint("ID_EMPRESA", kReq),
    String("ID_SERIE", 3, kReq),
    Date("FECHA"),
    Integer("ID_CLIENTE"),
    String("OBSERVACIONES", 200),
    Integer("ID_PRESUPUESTO"),
    Integer("ID_ALBARAN"),
    Smallint("ANULADO"),
    Smallint("COBRADO"),
    Integer("ASIENTO"),
    String("ID_FORMA", 5),
    Smallint("ALBANYO"),
    String("ALBID_SERIE", 3),
    Smallint("TICANYO"),
    String("TICID_SERIE", 3),
    Integer("ID_TICKET"),
    Smallint("IMPRESO"),
    Time("HORACOBRO"),
    Date("FECHACOBRO"),
    Float("IVA"),
    Float("BASE_FACTURA"),
    Float("DESCUENTO"),
    Float("RE"),
    Float("TOTAL_COBRADO"),
    Float("DESCUENTOEURO"),
    Float("ENTREGA"),
    Float("DEVOLUCION"),
    Float("TOTALCOBRADO"),
    Float("TOTALDESCUENTO"),
    Time("HORA"),
};

constexpr db::FieldSpec kFieldsQ_MDALBARANAUX[28] = {
    String("NOMBRECLIENTE", 80, kCalc),
    String("NOMBRE", 50),
    Integer("ID_ALBARAN", kReq),
    Smallint("ANYO", kReq),
    Smallint("ID_EMPRESA", kReq),
    String("ID_SERIE", 3, kReq),
    Date("FECHA"),
    Integer("ID_CLIENTE"),
    String("OBSERVACIONES", 200),
    Integer("ID_PRESUPUESTO"),
    Smallint("ANULADO"),
    Smallint("COBRADO"),
    String("ID_FORMA", 5),
    Date("FECHACOBRO"),
    Time("HORACOBRO"),
    Float("DESCUENTOEURO"),
    Float("ENTREGA"),
    Float("DEVOLUCION"),
    Float("TOTALCOBRADO"),
    Float("TOTALDESCUENTO"),
    Float("BASE_ALBARANSINIVA"),
    Float("IVA"),
    Float("BASE_ALBARAN"),
    Float("DESCUENTO"),
    Float("RE"),
    Float("TOTAL_COBRADO"),
    Time("HORA"),
    Date("FECHAFIN"),
};

constexpr db::FieldSpec kFieldsQ_MDCOBRO[13] = {
    String("NOMBRECLIENTE", 80, kCalc),
    String("ID_SERIE", 3),
    Integer("ID_COBRO", kReq),
    Smallint("ANYO", kReq),
    String("TIPO", 10),
    Smallint("ID_EMPRESA", kReq),
    Integer("ID"),
    String("OBSERVACIONES", 200),
    Float("BASE"),
    String("ESTADO", 15),
    Integer("ID_CLIENTE"),
    Float("TOTAL_COBRADO"),
    Smallint("ANYOSERIE"),
};

constexpr db::FieldSpec kFieldsQ_MDFACTURAAUX[32] = {
    String("NOMBRECLIENTE", 80, kCalc),
    Date("FECHACOBRO"),
    Time("HORACOBRO"),
    Integer("ID_TICKET"),
    Integer("ID_FACTURA", kReq),
    Smallint("ANYO", kReq),
    Smallint("ID_EMPRESA", kReq),
    String("ID_SERIE", 3, kReq),
    Date("FECHA"),
    Integer("ID_CLIENTE"),
    String("OBSERVACIONES", 200),
    Integer("ID_PRESUPUESTO"),
    Integer("ID_ALBARAN"),
    Smallint("ANULADO"),
    Smallint("COBRADO"),
    Integer("ASIENTO"),
    String("ID_FORMA", 5),
    Smallint("TICANYO"),
    String("TICID_SERIE", 3),
    String("NOMBRE", 50),
    Smallint("IMPRESO"),
    Float("ENTREGA"),
    Float("DEVOLUCION"),
    Float("TOTALCOBRADO"),
    Float("TOTALDESCUENTO"),
    Float("DESCUENTOEURO"),
    Float("IVA"),
    Float("BASE_FACTURA"),
    Float("DESCUENTO"),
    Float("RE"),
    Float("TOTAL_COBRADO"),
    Time("HORA"),
};

constexpr db::FieldSpec kFieldsQ_MDCOBROAUX[13] = {
    String("NOMBRECLIENTE", 80, kCalc),
    Integer("ID_COBRO", kReq),
    Smallint("ANYO", kReq),
    Smallint("ID_EMPRESA", kReq),
    String("TIPO", 10),
    Integer("ID"),
    String("ID_SERIE", 3),
    Smallint("ANYOSERIE"),
    String("OBSERVACIONES", 200),
    Float("BASE"),
    String("ESTADO", 15),
    Integer("ID_CLIENTE"),
    Float("TOTAL_COBRADO"),
};

constexpr db::FieldSpec kFieldsQ_TARIFAS[19] = {
    String("nombreproveedor", 80, kCalc),
    Integer("ID_PROVEEDOR", kReq),
    String("ART_PROVEEDOR", 30, kReq),
    String("ID_ARTICULO", 30),
    String("GRUPO", 30),
    String("GDESCRIPCION", 100),
    String("NOMBRE", 100),
    String("OBSERVACIONES", 150),
    Date("FECHA"),
    Smallint("DIAS_SUMINISTRO"),
    String("EAN_FABRICANTE", 40),
    String("MARCA", 10),
    Smallint("BRAZOS"),
    String("ID_COLOR", 5),
    Float("PRECIO"),
    Float("DESCUENTO"),
    Float("NETO"),
    Float("IVA"),
    Float("PVPCAT"),
};

constexpr db::FieldSpec kFieldsQ_TARIFASAUX[19] = {
    String("NOMBREPROVEEDOR", 50, kCalc),
    Integer("ID_PROVEEDOR", kReq),
    String("ART_PROVEEDOR", 30, kReq),
    String("ID_ARTICULO", 30),
    String("GRUPO", 30),
    String("GDESCRIPCION", 100),
    String("NOMBRE", 100),
    String("OBSERVACIONES", 150),
    Date("FECHA"),
    Smallint("DIAS_SUMINISTRO"),
    String("EAN_FABRICANTE", 40),
    String("MARCA", 10),
    Smallint("BRAZOS"),
    String("ID_COLOR", 5),
    Float("PRECIO"),
    Float("DESCUENTO"),
    Float("NETO"),
    Float("IVA"),
    Float("PVPCAT"),
};

constexpr db::FieldSpec kFieldsQ_MDTICKET[23] = {
    String("NOMBRECLIENTE", 150, kCalc),
    Integer("ID_TICKET", kReq),
    Smallint("ID_EMPRESA", kReq),
    Smallint("ANYO", kReq),
    String("ID_SERIE", 3, kReq),
    Smallint("IMPRESO"),
    Integer("ID_CLIENTE", kReq),
    Smallint("COBRADO"),
    String("FORMAPAGO", 5),
    String("FORMAPAGODESCRIPCION", 150, kCalc),
    Time("HORACOBRO"),
    Date("FECHACOBRO"),
    Time("HORA"),
    Date("FECHA"),
    Float("DESCUENTO"),
    Float("DESCUENTOEURO"),
    Float("BASE_TICKET"),
    Float("BASE_TICKETSINIVA"),
    Float("IVA"),
    Float("ENTREGA"),
    Float("DEVOLUCION"),
    Float("TOTALCOBRADO"),
    Float("TOTALDESCUENTO"),
};

constexpr db::FieldSpec kFieldsQ_OPCIONESNUMERICAS[8] = {
    Smallint("ID_EMPRESA", kReq),
    Smallint("ANYO", kReq),
    Integer("ID_COBRO"),
    Integer("ID_ENTRADA"),
    Integer("ID_PRESUPUESTO"),
    Smallint("ID_SALIDA"),
    Integer("ID_AVISO"),
    String("NOMBREEMPRESA", 150, kCalc),
};

constexpr db::FieldSpec kFieldsQ_TICKETAUX[22] = {
    Integer("ID_TICKET", kReq),
    Smallint("ID_EMPRESA", kReq),
    String("NOMBRECLIENTE", 150, kCalc),
    Smallint("ANYO", kReq),
    String("ID_SERIE", 3, kReq),
    Smallint("IMPRESO"),
    Integer("ID_CLIENTE", kReq),
    Smallint("COBRADO"),
    String("FORMAPAGO", 5),
    Time("HORACOBRO"),
    Date("FECHACOBRO"),
    Time("HORA"),
    Date("FECHA"),
    Float("DESCUENTO"),
    Float("DESCUENTOEURO"),
    Float("BASE_TICKET"),
    Float("BASE_TICKETSINIVA"),
    Float("IVA"),
    Float("ENTREGA"),
    Float("DEVOLUCION"),
    Float("TOTALCOBRADO"),
    Float("TOTALDESCUENTO"),
};

constexpr db::FieldSpec kFieldsQ_MDTICKETAUX[23] = {
    String("NOMBRECLIENTE", 150, kCalc),
    Integer("ID_TICKET", kReq),
    Smallint("ID_EMPRESA", kReq),
    Smallint("ANYO", kReq),
    String("ID_SERIE", 3, kReq),
    Smallint("IMPRESO"),
    Integer("ID_CLIENTE", kReq),
    Smallint("COBRADO"),
    String("NOMBRE", 50),
    String("FORMAPAGO", 5),
    Time("HORACOBRO"),
    Date("FECHACOBRO"),
    Time("HORA"),
    Date("FECHA"),
    Float("DESCUENTO"),
    Float("DESCUENTOEURO"),
    Float("BASE_TICKET"),
    Float("BASE_TICKETSINIVA"),
    Float("IVA"),
    Float("ENTREGA"),
    Float("DEVOLUCION"),
    Float("TOTALCOBRADO"),
    Float("TOTALDESCUENTO"),
};
// clang-format on

static_assert(complete(kFieldsQ_FACTURAS));
static_assert(complete(kFieldsQ_ARTICULOS));
static_assert(complete(kFieldsQMD_PRESUPUESTO));
static_assert(complete(kFieldsQ_ARTICULOSAUX));
static_assert(complete(kFieldsQ_MDALBARAN));
static_assert(complete(kFieldsQ_MDPRESUPUESTOAUX));
static_assert(complete(kFieldsQ_MDFACTURA));
static_assert(complete(kFieldsQ_MDALBARANAUX));
static_assert(complete(kFieldsQ_MDCOBRO));
static_assert(complete(kFieldsQ_MDFACTURAAUX));
static_assert(complete(kFieldsQ_MDCOBROAUX));
static_assert(complete(kFieldsQ_TARIFAS));
static_assert(complete(kFieldsQ_TARIFASAUX));
static_assert(complete(kFieldsQ_MDTICKET));
static_assert(complete(kFieldsQ_OPCIONESNUMERICAS));
static_assert(complete(kFieldsQ_TICKETAUX));
static_assert(complete(kFieldsQ_MDTICKETAUX));

}  // namespace zorvanil::catalogue
