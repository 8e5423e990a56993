#pragma once

#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>

namespace zorvanil::test {

// The fourteen tokens of an options string, in token order, with the values an empty string
// stands for.
struct ListOptions {
    std::string pageNumber = "0";
    std::string pageSize = "0";
    std::string company = "1";
    std::string year = "1990";
    std::string year2 = "";
    std::string typeFilter = "-1";
    std::string searchText = "ASD";
    std::string searchMode = "";
    std::string orderClause = "";
    std::string detailOrderClause = "";
    std::string deletedFilter = "-1";
    std::string value2 = "";
    std::string extraClause = "";
    std::string series = "";

    // Every token closed by the separator.
    std::string text() const;
    // The tokens that differ from their defaults, as name="value", e.g.
    // searchText="AL" searchMode="1".
    std::string shown() const;

    bool operator==(const ListOptions&) const = default;
};
// Prints shown(), so that a failed comparison names the tokens.
void PrintTo(const ListOptions& options, std::ostream* os);

// A short options string: each token closed by the separator.
std::string tokens(std::initializer_list<std::string_view> values);

// An options string as a case gives it: the text sent, and how a reader sees it (the changed
// tokens of a ListOptions, or each token of a short options string).
struct CaseOptions {
    CaseOptions(const ListOptions& options);
    // A short options string, as tokens() writes it, or the empty string.
    CaseOptions(std::string text);
    CaseOptions(const char* text) : CaseOptions(std::string(text)) {}

    std::string text;
    std::string shown;
};

}  // namespace zorvanil::test
