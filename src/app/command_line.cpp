#include "app/command_line.hpp"

#include <charconv>

#include <CLI/CLI.hpp>

#include "common/text.hpp"
#include "server/server_environment.hpp"

#ifndef ZORVANIL_VERSION
#define ZORVANIL_VERSION "0"
#endif

namespace zorvanil::app {

namespace {

constexpr const char* kFooter =
    "Start modes (\"-\" or \"/\", any letter case):\n"
    "  -REGSERVER     write the registry entries and exit\n"
    "  -UNREGSERVER   remove the registry entries and exit\n"
    "  -AUTOMATION, -EMBEDDING\n"
    "                 serve, and exit when the last object is released\n"
    "Without a start mode the server registers itself and serves until it is closed (SIGINT or "
    "SIGTERM).\n"
    "See docs/running.md.";

void addConnectionOptions(CLI::App& app, ServerOptions& o) {
    app.add_option("--listen", o.listen,
                   "Address and port to listen on, HOST:PORT; any address other than a loopback "
                   "one needs --access-key-file")
        ->capture_default_str();
    app.add_option("--connection-file", o.connectionFile,
                   "The connection file (user, password, database alias on three lines) of every "
                   "object; default " +
                       server::ServerEnvironment().connectionFile.string());
    app.add_option("--registry", o.registry, "The registry file")->capture_default_str();
    app.add_option("--sql-trace", o.sqlTrace,
                   "Write every statement sent to the database, one JSON object per line, to "
                   "this file (- for standard error)");
    app.add_option("--access-key-file", o.accessKeyFile,
                   "File holding the key that clients must present in CreateObject");
    app.add_option("--driver", o.driver, "Database driver")
        ->check(CLI::IsMember({"sqlite", "odbc"}))
        ->capture_default_str();
    app.add_option("--init-demo", o.initDemo,
                   "Create the demo database in this new SQLite file, then exit");
    app.add_option("--scale", o.scale, "Size of the demo database (1: about 1,000 customers)")
        ->check(CLI::Range(1, 1000))
        ->capture_default_str();
}

void addLimitOptions(CLI::App& app, ServerOptions& o) {
    app.add_option("--max-message-bytes", o.maxMessageBytes,
                   "Largest message a client may send; a larger one closes its connection")
        ->capture_default_str();
    app.add_option("--max-connections", o.maxConnections, "Most connections served at once")
        ->capture_default_str();
    app.add_option("--max-bytes-in-flight", o.maxBytesInFlight,
                   "Most bytes of requests held at once by all connections, read and not yet "
                   "answered; a message beyond it closes its connection (0: no limit)")
        ->capture_default_str();
    app.add_option("--max-rate", o.maxRate, "Messages per second per connection (0: no limit)")
        ->capture_default_str();
    app.add_option("--create-timeout", o.createTimeout,
                   "Seconds a connection may stay without an object before it is closed")
        ->capture_default_str();
    app.add_option("--statement-timeout", o.statementTimeout,
                   "Seconds a statement may run before it is interrupted (0: no limit)")
        ->capture_default_str();
    app.add_option("--shutdown-grace", o.shutdownGrace,
                   "Seconds to wait for clients to release when closed without a terminal")
        ->capture_default_str();
    app.add_option("--io-threads", o.ioThreads,
                   "Threads that accept connections and serve the pages (each WebSocket "
                   "connection has a thread of its own)")
        ->check(CLI::Range(1, 64))
        ->capture_default_str();
    app.add_option("--max-transaction-idle", o.maxTransactionIdle,
                   "Seconds an object may hold a transaction open without making a call before "
                   "the transaction is rolled back (0: never)")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str();
    app.add_option("--log-level", o.logLevel, "Log level")
        ->check(CLI::IsMember({"trace", "debug", "info", "warn", "error", "off"}))
        ->capture_default_str();
}

}  // namespace

ServerCommand readCommandLine(const std::vector<std::string>& args) {
    ServerCommand command;
    std::vector<std::string> all(args.begin() + (args.empty() ? 0 : 1), args.end());
    command.mode = host::findStartMode(all);
    command.program = args.empty() ? kProgram : args[0];
    // CLI11 reads the options; the start-mode switches are not among them.
    std::vector<std::string> rest{command.program};
    for (const std::string& arg : all)
        if (!host::isStartModeSwitch(arg)) rest.push_back(arg);

    CLI::App app(
        "Zorvanil application server: serves server objects to clients over WebSocket "
        "JSON-RPC, each with its own database connection and thread.",
        kProgram);
    app.set_version_flag("--version", std::string(kProgram) + " " + ZORVANIL_VERSION);
    app.footer(kFooter);
    addConnectionOptions(app, command.options);
    addLimitOptions(app, command.options);
    try {
        std::vector<char*> argv;
        for (std::string& arg : rest)
            argv.push_back(arg.data());
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& e) {
        command.exitCode = app.exit(e);
    }
    return command;
}

bool splitListen(std::string_view text, std::string& host, std::uint16_t& port) {
    host = "127.0.0.1";
    port = 8211;
    std::string_view rest = text;
    std::string_view hostPart = rest;
    std::string_view portPart;
    if (rest.starts_with('[')) {
        auto close = rest.find(']');
        if (close == std::string_view::npos) return false;
        hostPart = rest.substr(1, close - 1);
        rest.remove_prefix(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':') return false;
            portPart = rest.substr(1);
        }
    } else if (auto colon = rest.rfind(':'); colon != std::string_view::npos) {
        hostPart = rest.substr(0, colon);
        portPart = rest.substr(colon + 1);
    }
    if (!hostPart.empty()) host = std::string(hostPart);
    if (sameText(host, "localhost")) host = "127.0.0.1";
    if (!portPart.empty()) {
        unsigned value = 0;
        auto [end, ec] = std::from_chars(portPart.data(), portPart.data() + portPart.size(), value);
        if (ec != std::errc() || end != portPart.data() + portPart.size() || value > 65535)
            return false;
        port = static_cast<std::uint16_t>(value);
    }
    return true;
}

}  // namespace zorvanil::app
