// zorvanil-server: the application server process.

#include <string>
#include <vector>

#include "app/server_main.hpp"

#ifdef ZORVANIL_HAVE_DEMO_DATABASE
#include "schema/demo_database.hpp"
#endif

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    zorvanil::app::DemoDatabaseCreator createDemo;
#ifdef ZORVANIL_HAVE_DEMO_DATABASE
    createDemo = [](const std::filesystem::path& file, int scale) {
        zorvanil::schema::DemoOptions options;
        options.path = file.string();
        options.scale = scale;
        zorvanil::schema::createDemoDatabase(options);
    };
#endif
    return zorvanil::app::runServer(args, createDemo);
}
