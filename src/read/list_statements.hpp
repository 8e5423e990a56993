#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "read/statement.hpp"

namespace zorvanil::read {

// Where a provider reads its request values from.
enum class OptionsLayout : std::uint8_t {
    Record,  // the options string parsed into a TMIRECORD
    Short,   // a short token list of the provider's own (see shortLayouts)
};

// When a request composes nothing and opens nothing, leaving the provider to read with the
// statement its dataset already holds.
enum class Stop : std::uint8_t {
    OnEmptySearch,           // the trimmed search value is empty
    OnEmptySearchUnlessAll,  // the same, except when the trimmed SearchMode is "4" (list all)
    Never,
};

enum class Paging : std::uint8_t {
    Pages,     // skips page number x page size rows after opening
    FirstRow,  // always answers from the first row
};

// A list or lookup provider: where its values come from, when it stops, which value selects its
// tail, whether it pages, and its base statement (stored by the dataset without leading blanks).
struct ListProvider {
    std::string_view name;
    OptionsLayout layout;
    RequestValue search;  // the value that must not be blank
    Stop stop;
    RequestValue mode;  // the value the tails' When is tested against
    Paging paging;
    std::string_view base;
};

// What a tail is appended to.
enum class Follows : std::uint8_t {
    Base,      // the provider's base statement
    Nothing,   // nothing: the tail is the whole statement
    HeldText,  // the statement the dataset holds from an earlier request, which then runs again
};

// One tail of a provider's statement: the first tail of the provider, in table order, whose When
// matches the mode value is appended to what it follows; when none matches the base statement
// runs alone.
struct ListStatement {
    std::string_view provider;
    When when;
    Pieces tail;
    Follows follows = Follows::Base;
};

// The short options layout of a provider: how many tokens it reads, whether tokens 1 and 2 are
// the page number and page size (converted as integers), and each token's value when the options
// string is empty. With a non-empty string every token is taken from it, a missing one as empty.
struct ShortLayout {
    std::string_view provider;
    bool pageTokens;
    std::size_t count;
    std::array<std::string_view, kMaxShortTokens> defaults;
};

// A provider whose handlers are those of another provider of its family: the two compose the
// same statement, each on its own provider's dataset.
struct SharedRead {
    std::string_view provider;
    std::string_view readsAs;
};

// One family of reads composed from tables: its providers, their tails and short layouts, and the
// providers that share another's handlers.
struct ReadTables {
    std::span<const ListProvider> providers;
    std::span<const ListStatement> statements;
    std::span<const ShortLayout> layouts;
    std::span<const SharedRead> shared;
};

std::span<const ListProvider> listProviders();
std::span<const ListStatement> listStatements();
std::span<const ShortLayout> shortLayouts();
// The list and lookup providers' tables together.
ReadTables listTables();

}  // namespace zorvanil::read
