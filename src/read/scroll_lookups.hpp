#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "read/statement.hpp"

namespace zorvanil::read {

// How a looked-up text is stored in its field (cut to the field's size in either case).
enum class Stored : std::uint8_t {
    AsRead,
    Trimmed,  // without the characters of code 32 or lower at its ends
};

// Which datasets a handler fills.
enum class Serves : std::uint8_t {
    AnyDataSet,      // whichever dataset raised the event
    OwnDataSetOnly,  // only the dataset whose name the handler bears
};

// One name lookup of an after-scroll handler: the key column of the current row, read as text,
// completes a one-row statement on Q_AUX whose first column fills the calculated field. An empty
// key (a null reads as empty) empties the field without a lookup; a key that names no record
// gives an empty name. The handler of a dataset is named dataset + "AfterScroll" and runs its
// lookups in table order; an entry without a field stands for a handler that does nothing.
struct ScrollLookup {
    std::string_view dataSet;
    std::string_view field;
    std::string_view key;  // matched without regard to case
    std::string_view before;
    Pasting pasting;  // the key as a bare number, or between apostrophes (doubled)
    std::string_view after;
    Stored stored;
    Serves serves;
};

std::span<const ScrollLookup> scrollLookups();

}  // namespace zorvanil::read
