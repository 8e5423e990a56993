#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zorvanil::host {

// Creates the demo database at the path with the given scale; fails with an exception.
using DemoDatabaseCreator = std::function<void(const std::filesystem::path& file, int scale)>;

// Where the registry file is unless --registry names another.
inline constexpr const char* kDefaultRegistryFile = "/var/lib/zorvanil/registry.txt";

// The process from its command line (program name first) to its exit code: start mode, registry
// update, options, then serving until closed. Register and unregister mode end after the registry
// with 0, or 1 when it could not be written. `createDemo` serves --init-demo; without it the
// option fails.
int runServer(const std::vector<std::string>& args, const DemoDatabaseCreator& createDemo = {});

// Applies the registry step of start-up to the file: unregister in unregister mode, register in
// every other. Returns the error message, empty on success.
std::string updateRegistration(const std::filesystem::path& registryFile, bool unregister,
                               const std::filesystem::path& executable);

}  // namespace zorvanil::host
