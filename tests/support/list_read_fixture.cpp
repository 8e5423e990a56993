#include "support/list_read_fixture.hpp"

#include <algorithm>

#include "app/zorvanil_handlers.hpp"
#include "catalogue/zorvanil_catalogue.hpp"
#include "db/sql_dataset.hpp"
#include "read/scroll_lookups.hpp"
#include "schema/demo_database.hpp"
#include "support/packet_columns.hpp"

namespace zorvanil::test {

const char* const kListRows = R"(
INSERT INTO EMPRESAS (ID_EMPRESA, EMPRESA, NOMBRE, CIF_EMPRESA, TIPO) VALUES
  (1, 1, 'LUCES CENTRO', 'B11111111', 0), (2, 2, 'LUCES NORTE', 'B22222222', 0),
  (3, 3, 'ALMACEN', 'A33333333', 1);
INSERT INTO SERIES VALUES (1, 2024, 'A'), (1, 2024, 'B'), (1, 2025, 'A'), (2, 2024, 'A'),
  (2, 2024, 'R');
INSERT INTO OPCIONESNUMERICAS VALUES (1, 2024, 10, 20, 30, 40, 50), (1, 2025, 1, 1, 1, 1, 1),
  (2, 2024, 5, 5, 5, 5, 5);
INSERT INTO FORMAPAGO VALUES ('EF', 'EFECTIVO'), ('TA', 'TARJETA'), ('TR', 'TRANSFERENCIA'),
  ('CH', 'ASDF CHEQUE');
INSERT INTO TIPOSIVA VALUES (0), (4), (10), (21);
INSERT INTO CLIENTES (ID_CLIENTE, NIF, NOMBRE, BORRADO) VALUES
  (1, '11111111A', 'ALBA', 0), (2, '22222222B', 'BENITO', 0), (3, '33333333C', 'L''HORTA', 0),
  (4, '44444444D', 'DAVID', 0), (5, '12345678Z', 'ALBERTO', -1), (12, '55555555E', 'CARMEN', 0);
INSERT INTO PROVEEDOR_ACREEDOR (ID_PROVEEDOR, NOMBRE, NIF, BORRADO) VALUES
  (1, 'LUMINOSA SA', 'A11111111', 0), (2, 'ELECTRO NORTE', 'B22222222', 0),
  (3, 'LUZ DEL SUR', 'A33333333', -1), (10, 'L''ESTEL', 'C44444444', 0);
INSERT INTO TIPOS VALUES (1, 1, '4000001'), (1, 2, '4000002'), (2, 1, '4000003');
INSERT INTO FAMILIAS VALUES ('01', 'ILUMINACION', 1), ('0101', 'LAMPARAS', 2),
  ('0102', 'APLIQUES', 2), ('02', 'ELECTRICIDAD', 1), ('0201', 'CABLES', 2);
INSERT INTO COLORES VALUES ('PL', 'PLATA'), ('NE', 'NEGRO'), ('OR', 'ORO'), ('BL', 'BLANCO'),
  ('XX', 'PERLA');
INSERT INTO ARTICULOS (COD_ARTICULO, COD_FAMILIA, PROFUNDIDAD, ID_ARTICULO, DESCRIPCION,
  ART_PROVEEDOR, ID_PROVEEDOR, BORRADO) VALUES
  (1, '01', 1, 'LAMP-100', 'LAMPARA TECHO', 'LT100', 1, 0),
  (2, '0101', 2, 'LAMP-200', 'LAMPARA MESA', 'LM200', 2, 0),
  (3, '02', 1, 'CABLE-1', 'CABLE 1.5MM', 'CB15', 1, 0),
  (4, '02', 1, 'LED-7W', 'BOMBILLA LED', 'LED7', 2, -1);
INSERT INTO EAN VALUES ('8400000000017', 'LAMP-100'), ('8400000000024', 'LAMP-100'),
  ('8400000000031', 'CABLE-1');
INSERT INTO TARIFAS_PROVEEDORES (ID_PROVEEDOR, ART_PROVEEDOR, ID_ARTICULO, NOMBRE) VALUES
  (1, 'LT100', 'LAMP-100', 'LAMPARA TECHO'), (1, 'CB15', 'CABLE-1', 'CABLE'),
  (2, 'LM200', 'LAMP-200', 'LAMPARA MESA'), (2, 'X1', NULL, 'LUZ');
INSERT INTO ALMACEN (ID_ARTICULO, ID_EMPRESA, DESCRIPCION) VALUES
  ('LAMP-100', 1, 'LAMPARA TECHO'), ('LAMP-100', 2, 'LAMPARA TECHO'), ('X-12', 1, 'INTERRUPTOR'),
  ('12-A', 1, 'ENCHUFE'), ('B-7', 1, '12V TRANSFORMADOR'), ('C-9', 2, '12V FUENTE'),
  ('ASD-1', 0, 'ARTICULO DEMO');
INSERT INTO ALMACENDETALLE2 VALUES (1, '8400000000017', 5), (2, '8400000000024', 3),
  (3, '8400000000017', 1);
INSERT INTO AVISOS (ID_AVISO, ID_EMPRESA, ANYO, NOMBRE_CONTACTO) VALUES (1, 1, 2024, 'MARTA'),
  (2, 1, 2024, 'MANUEL'), (3, 1, 2025, 'MARIO'), (4, 2, 2024, 'MARCOS'), (15, 1, 2024, 'JUAN');
)";

ListReadFixture::ListReadFixture() : db(std::string(schema::schemaDdl()) + kListRows) {}

server::TAZORVANIL& ListReadFixture::module() {
    if (!module_)
        module_ = std::make_unique<server::TAZORVANIL>(catalogue::zorvanilCatalogue(),
                                                       app::zorvanilHandlers(), db.environment());
    return *module_;
}

ReadResult ListReadFixture::read(std::string_view provider, std::int32_t count,
                                 const Variant& owner, std::int32_t options,
                                 std::string_view commandText) {
    server::TAZORVANIL& m = module();
    const std::size_t before = db.statements().size();
    ReadResult r = getRecords(m, provider, count, options, owner, commandText);
    std::vector<std::string> all = db.statements();
    sent.assign(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
    return r;
}

std::vector<std::string> ListReadFixture::rows(const ReadResult& r, std::string_view columns) {
    const packet::DataPacket& p = r.packet();
    const std::vector<std::size_t> index = columnIndexes(p.fields, columns);
    std::vector<std::string> out;
    for (const auto& row : p.rows)
        out.push_back(joinedValues(row, index));
    return out;
}

std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

bool isNameLookup(std::string_view dataSet, std::string_view sql) {
    for (const read::ScrollLookup& l : read::scrollLookups())
        if (l.dataSet == dataSet && !l.field.empty() && sql.starts_with(l.before) &&
            sql.ends_with(l.after) && sql.size() > l.before.size() + l.after.size())
            return true;
    return false;
}

std::vector<std::string> withoutNameLookups(const std::vector<std::string>& statements,
                                            std::string_view dataSet) {
    std::vector<std::string> out;
    for (const std::string& s : statements)
        if (!isNameLookup(dataSet, s)) out.push_back(s);
    return out;
}

}  // namespace zorvanil::test
