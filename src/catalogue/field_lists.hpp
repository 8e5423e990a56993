#pragma once

#include "db/field_def.hpp"

namespace zorvanil::catalogue {

// The persistent field lists: for these seventeen datasets the list, not the statement, fixes the
// record format (fields, order, types, sizes, flags) that the provider delivers. Every other
// dataset delivers the columns of its statement of the moment. Each list is named after its
// dataset; the bound is the number of fields.
extern const db::FieldSpec kFieldsQ_FACTURAS[8];
extern const db::FieldSpec kFieldsQ_ARTICULOS[45];
extern const db::FieldSpec kFieldsQMD_PRESUPUESTO[13];
extern const db::FieldSpec kFieldsQ_ARTICULOSAUX[43];
extern const db::FieldSpec kFieldsQ_MDALBARAN[27];
extern const db::FieldSpec kFieldsQ_MDPRESUPUESTOAUX[14];
extern const db::FieldSpec kFieldsQ_MDFACTURA[33];
extern const db::FieldSpec kFieldsQ_MDALBARANAUX[28];
extern const db::FieldSpec kFieldsQ_MDCOBRO[13];
extern const db::FieldSpec kFieldsQ_MDFACTURAAUX[32];
extern const db::FieldSpec kFieldsQ_MDCOBROAUX[13];
extern const db::FieldSpec kFieldsQ_TARIFAS[19];
extern const db::FieldSpec kFieldsQ_TARIFASAUX[19];
extern const db::FieldSpec kFieldsQ_MDTICKET[23];
extern const db::FieldSpec kFieldsQ_OPCIONESNUMERICAS[8];
extern const db::FieldSpec kFieldsQ_TICKETAUX[22];
extern const db::FieldSpec kFieldsQ_MDTICKETAUX[23];

}  // namespace zorvanil::catalogue
