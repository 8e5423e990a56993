// The options string of a read request, parsed as the read handlers parse it: a record written
// out again token by token reads as the same record, unless one of its tokens holds the separator.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/error.hpp"
#include "read/option_tokens.hpp"
#include "read/options_record.hpp"
#include "round_trip.hpp"

using namespace zorvanil;
using read::TMIRECORD;

namespace {

// The record's values in token order, each closed by the separator; empty when a value holds the
// separator, which no options string can carry.
std::string written(const TMIRECORD& r) {
    const std::string inTokenOrder[] = {
        std::to_string(r.PageNumber),
        std::to_string(r.PageSize),
        r.Company,
        r.Year,
        r.Year2,
        r.TypeFilter,
        r.SearchText,
        r.SearchMode,
        r.OrderClause,
        r.DetailOrderClause,
        r.DeletedFilter,
        r.Value2,
        r.ExtraClause,
        r.Series,
    };
    std::string out;
    for (const std::string& token : inTokenOrder) {
        if (token.find(read::kTokenSeparator) != std::string::npos) return {};
        out += token;
        out += read::kTokenSeparator;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMIRECORD record;
    try {
        read::ParseOwnerData(Variant(std::string(reinterpret_cast<const char*>(data), size)),
                             record);
    } catch (const Error&) {
        return 0;
    }
    const std::string first = written(record);
    if (first.empty()) return 0;
    TMIRECORD again;
    read::ParseOwnerData(Variant(first), again);
    fuzz::expectSame("an options string", first, written(again));
    return 0;
}
