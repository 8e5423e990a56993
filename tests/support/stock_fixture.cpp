#include "support/stock_fixture.hpp"

#include <algorithm>

namespace zorvanil::test {

namespace {

using db::FieldType;

std::string readOf(const char* number) {
    return ListOptions{.company = "1", .year = "2024", .searchText = number, .searchMode = "1"}
        .text();
}

const char* const kStockRows = R"(
UPDATE EMPRESAS SET AVISAR = 3 WHERE ID_EMPRESA = 1;
UPDATE ARTICULOS SET ALMACENABLE = 1 WHERE ID_ARTICULO IN ('LAMP-100', 'LAMP-200', 'CABLE-1');
UPDATE ARTICULOS SET ALMACENABLE = 0 WHERE ID_ARTICULO = 'LED-7W';
INSERT INTO ARTICULOS (COD_ARTICULO, COD_FAMILIA, PROFUNDIDAD, ID_ARTICULO, DESCRIPCION, MARCA,
  ALMACENABLE, BORRADO) VALUES (5, '01', 1, 'L''OREAL-5', 'CREMA', 'L''OREAL', 1, 0);
UPDATE ALMACEN SET CANTIDAD = 10, AVISAR = 2 WHERE ID_ARTICULO = 'LAMP-100' AND ID_EMPRESA = 1;
UPDATE ALMACEN SET CANTIDAD = 5, AVISAR = 1 WHERE ID_ARTICULO = 'LAMP-100' AND ID_EMPRESA = 2;
INSERT INTO ALMACEN (ID_ARTICULO, ID_EMPRESA, DESCRIPCION, MARCA, CANTIDAD, AVISAR) VALUES
  ('L''OREAL-5', 1, 'CREMA', 'L''OREAL', 4, 3);
INSERT INTO ALMACENDETALLE VALUES ('8400000000017', 4), ('8400000000024', 6), ('LOR''5', 1);
INSERT INTO ALMACENDETALLE2 VALUES (4, 'LOR''5', 2);
CREATE TRIGGER ALMACENDETALLE2_FLOOR BEFORE UPDATE ON ALMACENDETALLE2 WHEN NEW.CANTIDAD < -100
  BEGIN SELECT RAISE(ABORT, 'stock below -100'); END;
INSERT INTO ALBARANES (ID_ALBARAN, ANYO, ID_EMPRESA, ID_SERIE) VALUES (500, 2024, 1, 'A');
INSERT INTO LIN_ALBARAN (ID_ALBARAN, ANYO, ID_EMPRESA, ID_SERIE, LINEA, ID_ARTICULO,
  CODIGO_BARRAS, MARCA, DESCRIPCION, CANTIDAD) VALUES
  (500, 2024, 1, 'A', 1, 'LAMP-100', '8400000000017', 'PHILIPS', 'LAMPARA TECHO', 2),
  (500, 2024, 1, 'A', 2, NULL, NULL, NULL, 'PORTES', 1);
INSERT INTO FACTURAS (ID_FACTURA, ANYO, ID_EMPRESA, ID_SERIE, ID_ALBARAN) VALUES
  (500, 2024, 1, 'A', NULL), (600, 2024, 1, 'A', 500);
INSERT INTO SALIDA (ID_SALIDA, ID_EMPRESA, ANYO) VALUES (500, 1, 2024);
INSERT INTO LINEA_SALIDA (ID_SALIDA, ID_EMPRESA, ANYO, LINEA, ID_ARTICULO, CODIGO_BARRAS, MARCA,
  DESCRIPCION, CANTIDAD) VALUES
  (500, 1, 2024, 1, 'LAMP-100', '8400000000017', 'PHILIPS', 'LAMPARA TECHO', 2);
INSERT INTO TICKET (ID_TICKET, ID_EMPRESA, ANYO, ID_SERIE, ID_CLIENTE) VALUES (500, 1, 2024, 'A', 1);
INSERT INTO E_PROVEEDOR_ACREEDOR (ID_ENTRADA, ID_EMPRESA, ANYO) VALUES (500, 1, 2024);
INSERT INTO LIN_E_PROVEEDOR_ACREEDOR (ID_ENTRADA, ID_EMPRESA, ANYO, LINEA, ID_ARTICULO, MARCA,
  DESCRIPCION, CANTIDAD) VALUES
  (500, 1, 2024, 1, 'LAMP-100', 'PHILIPS', 'LAMPARA TECHO', 2),
  (500, 1, 2024, 2, 'L''OREAL-5', 'L''OREAL', 'CREMA', 2);
)";

packet::PacketField field(const std::string& name, FieldType type) {
    packet::PacketField f;
    f.def.name = name;
    f.def.type = type;
    f.def.size = type == FieldType::String ? 250 : 0;
    return f;
}

}  // namespace

// clang-format off
const StockDocument kDeliveryNote{"DSPQ_MDALBARAN",  "Q_MDLINEAALBARAN", "ALBARANES",            "LIN_ALBARAN",              "ID_ALBARAN", true,  true,  "OBSERVACIONES", readOf("500")};
// The invoice read finds invoice 600 first, which was made from delivery note 500.
const StockDocument kInvoice{     "DSPQ_MDFACTURA",  "Q_MDLINEAFACTURA", "FACTURAS",             "LINEAS_FACTURA",           "ID_FACTURA", true,  true,  "ID_ALBARAN",    readOf("600")};
const StockDocument kGoodsOut{    "DSPQ_MDSALIDA",   "QMD_LINEASALIDA",  "SALIDA",               "LINEA_SALIDA",             "ID_SALIDA",  false, true,  "",              readOf("500")};
const StockDocument kTicket{      "DSPQ_MDTICKET",   "Q_MDLINEATICKET",  "TICKET",               "LINEA_TICKET",             "ID_TICKET",  true,  true,  "",              tokens({"0", "0", "500", "1", "1", "", ""})};
const StockDocument kGoodsIn{     "DSPQ_MDENTRADAS", "QMD_LINEAENTRADA", "E_PROVEEDOR_ACREEDOR", "LIN_E_PROVEEDOR_ACREEDOR", "ID_ENTRADA", false, false, "",              readOf("500")};
// clang-format on

DocumentDelta::DocumentDelta(const StockDocument& kind, int number)
    : DocumentDelta(kind, DocumentKey{.number = number}) {}

DocumentDelta::DocumentDelta(const StockDocument& kind, DocumentKey key)
    : kind_(kind), key_(std::move(key)) {
    lineFields_ = {field(kind.number, FieldType::Integer), field("ANYO", FieldType::Smallint),
                   field("ID_EMPRESA", FieldType::Smallint)};
    if (kind.series) lineFields_.push_back(field("ID_SERIE", FieldType::String));
    lineFields_.push_back(field("LINEA", FieldType::Integer));
    lineFields_.push_back(field("ID_ARTICULO", FieldType::String));
    if (kind.barCodes) lineFields_.push_back(field("CODIGO_BARRAS", FieldType::String));
    for (const char* name : {"MARCA", "DESCRIPCION"})
        lineFields_.push_back(field(name, FieldType::String));
    lineFields_.push_back(field("CANTIDAD", FieldType::Float));
}

std::vector<Variant> DocumentDelta::keys(const Variant& company) const {
    std::vector<Variant> v{Variant(key_.number), Variant(key_.year), company};
    if (kind_.series) v.emplace_back(key_.series);
    return v;
}

std::vector<Variant> DocumentDelta::lineValues(const Line& line) const {
    std::vector<Variant> v = keys(line.company);
    v.emplace_back(line.linea);
    v.push_back(line.article);
    if (kind_.barCodes) v.push_back(line.barCode);
    for (const Variant* value : {&line.brand, &line.description, &line.quantity})
        v.push_back(*value);
    return v;
}

DocumentDelta& DocumentDelta::inserted(const Line& line) {
    lineRows_.push_back({packet::RowStatus::Inserted, lineValues(line), {}});
    return *this;
}

DocumentDelta& DocumentDelta::deleted(const Line& line) {
    lineRows_.push_back({packet::RowStatus::Deleted, lineValues(line), {}});
    return *this;
}

DocumentDelta& DocumentDelta::modified(const Line& line, const Line& changes) {
    lineRows_.push_back({packet::RowStatus::Unchanged, lineValues(line), {}});
    std::vector<Variant> values = lineValues(changes);
    // Keys and line number stay as they are.
    std::fill(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(keys({}).size() + 1),
              Variant());
    lineRows_.push_back({packet::RowStatus::Modified, std::move(values), {}});
    return *this;
}

Variant DocumentDelta::header(std::vector<packet::PacketRow> rows) const {
    auto p = std::make_shared<packet::DataPacket>();
    p->hasMetadata = true;
    p->fields = {field(kind_.number, FieldType::Integer), field("ANYO", FieldType::Smallint),
                 field("ID_EMPRESA", FieldType::Smallint)};
    if (kind_.series) p->fields.push_back(field("ID_SERIE", FieldType::String));
    if (*kind_.extraField)
        p->fields.push_back(
            field(kind_.extraField, std::string_view(kind_.extraField) == "ID_ALBARAN"
                                        ? FieldType::Integer
                                        : FieldType::String));
    packet::PacketField nested = field(kind_.lineDataset, FieldType::DataSet);
    nested.children = lineFields_;
    p->fields.push_back(std::move(nested));
    p->rows = std::move(rows);
    return Variant(packet::PacketPtr(std::move(p)));
}

packet::DataPacket DocumentDelta::linesPacket() const {
    packet::DataPacket lines;
    lines.rows = lineRows_;
    return lines;
}

Variant DocumentDelta::carried(const Variant& fetched) const {
    std::vector<Variant> values = keys(Variant(key_.company));
    if (*kind_.extraField) values.push_back(fetched);
    values.emplace_back(packet::PacketPtr(std::make_shared<packet::DataPacket>(linesPacket())));
    return header({{packet::RowStatus::Unchanged, std::move(values), {}}});
}

Variant DocumentDelta::headerModified(const Variant& extra, const Variant& fetched) const {
    std::vector<Variant> before = keys(Variant(key_.company));
    before.push_back(fetched);
    before.emplace_back(packet::PacketPtr(std::make_shared<packet::DataPacket>(linesPacket())));
    std::vector<Variant> changed(before.size());
    changed[before.size() - 2] = extra;
    return header({{packet::RowStatus::Unchanged, std::move(before), {}},
                   {packet::RowStatus::Modified, std::move(changed), {}}});
}

Variant DocumentDelta::headerInserted(const Variant& extra) const {
    std::vector<Variant> values = keys(Variant(key_.company));
    if (*kind_.extraField) values.push_back(extra);
    values.emplace_back(packet::PacketPtr(std::make_shared<packet::DataPacket>(linesPacket())));
    return header({{packet::RowStatus::Inserted, std::move(values), {}}});
}

StockFixture::StockFixture() {
    db.exec(std::string("BEGIN;\n") + kStockRows + "COMMIT;\n");
}

std::vector<std::string> StockFixture::stock() const {
    const std::string all = db.scalar(
        "SELECT GROUP_CONCAT(r, '|') FROM (SELECT r FROM ("
        "SELECT 'ALMACEN ' || ID_ARTICULO || '/' || ID_EMPRESA || ' ' || IFNULL(CANTIDAD, 'null') "
        "|| ' ' || IFNULL(AVISAR, 'null') || ' ' || IFNULL(MARCA, 'null') AS r FROM ALMACEN "
        "UNION ALL SELECT 'ALMACENDETALLE ' || CODIGO_BARRAS || ' ' || IFNULL(CANTIDAD, 'null') "
        "FROM ALMACENDETALLE UNION ALL SELECT 'ALMACENDETALLE2 ' || NUMERO1 || ' ' || "
        "CODIGO_BARRAS || ' ' || IFNULL(CANTIDAD, 'null') FROM ALMACENDETALLE2) ORDER BY r)");
    std::vector<std::string> rows;
    std::size_t from = 0;
    while (from <= all.size() && !all.empty()) {
        const std::size_t bar = std::min(all.find('|', from), all.size());
        rows.push_back(all.substr(from, bar - from));
        from = bar + 1;
    }
    return rows;
}

std::string StockFixture::lines(const StockDocument& kind) const {
    const std::string number = kind.number;
    return db.scalar("SELECT GROUP_CONCAT(r, ';') FROM (SELECT " + number +
                     " || '/' || LINEA || ':' || IFNULL(ID_ARTICULO, 'null') || ':' || "
                     "IFNULL(CANTIDAD, 'null') AS r FROM " +
                     kind.lines + " WHERE " + number + " BETWEEN 500 AND 999 ORDER BY " + number +
                     ", LINEA)");
}

}  // namespace zorvanil::test
