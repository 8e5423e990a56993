#pragma once

#include <filesystem>

namespace zorvanil::test {

// Where the build put the executables, and where the sources are, for the tests that run the
// programs as their users do or read the documented samples.
std::filesystem::path serverExecutable();
std::filesystem::path cliExecutable();
std::filesystem::path sourceDir();
// The build tree's folder of the tests, where a test may leave what it makes.
std::filesystem::path testBuildDir();

}  // namespace zorvanil::test
