#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/registration.hpp"
#include "host/start_mode.hpp"

namespace zorvanil::app {

inline constexpr const char* kProgram = "zorvanil-server";

// The options of zorvanil-server, with their defaults.
struct ServerOptions {
    std::string listen = "127.0.0.1:8211";
    std::string connectionFile;
    std::string registry = host::kDefaultRegistryFile;
    std::string sqlTrace;
    std::string accessKeyFile;
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
    int ioThreads = 2;
    int maxTransactionIdle = 0;
    std::string logLevel = "info";
};

// The command line read: the start mode (its switch may stand anywhere), the program as named
// and the options. `exitCode` is set when the process ends here: --help, --version or an option
// that does not parse, after the text that says so has been printed.
struct ServerCommand {
    host::StartMode mode = host::StartMode::Normal;
    std::string program;
    ServerOptions options;
    std::optional<int> exitCode;
};

// Reads the command line, program name first.
ServerCommand readCommandLine(const std::vector<std::string>& args);

// Splits "HOST:PORT", "[V6]:PORT", "HOST" or ":PORT", with 127.0.0.1 and 8211 for what is left
// out and "localhost" read as 127.0.0.1; false when the port is no number.
bool splitListen(std::string_view text, std::string& host, std::uint16_t& port);

}  // namespace zorvanil::app
