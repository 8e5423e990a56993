#include "bench_requests.hpp"

#include <memory>

#include "packet/data_packet.hpp"
#include "read/option_tokens.hpp"

namespace zorvanil::bench {

namespace {

packet::PacketField field(const char* name, db::FieldType type, int size) {
    packet::PacketField f;
    f.def.name = name;
    f.def.type = type;
    f.def.size = size;
    return f;
}

}  // namespace

std::string customerSearchOptions(int page, int pageSize, const std::string& search) {
    const std::string tokens[] = {std::to_string(page - 1),
                                  std::to_string(pageSize),
                                  "1",
                                  "1990",
                                  "",
                                  "-1",
                                  search,
                                  "1",
                                  "",
                                  "",
                                  "0",
                                  "",
                                  "",
                                  ""};
    std::string out;
    for (const std::string& token : tokens)
        out += token + std::string(read::kTokenSeparator);
    return out;
}

Variant newCustomers(int firstId, std::size_t rows) {
    auto delta = std::make_shared<packet::DataPacket>();
    delta->hasMetadata = true;
    delta->fields = {field("ID_CLIENTE", db::FieldType::Integer, 0),
                     field("NIF", db::FieldType::String, 20),
                     field("NOMBRE", db::FieldType::String, 50),
                     field("NOMBRE_COMERCIAL", db::FieldType::String, 100),
                     field("BORRADO", db::FieldType::Smallint, 0)};
    delta->attributes.emplace_back("TABLE_NAME", Variant("CLIENTES"));
    delta->rows.reserve(rows);
    for (std::size_t i = 0; i < rows; ++i) {
        const int id = firstId + static_cast<int>(i);
        const std::string n = std::to_string(id);
        delta->rows.push_back(
            {packet::RowStatus::Inserted,
             {Variant(id), Variant("N" + n), Variant("CUSTOMER " + n + std::string(30, 'x')),
              Variant("TRADE NAME OF " + n + std::string(60, 'y')), Variant(0)},
             {}});
    }
    return Variant(packet::PacketPtr(std::move(delta)));
}

}  // namespace zorvanil::bench
