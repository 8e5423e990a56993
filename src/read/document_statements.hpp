#pragma once

#include <array>
#include <span>
#include <string_view>

#include "read/list_statements.hpp"
#include "read/statement.hpp"

namespace zorvanil::read {

// A master/detail document provider: where its values come from, the value that must not be
// blank, the value its header tails are tested against, and its header base statement (stored by
// the dataset without leading blanks). Headers are paged; a document's lines travel whole inside
// its header row.
struct DocumentProvider {
    std::string_view name;
    OptionsLayout layout;
    RequestValue search;
    RequestValue mode;
    std::string_view base;
    // The trimmed SearchMode with which a blank search still composes its statement; empty when
    // a blank search always stops.
    std::string_view blankSearchMode = {};
};

// One tail of a header statement: the first tail of the provider, in table order, whose When
// matches the mode value is appended; when none matches the base statement runs alone. A tail
// may start from the base statement of another provider instead of its own.
struct HeaderStatement {
    std::string_view provider;
    When when;
    Pieces tail;
    std::string_view startsFrom = {};
};

// The statement of a document's lines: base, then the condition on the header row's columns
// (named parameters that take the values of the header's current row), then the tail. One entry
// serves every provider that reads its lines with the same statement.
struct LineStatement {
    std::array<std::string_view, 2> providers;
    std::string_view base;
    std::string_view link;
    Pieces tail;
};

std::span<const DocumentProvider> documentProviders();
std::span<const HeaderStatement> headerStatements();
std::span<const LineStatement> lineStatements();
std::span<const ShortLayout> documentShortLayouts();

}  // namespace zorvanil::read
