#pragma once

#include <cstdint>
#include <string>

#include "common/variant.hpp"

namespace zorvanil::read {

// The fourteen values of a read request's options string, in declaration order.
struct TMIRECORD {
    std::int32_t PageSize = 0;
    std::int32_t PageNumber = 0;
    std::string SearchMode;
    std::string OrderClause;
    std::string DetailOrderClause;
    std::string DeletedFilter;
    std::string Company;
    std::string Year;
    std::string Year2;
    std::string SearchText;
    std::string Value2;
    std::string TypeFilter;
    std::string ExtraClause;
    std::string Series;
};

// Parses an options string held in a variant into the record. An empty string gives the
// defaults (DeletedFilter "-1", Company "1", Year "1990", SearchText "ASD", TypeFilter "-1");
// otherwise every field takes its token, an empty one included. Tokens 1 and 2 (page number and
// page size) must be integers: "'%s' is not a valid integer value".
void ParseOwnerData(const Variant& options, TMIRECORD& record);

// The owner data of a read request as text: null and unassigned give the empty text.
std::string ownerDataText(const Variant& ownerData);

}  // namespace zorvanil::read
