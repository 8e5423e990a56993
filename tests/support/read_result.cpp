#include "support/read_result.hpp"

namespace zorvanil::test {

std::vector<std::string> ReadResult::column(std::size_t index) const {
    std::vector<std::string> out;
    for (auto& row : packet().rows)
        out.push_back(row.values.at(index).toString());
    return out;
}

ReadResult getRecords(server::TAZORVANIL& module, std::string_view provider, std::int32_t count,
                      std::int32_t options, Variant owner, std::string_view commandText,
                      Variant params) {
    ReadResult r;
    r.params = std::move(params);
    r.status = module.AS_GetRecords(provider, count, r.recsOut, options, commandText, r.params,
                                    owner, r.result);
    return r;
}

}  // namespace zorvanil::test
