#pragma once

#include <iosfwd>
#include <string_view>

namespace zorvanil::host {

// The question asked before the server is closed by hand while objects are alive.
inline constexpr std::string_view kCloseQuestionCaption = "COM Server Warning";
inline constexpr std::string_view kCloseQuestion =
    "There are still active COM objects in this application.  One or more clients may have "
    "references to these objects, so manually closing "
    "this application may cause those client application(s) to fail.\n\n"
    "Are you sure you want to close this application?";

// Shows the caption and the question on `out` and reads one answer line from `in`. Only a yes
// ("y" or "yes", any letter case) closes; anything else, an empty line (the default, No) and the
// end of input included, keeps the server running.
bool askCloseQuestion(std::istream& in, std::ostream& out);

}  // namespace zorvanil::host
