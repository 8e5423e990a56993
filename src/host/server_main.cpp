#include "host/server_main.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <charconv>
#include <csignal>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include <spdlog/spdlog.h>
#include <CLI/CLI.hpp>
#include <boost/asio/ip/address.hpp>

#include "catalogue/connection_defaults.hpp"
#include "catalogue/zorvanil_catalogue.hpp"
#include "common/text.hpp"
#include "db/driver.hpp"
#include "db/sql_trace.hpp"
#include "db/sqlite_driver.hpp"
#include "host/close_question.hpp"
#include "host/host.hpp"
#include "host/registration.hpp"
#include "host/registry.hpp"
#include "host/start_mode.hpp"
#include "server/server_environment.hpp"
#include "server/zorvanil_handlers.hpp"

#ifndef ZORVANIL_VERSION
#define ZORVANIL_VERSION "0"
#endif

namespace zorvanil::host {

namespace fs = std::filesystem;

namespace {

constexpr const char* kProgram = "zorvanil-server";

struct CommandLine {
    std::string listen = "127.0.0.1:8211";
    std::string connectionFile;
    std::string registry = kDefaultRegistryFile;
    std::string sqlTrace;
    std::string accessKeyFile;
    std::string driver = "sqlite";
    std::string initDemo;
    int scale = 1;
    std::size_t maxMessageBytes = 16 * 1024 * 1024;
    std::size_t maxConnections = 1024;
    unsigned maxRate = 2000;
    double createTimeout = 30;
    int statementTimeout = 300;
    int shutdownGrace = 30;
    int ioThreads = 2;
    std::string logLevel = "info";
};

// Splits "HOST:PORT", "[V6]:PORT", "HOST" or ":PORT"; false when the port is no number.
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

fs::path executablePath(const std::string& argv0) {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) return self;
    return fs::absolute(argv0, ec);
}

// More connections need more descriptors: each object's database takes a few besides its socket.
void raiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

std::string readAccessKey(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("Cannot read the access key file " + file.string());
    std::ostringstream text;
    text << in.rdbuf();
    std::string key(trim(text.str()));
    if (key.empty()) throw std::runtime_error("The access key file " + file.string() + " is empty");
    return key;
}

void addOptions(CLI::App& app, CommandLine& c) {
    app.add_option("--listen", c.listen,
                   "Address and port to listen on, HOST:PORT; any address other than a loopback "
                   "one needs --access-key-file")
        ->capture_default_str();
    app.add_option("--connection-file", c.connectionFile,
                   "The connection file (user, password, database alias on three lines) of every "
                   "object; default " +
                       server::ServerEnvironment().connectionFile.string());
    app.add_option("--registry", c.registry, "The registry file")->capture_default_str();
    app.add_option("--sql-trace", c.sqlTrace,
                   "Write every statement sent to the database, one JSON object per line, to "
                   "this file (- for standard error)");
    app.add_option("--access-key-file", c.accessKeyFile,
                   "File holding the key that clients must present in CreateObject");
    app.add_option("--driver", c.driver, "Database driver")
        ->check(CLI::IsMember({"sqlite", "odbc"}))
        ->capture_default_str();
    app.add_option("--init-demo", c.initDemo,
                   "Create the demo database in this new SQLite file, then exit");
    app.add_option("--scale", c.scale, "Size of the demo database (1: about 1,000 customers)")
        ->check(CLI::Range(1, 1000))
        ->capture_default_str();
    app.add_option("--max-message-bytes", c.maxMessageBytes,
                   "Largest message a client may send; a larger one closes its connection")
        ->capture_default_str();
    app.add_option("--max-connections", c.maxConnections, "Most connections served at once")
        ->capture_default_str();
    app.add_option("--max-rate", c.maxRate, "Messages per second per connection (0: no limit)")
        ->capture_default_str();
    app.add_option("--create-timeout", c.createTimeout,
                   "Seconds a connection may stay without an object before it is closed")
        ->capture_default_str();
    app.add_option("--statement-timeout", c.statementTimeout,
                   "Seconds a statement may run before it is interrupted (0: no limit)")
        ->capture_default_str();
    app.add_option("--shutdown-grace", c.shutdownGrace,
                   "Seconds to wait for clients to release when closed without a terminal")
        ->capture_default_str();
    app.add_option("--io-threads", c.ioThreads,
                   "Threads that accept connections and serve the pages (each WebSocket "
                   "connection has a thread of its own)")
        ->check(CLI::Range(1, 64))
        ->capture_default_str();
    app.add_option("--log-level", c.logLevel, "Log level")
        ->check(CLI::IsMember({"trace", "debug", "info", "warn", "error", "off"}))
        ->capture_default_str();
}

constexpr const char* kFooter =
    "Start modes (\"-\" or \"/\", any letter case):\n"
    "  -REGSERVER     write the registry entries and exit\n"
    "  -UNREGSERVER   remove the registry entries and exit\n"
    "  -AUTOMATION, -EMBEDDING\n"
    "                 serve, and exit when the last object is released\n"
    "Without a start mode the server registers itself and serves until it is closed (SIGINT or "
    "SIGTERM).\n"
    "See docs/running.md.";

}  // namespace

std::string updateRegistration(const fs::path& registryFile, bool unregister,
                               const fs::path& executable) {
    try {
        updateRegistryFile(registryFile, [&](FileRegistry& registry) {
            if (unregister)
                unregisterServer(registry);
            else
                registerServer(registry, executable);
        });
        return {};
    } catch (const std::exception& e) {
        return e.what();
    }
}

int runServer(const std::vector<std::string>& args, const DemoDatabaseCreator& createDemo) {
    // Before anything opens a database: this process serves many connections at once.
    db::configureSqliteLibrary();
    std::vector<std::string> rest;
    std::vector<std::string> all(args.begin() + (args.empty() ? 0 : 1), args.end());
    StartMode mode = findStartMode(all);
    rest.push_back(args.empty() ? kProgram : args[0]);
    for (const std::string& arg : all)
        if (!isStartModeSwitch(arg)) rest.push_back(arg);

    CommandLine c;
    CLI::App app(
        "Zorvanil application server: serves server objects to clients over WebSocket "
        "JSON-RPC, each with its own database connection and thread.",
        kProgram);
    app.set_version_flag("--version", std::string(kProgram) + " " + ZORVANIL_VERSION);
    app.footer(kFooter);
    addOptions(app, c);
    try {
        std::vector<char*> argv;
        for (std::string& arg : rest)
            argv.push_back(arg.data());
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }

    std::shared_ptr<server::ServerEnvironment> env = server::ServerEnvironment::makeDefault();
    auto log = env->logger;
    log->set_level(spdlog::level::from_str(c.logLevel));
    auto fail = [&](const std::string& message) {
        log->error("{}", message);
        return 1;
    };

    // --init-demo only creates the database.
    if (!c.initDemo.empty()) {
        if (!createDemo) return fail("This build cannot create the demo database");
        try {
            log->info("creating the demo database {} (scale {})", c.initDemo, c.scale);
            createDemo(c.initDemo, c.scale);
        } catch (const std::exception& e) {
            return fail(e.what());
        }
        std::cout << "Demo database created: " << fs::absolute(c.initDemo).string() << "\n"
                  << "Serve it with a connection file whose third line names it:\n"
                  << "  printf 'z\\r\\nz\\r\\n%s\\r\\n' " << fs::absolute(c.initDemo).string()
                  << " > Zconfiguracion.txt\n"
                  << "  " << kProgram << " --connection-file Zconfiguracion.txt\n";
        return 0;
    }

    // The registry: every start updates it; only register mode fails on an error.
    fs::path executable = executablePath(rest[0]);
    bool unregister = mode == StartMode::Unregister;
    std::string error = updateRegistration(c.registry, unregister, executable);
    if (mode == StartMode::Register || mode == StartMode::Unregister) {
        if (!error.empty() && mode == StartMode::Register) return fail(error);
        if (!error.empty()) log->warn("{}", error);
        log->info("{} in {}", unregister ? "unregistered" : "registered", c.registry);
        return 0;
    }
    if (!error.empty()) log->warn("registry not updated: {}", error);

    HostSettings settings;
    settings.mode = mode;
    settings.version = ZORVANIL_VERSION;
    settings.shutdownGrace = std::chrono::seconds(std::max(0, c.shutdownGrace));
    // Started from a terminal, the operator is asked before live objects are closed.
    if (::isatty(STDIN_FILENO))
        settings.askToClose = [] { return askCloseQuestion(std::cin, std::cerr); };
    net::NetOptions& net = settings.net;
    if (!splitListen(c.listen, net.address, net.port))
        return fail("--listen takes HOST:PORT, not " + c.listen);
    boost::system::error_code ec;
    auto address = boost::asio::ip::make_address(net.address, ec);
    if (ec) return fail("--listen takes an IP address, not " + net.address);
    if (!c.accessKeyFile.empty()) {
        try {
            net.accessKey = readAccessKey(c.accessKeyFile);
        } catch (const std::exception& e) {
            return fail(e.what());
        }
    } else if (!address.is_loopback()) {
        return fail("Listening on " + net.address +
                    ", which is not a loopback address, needs --access-key-file");
    }
    net.maxMessageBytes = c.maxMessageBytes;
    net.maxConnections = c.maxConnections;
    net.maxMessagesPerSecond = c.maxRate;
    net.createObjectTimeout =
        std::chrono::milliseconds(static_cast<long long>(std::max(0.0, c.createTimeout) * 1000));
    net.ioThreads = c.ioThreads;

    if (!db::makeDriver(c.driver)) return fail("The " + c.driver + " driver is not available");
    env->connection.driverImplementation = c.driver;
    env->connection.statementTimeoutMs = std::max(0, c.statementTimeout) * 1000;
    if (!c.connectionFile.empty()) env->connectionFile = c.connectionFile;
    if (!c.sqlTrace.empty()) {
        try {
            env->connection.trace = std::make_shared<db::SqlTrace>(c.sqlTrace);
        } catch (const std::exception& e) {
            return fail(e.what());
        }
    }
    raiseDescriptorLimit();
    // A client or log reader that went away must not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    Host host(settings, catalogue::zorvanilCatalogue(), server::zorvanilHandlers(), env);
    try {
        host.start();
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    std::string endpoint = host.endpoint();
    std::cout << kProgram << " " << ZORVANIL_VERSION << " listening on " << endpoint << "\n"
              << "  status page: http://" << endpoint << "/status\n"
              << "  connect:     zorvanil-cli --server " << endpoint << " providers\n"
              << std::flush;
    return host.wait();
}

}  // namespace zorvanil::host
