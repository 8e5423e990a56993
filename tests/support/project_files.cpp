#include "support/project_files.hpp"

namespace zorvanil::test {

// The build defines the four paths for this file alone.
std::filesystem::path serverExecutable() {
    return ZORVANIL_SERVER_EXECUTABLE;
}

std::filesystem::path cliExecutable() {
    return ZORVANIL_CLI_EXECUTABLE;
}

std::filesystem::path sourceDir() {
    return ZORVANIL_SOURCE_DIR;
}

std::filesystem::path testBuildDir() {
    return ZORVANIL_TEST_BUILD_DIR;
}

}  // namespace zorvanil::test
