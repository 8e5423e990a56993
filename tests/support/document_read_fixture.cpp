#include "support/document_read_fixture.hpp"

#include <algorithm>
#include <stdexcept>

#include "db/sql_dataset.hpp"
#include "support/packet_columns.hpp"

namespace zorvanil::test {

namespace {

// One kind of document: its header table and number column, its line table, the line column
// that names the document, the customer or supplier column, and whether it has series.
struct DocumentKind {
    const char* header;
    const char* number;
    const char* lines;
    const char* lineTag;
    const char* party;
    bool series;
};

// clang-format off
constexpr DocumentKind kKinds[] = {
    {"PRESUPUESTOS",         "ID_PRESUPUESTO", "LINEAS_PRESUPUESTO",       "ID_ARTICULO", "ID_CLIENTE",   false},
    {"E_PROVEEDOR_ACREEDOR", "ID_ENTRADA",     "LIN_E_PROVEEDOR_ACREEDOR", "ID_ARTICULO", "ID_PROVEEDOR", false},
    {"ALBARANES",            "ID_ALBARAN",     "LIN_ALBARAN",              "ID_ARTICULO", "ID_CLIENTE",   true},
    {"FACTURAS",             "ID_FACTURA",     "LINEAS_FACTURA",           "ID_ARTICULO", "ID_CLIENTE",   true},
    {"COBRO",                "ID_COBRO",       "LINEAS_COBRO",             "ID_FORMA",    "ID_CLIENTE",   false},
    {"SALIDA",               "ID_SALIDA",      "LINEA_SALIDA",             "ID_ARTICULO", nullptr,        false},
    {"TICKET",               "ID_TICKET",      "LINEA_TICKET",             "ID_ARTICULO", "ID_CLIENTE",   true},
};
// clang-format on

struct Document {
    int number;
    int company;
    int year;
    const char* series;
    int party;
    int lines;
    const char* tag;
};

constexpr Document kDocuments[] = {
    {12, 1, 2024, "A", 1, 2, ""},    {120, 1, 2024, "A", 3, 1, ""},
    {1234, 1, 2024, "A", 2, 1, ""},  {312, 1, 2024, "A", 4, 0, ""},
    {12, 2, 2024, "A", 1, 1, "E2:"}, {12, 1, 2025, "A", 12, 1, "25:"},
    {12, 1, 2024, "B", 2, 1, "B:"},
};

std::string insertDocuments(const DocumentKind& kind) {
    std::string sql;
    const std::string key =
        std::string(kind.number) + ", ID_EMPRESA, ANYO" + (kind.series ? ", ID_SERIE" : "");
    for (const Document& d : kDocuments) {
        const bool seriesB = std::string_view(d.series) == "B";
        if (seriesB && !kind.series) continue;
        std::string values = std::to_string(d.number) + ", " + std::to_string(d.company) + ", " +
                             std::to_string(d.year) +
                             (kind.series ? ", '" + std::string(d.series) + "'" : "");
        sql += "INSERT INTO " + std::string(kind.header) + " (" + key +
               (kind.party ? ", " + std::string(kind.party) : "") + ") VALUES (" + values +
               (kind.party ? ", " + std::to_string(d.party) : "") + ");\n";
        for (int line = 1; line <= d.lines; ++line)
            sql += "INSERT INTO " + std::string(kind.lines) + " (" + key + ", LINEA, " +
                   kind.lineTag + ") VALUES (" + values + ", " + std::to_string(line) + ", '" +
                   d.tag + std::to_string(d.number) + "/" + std::to_string(line) + "');\n";
    }
    return sql;
}

}  // namespace

DocumentReadFixture::DocumentReadFixture() {
    std::string sql = "BEGIN;\n";
    for (const DocumentKind& kind : kKinds)
        sql += insertDocuments(kind);
    db.exec(sql + "COMMIT;\n");
}

std::vector<std::string> DocumentReadFixture::documents(const ReadResult& r,
                                                        std::string_view columns,
                                                        std::string_view lineColumns) {
    const packet::DataPacket& p = r.packet();
    auto nested = std::find_if(p.fields.begin(), p.fields.end(), [](const packet::PacketField& f) {
        return f.def.type == db::FieldType::DataSet;
    });
    if (nested == p.fields.end()) throw std::runtime_error("no nested line table");
    const std::size_t linesAt = static_cast<std::size_t>(nested - p.fields.begin());
    const std::vector<std::size_t> header = columnIndexes(p.fields, columns);
    const std::vector<std::size_t> line = columnIndexes(nested->children, lineColumns);
    std::vector<std::string> out;
    for (const auto& row : p.rows) {
        std::string text = joinedValues(row, header) + " [";
        const packet::PacketPtr& lines = row.values.at(linesAt).asPacket();
        for (std::size_t i = 0; lines && i < lines->rows.size(); ++i)
            text += (i ? ";" : "") + joinedValues(lines->rows[i], line);
        out.push_back(text + "]");
    }
    return out;
}

bool DocumentReadFixture::closed(std::string_view provider) {
    db::SQLDataSet& header = *module().FindProvider(provider).dataSet();
    for (db::SQLDataSet* lines : header.details())
        if (lines->active()) return false;
    return !header.active();
}

void PrintTo(const DocumentCase& c, std::ostream* os) {
    *os << c.provider << ' ' << c.options.shown;
}

}  // namespace zorvanil::test
