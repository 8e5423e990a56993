#include "support/list_options.hpp"

#include "read/option_tokens.hpp"

namespace zorvanil::test {

std::string ListOptions::text() const {
    std::string out;
    for (const std::string* t :
         {&pageNumber, &pageSize, &company, &year, &year2, &typeFilter, &searchText, &searchMode,
          &orderClause, &detailOrderClause, &deletedFilter, &value2, &extraClause, &series}) {
        out += *t;
        out += read::kTokenSeparator;
    }
    return out;
}

std::string tokens(std::initializer_list<std::string_view> values) {
    std::string out;
    for (std::string_view v : values) {
        out += v;
        out += read::kTokenSeparator;
    }
    return out;
}

}  // namespace zorvanil::test
