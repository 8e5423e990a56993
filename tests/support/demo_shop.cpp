#include "support/demo_shop.hpp"

#include "schema/demo_database.hpp"

namespace zorvanil::test {

std::filesystem::path createDemoShop(const std::filesystem::path& file) {
    schema::DemoOptions options;
    options.path = file.string();
    schema::createDemoDatabase(options);
    return file;
}

}  // namespace zorvanil::test
