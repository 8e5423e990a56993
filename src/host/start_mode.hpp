#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorvanil::host {

// How the process was started, fixed once from its command line.
enum class StartMode {
    Normal,      // by hand: serves until it is told to close
    Automation,  // on a client's behalf: ends when its last object is released
    Register,    // writes its registry entries and exits
    Unregister,  // removes its registry entries and exits
};

// The start mode named by the arguments (without the program name). A switch begins with "-" or
// "/" and is matched without regard to letter case; the first test that matches wins, in this
// order: AUTOMATION or EMBEDDING, REGSERVER, UNREGSERVER.
StartMode findStartMode(const std::vector<std::string>& args);

// Whether the argument is one of the start-mode switches, in either form.
bool isStartModeSwitch(std::string_view arg);

std::string_view startModeName(StartMode mode);

}  // namespace zorvanil::host
