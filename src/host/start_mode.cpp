#include "host/start_mode.hpp"

#include <algorithm>
#include <array>

#include "common/text.hpp"

namespace zorvanil::host {

namespace {

struct SwitchTest {
    std::string_view name;
    StartMode mode;
};

// In the order in which they are tried.
constexpr std::array<SwitchTest, 4> kSwitches = {{
    {"AUTOMATION", StartMode::Automation},
    {"EMBEDDING", StartMode::Automation},
    {"REGSERVER", StartMode::Register},
    {"UNREGSERVER", StartMode::Unregister},
}};

bool isSwitch(std::string_view arg, std::string_view name) {
    return arg.size() == name.size() + 1 && (arg[0] == '-' || arg[0] == '/') &&
           sameText(arg.substr(1), name);
}

}  // namespace

StartMode findStartMode(const std::vector<std::string>& args) {
    for (const SwitchTest& test : kSwitches)
        if (std::any_of(args.begin(), args.end(),
                        [&](const std::string& arg) { return isSwitch(arg, test.name); }))
            return test.mode;
    return StartMode::Normal;
}

bool isStartModeSwitch(std::string_view arg) {
    return std::any_of(kSwitches.begin(), kSwitches.end(),
                       [&](const SwitchTest& test) { return isSwitch(arg, test.name); });
}

std::string_view startModeName(StartMode mode) {
    switch (mode) {
        case StartMode::Normal:
            return "normal";
        case StartMode::Automation:
            return "automation";
        case StartMode::Register:
            return "register";
        case StartMode::Unregister:
            return "unregister";
    }
    return "normal";
}

}  // namespace zorvanil::host
