#include "server/server_environment.hpp"

#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

#include "catalogue/connection_defaults.hpp"

namespace zorvanil::server {

std::shared_ptr<ServerEnvironment> ServerEnvironment::makeDefault() {
    auto env = std::make_shared<ServerEnvironment>();
    env->logger = std::make_shared<spdlog::logger>(
        "zorvanil", std::make_shared<spdlog::sinks::stderr_color_sink_mt>());
    std::weak_ptr<spdlog::logger> log = env->logger;
    env->configFiles = std::make_shared<db::ConfigFileProcedure>(
        db::ConfigValues{std::string(catalogue::kDefaultUserName),
                         std::string(catalogue::kDefaultPassword),
                         std::string(catalogue::kDefaultDatabase)},
        [log](std::string_view message, std::string_view detail) {
            // A headless server has no desktop to show the message on: it goes to the log.
            if (auto l = log.lock()) l->error("{} ({})", message, detail);
        });
    return env;
}

}  // namespace zorvanil::server
