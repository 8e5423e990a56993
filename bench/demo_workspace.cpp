#include "demo_workspace.hpp"

#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <system_error>

#include "catalogue/connection_defaults.hpp"
#include "db/config_file.hpp"
#include "db/sqlite_driver.hpp"
#include "schema/demo_database.hpp"

namespace zorvanil::bench {

DemoWorkspace::DemoWorkspace(const std::string& name, int scale) {
    // As the server sets SQLite up at its start; the workspace is made before anything here opens
    // a database.
    db::configureSqliteLibrary();
    dir_ = std::filesystem::temp_directory_path() /
           ("zorvanil-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    const char* kept = std::getenv("ZORVANIL_BENCH_DB");
    database_ =
        kept ? std::filesystem::path(kept) : dir_ / ("demo" + std::to_string(scale) + ".db");
    if (!std::filesystem::exists(database_)) {
        schema::DemoOptions demo;
        demo.path = database_.string();
        demo.scale = scale;
        schema::createDemoDatabase(demo);
    }
    env_ = server::ServerEnvironment::makeDefault();
    env_->connectionFile = dir_ / "connection.txt";
    env_->creationFile = dir_ / "creation.txt";
    env_->configFiles = std::make_shared<db::ConfigFileProcedure>(
        db::ConfigValues{std::string(catalogue::kDefaultUserName),
                         std::string(catalogue::kDefaultPassword), database_.string()},
        [](std::string_view, std::string_view) {});
    env_->logger->set_level(spdlog::level::off);
}

DemoWorkspace::~DemoWorkspace() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

}  // namespace zorvanil::bench
