#pragma once

#include <filesystem>

namespace zorvanil::test {

// A new demo database of the generator's default seed at scale 1 (about 1,000 articles with
// their stock, bar codes and documents), as the file `file`; returns the file.
std::filesystem::path createDemoShop(const std::filesystem::path& file);

}  // namespace zorvanil::test
