#include "support/packet_columns.hpp"

#include <algorithm>
#include <stdexcept>

namespace zorvanil::test {

std::vector<std::size_t> columnIndexes(const std::vector<packet::PacketField>& fields,
                                       std::string_view columns) {
    std::vector<std::size_t> index;
    std::string_view rest = columns;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        const std::string_view name = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        auto it = std::find_if(fields.begin(), fields.end(),
                               [&](const packet::PacketField& f) { return f.name() == name; });
        if (it == fields.end()) throw std::runtime_error("no column " + std::string(name));
        index.push_back(static_cast<std::size_t>(it - fields.begin()));
    }
    return index;
}

std::string joinedValues(const packet::PacketRow& row, const std::vector<std::size_t>& index) {
    std::string out;
    for (std::size_t i : index) {
        if (!out.empty()) out += ',';
        out += row.values.at(i).toString();
    }
    return out;
}

}  // namespace zorvanil::test
