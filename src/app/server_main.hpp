#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zorvanil::app {

// Creates the demo database at the path with the given scale; fails with an exception.
using DemoDatabaseCreator = std::function<void(const std::filesystem::path& file, int scale)>;

// The process from its command line (program name first) to its exit code: start mode, registry
// update, options, then serving the shop's catalogue and handlers until closed. Register and
// unregister mode end after the registry with 0, or 1 when it could not be written. `createDemo`
// serves --init-demo; without it the option fails.
int runServer(const std::vector<std::string>& args, const DemoDatabaseCreator& createDemo = {});

}  // namespace zorvanil::app
