#include "read/options_record.hpp"

#include "read/option_tokens.hpp"

namespace zorvanil::read {

std::string ownerDataText(const Variant& ownerData) {
    return ownerData.toString();
}

void ParseOwnerData(const Variant& options, TMIRECORD& record) {
    const std::string text = options.toString();
    TMIRECORD parsed;
    parsed.DeletedFilter = "-1";
    parsed.Company = "1";
    parsed.Year = "1990";
    parsed.SearchText = "ASD";
    parsed.TypeFilter = "-1";
    if (text.empty()) {
        record = std::move(parsed);
        return;
    }
    OptionTokens tokens(text);
    // Each page token is converted as soon as it is cut: a bad first token stops the parse there.
    parsed.PageNumber = Variant(tokens.next()).toInt32();
    parsed.PageSize = Variant(tokens.next()).toInt32();
    std::string* const inTokenOrder[] = {
        &parsed.Company,       &parsed.Year,       &parsed.Year2,       &parsed.TypeFilter,
        &parsed.SearchText,    &parsed.SearchMode, &parsed.OrderClause, &parsed.DetailOrderClause,
        &parsed.DeletedFilter, &parsed.Value2,     &parsed.ExtraClause, &parsed.Series,
    };
    for (std::string* field : inTokenOrder)
        *field = tokens.next();
    record = std::move(parsed);
}

}  // namespace zorvanil::read
