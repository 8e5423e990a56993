#include "app/command_line.hpp"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

#include <CLI/CLI.hpp>

#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"

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

constexpr const char* kConfigOption = "--config";

// Written above the options by --print-config.
constexpr const char* kConfigHeader =
    "# The configuration of zorvanil-server, read with --config FILE: every option of its\n"
    "# command line, each with its help and its value (the default where none was given). An\n"
    "# option given on the command line wins over its line here. The start modes (-REGSERVER,\n"
    "# ...) are no options: give them on the command line.\n"
    "#\n";

// An option without a default is written to the configuration as "" (which reads back as
// empty, its default), so that every option appears there.
CLI::Option* writtenWhenEmpty(CLI::Option* option) {
    return option->run_callback_for_default();
}

void addConnectionOptions(CLI::App& app, ServerOptions& o) {
    app.add_option("--listen", o.listen,
                   "Address and port to listen on, HOST:PORT; any address other than a loopback "
                   "one needs --access-key-file")
        ->capture_default_str();
    app.add_option("--connection-file", o.connectionFile,
                   "The connection file (user, password, database alias on three lines) of every "
                   "object")
        ->capture_default_str();
    app.add_option("--registry", o.registry, "The registry file")->capture_default_str();
    writtenWhenEmpty(app.add_option("--sql-trace", o.sqlTrace,
                                    "Write every statement sent to the database, one JSON object "
                                    "per line, to this file (- for standard error)"));
    writtenWhenEmpty(app.add_option("--access-key-file", o.accessKeyFile,
                                    "File holding the key that clients must present in "
                                    "CreateObject"));
    app.add_option("--driver", o.driver, "Database driver")
        ->check(CLI::IsMember({"sqlite", "odbc"}))
        ->capture_default_str();
    writtenWhenEmpty(app.add_option("--init-demo", o.initDemo,
                                    "Create the demo database in this new SQLite file, then exit"));
    app.add_option("--scale", o.scale, "Size of the demo database (1: about 1,000 customers)")
        ->check(CLI::Range(1, 1000))
        ->capture_default_str();
}

// Both or neither: the port then speaks TLS only.
void addTlsOptions(CLI::App& app, ServerOptions& o) {
    CLI::Option* cert = app.add_option("--tls-cert", o.tlsCert,
                                       "Certificate (PEM, with its chain) of the port, which then "
                                       "serves wss:// and https:// only");
    CLI::Option* key = app.add_option("--tls-key", o.tlsKey,
                                      "Private key (PEM, without pass phrase) of the certificate");
    cert->needs(key);
    key->needs(cert);
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
    app.add_option("--request-id-max-age", o.requestIdMaxAge,
                   "Seconds the answer of an apply made under a request id is kept for a retry")
        ->check(CLI::PositiveNumber)
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

// Every option of the server, read into `o`, with --config and --print-config.
void describeOptions(CLI::App& app, ServerOptions& o) {
    app.set_version_flag("--version", std::string(kProgram) + " " + ZORVANIL_VERSION);
    app.footer(kFooter);
    app.set_config(kConfigOption, "",
                   "Read the options from this file (as --print-config writes them); an option "
                   "given on the command line wins over the file");
    // A name in the file that no option has is a mistake, not something to pass over.
    app.allow_config_extras(CLI::config_extras_mode::error);
    const std::string printConfigHelp =
        "Print the options as a configuration file for --config (the values this command line "
        "and its --config give, else the defaults), then exit";
    app.add_flag("--print-config", printConfigHelp)->configurable(false);
    addConnectionOptions(app, o);
    addTlsOptions(app, o);
    addLimitOptions(app, o);
}

void parse(CLI::App& app, std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    app.parse(static_cast<int>(argv.size()), argv.data());
}

// The file named by the last --config FILE or --config=FILE of the arguments.
std::optional<std::string> configFileNamed(const std::vector<std::string>& args) {
    const std::string withValue = std::string(kConfigOption) + "=";
    std::optional<std::string> file;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == kConfigOption && i + 1 < args.size())
            file = args[++i];
        else if (args[i].starts_with(withValue))
            file = args[i].substr(withValue.size());
    }
    return file;
}

// An item's name as the file wrote it; "[NAME]" for the start or the end of a section.
std::string nameInConfig(const CLI::ConfigItem& item) {
    if (item.name != "++" && item.name != "--") return item.fullname();
    std::string section;
    for (const std::string& parent : item.parents)
        section += (section.empty() ? "" : ".") + parent;
    return "[" + section + "]";
}

// Why the configuration file cannot be used, or nothing. The file is read on its own, before the
// command line, so that what is wrong with it is told with its name.
std::optional<std::string> configFileProblem(const std::string& program, const std::string& file) {
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) return std::strerror(EISDIR);
    if (!std::ifstream(file)) return std::strerror(errno);
    CLI::App app;
    ServerOptions scratch;
    describeOptions(app, scratch);
    try {
        // A name that no option has (a section, a line without "=" included) is told as such.
        for (const CLI::ConfigItem& item : app.get_config_formatter()->from_file(file))
            if (!item.parents.empty() || !app.get_option_no_throw("--" + item.name))
                return formatMessage(msg::kNoSuchOption, {nameInConfig(item)});
        parse(app, {program, kConfigOption, file});
    } catch (const CLI::ParseError& e) {
        return e.what();
    }
    return std::nullopt;
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

    if (std::optional<std::string> file = configFileNamed(rest)) {
        if (std::optional<std::string> why = configFileProblem(command.program, *file)) {
            command.error = formatMessage(msg::kUnusableConfigFile, {*file, *why});
            return command;
        }
    }
    CLI::App app(
        "Zorvanil application server: serves server objects to clients over WebSocket "
        "JSON-RPC, each with its own database connection and thread.",
        kProgram);
    describeOptions(app, command.options);
    try {
        parse(app, rest);
    } catch (const CLI::ParseError& e) {
        command.exitCode = app.exit(e);
        return command;
    }
    if (app.get_option("--print-config")->count() > 0) {
        std::cout << kConfigHeader << app.config_to_str(true, true) << std::flush;
        command.exitCode = 0;
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
