#pragma once

#include <filesystem>
#include <memory>

#include <spdlog/logger.h>

#include "db/config_file.hpp"
#include "db/sql_connection.hpp"
#include "server/request_records.hpp"

namespace zorvanil::server {

// What every server object of a process shares: where the configuration files are, the lock
// around them, how connections are made, the statement trace, the log and the keeping of request
// records.
struct ServerEnvironment {
    // The connection file: one fixed path for the whole process.
    std::filesystem::path connectionFile = "/etc/zorvanil/Zconfiguracion.txt";
    // The creation file, relative to the process's current directory.
    std::filesystem::path creationFile = "Zconfiguracion.txt";
    db::ConnectionServices connection;
    std::shared_ptr<db::ConfigFileProcedure> configFiles;
    std::shared_ptr<spdlog::logger> logger;
    // How long the answers of applies under a request id are kept; shared by the copies that
    // each object gets, so that the process purges once a minute whichever object does it.
    std::shared_ptr<RequestRecordAge> requestRecordAge = std::make_shared<RequestRecordAge>();

    // An environment with the catalogue's defaults and a logger that writes to standard error.
    static std::shared_ptr<ServerEnvironment> makeDefault();
};

}  // namespace zorvanil::server
