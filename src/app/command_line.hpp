#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/registration.hpp"
#include "host/start_mode.hpp"
#include "server/server_environment.hpp"

namespace zorvanil::app {

inline constexpr const char* kProgram = "zorvanil-server";

// The options of zorvanil-server, with their defaults.
struct ServerOptions {
    std::string listen = "127.0.0.1:8211";
    std::string connectionFile = server::ServerEnvironment().connectionFile.string();
    std::string registry = host::kDefaultRegistryFile;
    std::string sqlTrace;
    std::string accessKeyFile;
    std::string tlsCert;
    std::string tlsKey;
    std::string driver = "sqlite";
    std::string initDemo;
    int scale = 1;
    std::size_t maxMessageBytes = 16 * 1024 * 1024;
    std::size_t maxConnections = 1024;
    std::size_t maxBytesInFlight = 256 * 1024 * 1024;
    unsigned maxRate = 2000;
    double createTimeout = 30;
    int statementTimeout = 300;
    int shutdownGrace = 30;
    std::int64_t requestIdMaxAge = 7 * 24 * 3600;
    int ioThreads = 2;
    int maxTransactionIdle = 0;
    std::string logLevel = "info";

    bool operator==(const ServerOptions&) const = default;
};

// The command line read: the start mode (its switch may stand anywhere), the program as named
// and the options. `exitCode` is set when the process ends here: --help, --version,
// --print-config or an option that does not parse, after the text that says so has been printed.
// `error` is set when the configuration file of --config cannot be used: it names the file and
// the reason, and the process does not start.
struct ServerCommand {
    host::StartMode mode = host::StartMode::Normal;
    std::string program;
    ServerOptions options;
    std::optional<int> exitCode;
    std::optional<std::string> error;
};

// Reads the command line, program name first, and the configuration file it names with
// --config; an option on the command line wins over the same option in the file.
ServerCommand readCommandLine(const std::vector<std::string>& args);

// Splits "HOST:PORT", "[V6]:PORT", "HOST" or ":PORT", with 127.0.0.1 and 8211 for what is left
// out and "localhost" read as 127.0.0.1; false when the port is no number.
bool splitListen(std::string_view text, std::string& host, std::uint16_t& port);

}  // namespace zorvanil::app
