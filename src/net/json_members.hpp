#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zorvanil::net {

// What a JSON text says that its parsed value no longer tells: the members of its top-level
// object as they are written, and whether any object in it names a member twice (a parsed object
// keeps only the last of them).
struct JsonMembers {
    // Name and value text (without the blanks around it) of each member of the top-level object,
    // in the order written; empty when the text is no object.
    std::vector<std::pair<std::string, std::string_view>> top;
    // The same for the members of the top-level member `params`, when that is an object.
    std::vector<std::pair<std::string, std::string_view>> params;
    // The first member that an object of the text repeats; empty when none does.
    std::string repeated;

    // The text of the top-level member `name`; empty when there is none.
    std::string_view valueText(std::string_view name) const;
};

// Reads a text that has parsed as JSON (and is thus well formed and no deeper than the parser
// allows).
JsonMembers scanJsonMembers(std::string_view text);

}  // namespace zorvanil::net
