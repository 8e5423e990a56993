#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace zorvanil::fuzz {

// Stops the run when what was decoded, encoded and decoded again is not what it was: libFuzzer
// keeps the input that did it, as it keeps one that crashed.
inline void expectSame(std::string_view what, std::string_view first, std::string_view second) {
    if (first == second) return;
    std::fprintf(stderr, "%.*s differs after a round trip:\n  first:  %.*s\n  second: %.*s\n",
                 int(what.size()), what.data(), int(first.size()), first.data(), int(second.size()),
                 second.data());
    std::abort();
}

}  // namespace zorvanil::fuzz
