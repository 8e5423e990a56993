#include "app/server_main.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

#include <spdlog/spdlog.h>
#include <boost/asio/ip/address.hpp>

#include "app/command_line.hpp"
#include "app/zorvanil_handlers.hpp"
#include "catalogue/zorvanil_catalogue.hpp"
#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"
#include "db/config_file.hpp"
#include "db/driver.hpp"
#include "db/odbc_driver.hpp"
#include "db/sql_trace.hpp"
#include "db/sqlite_driver.hpp"
#include "host/close_question.hpp"
#include "host/host.hpp"
#include "host/memory_trim.hpp"
#include "host/registration.hpp"
#include "server/server_environment.hpp"

#ifndef ZORVANIL_VERSION
#define ZORVANIL_VERSION "0"
#endif

namespace zorvanil::app {

namespace fs = std::filesystem;

namespace {

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
    std::error_code ec;
    if (fs::is_directory(file, ec))
        raise(msg::kCannotReadAccessKey, {file.string(), std::strerror(EISDIR)});
    std::ifstream in(file, std::ios::binary);
    if (!in) raise(msg::kCannotReadAccessKey, {file.string(), std::strerror(errno)});
    std::ostringstream text;
    text << in.rdbuf();
    std::string key(trim(text.str()));
    if (key.empty()) raise(msg::kEmptyAccessKey, {file.string()});
    return key;
}

// --init-demo: creates the demo database, says how to serve it, and ends the process.
int createDemoDatabase(const ServerOptions& o, const DemoDatabaseCreator& createDemo,
                       spdlog::logger& log) {
    if (!createDemo) raise(msg::kNoDemoDatabase);
    log.info("creating the demo database {} (scale {})", o.initDemo, o.scale);
    createDemo(o.initDemo, o.scale);
    std::string file = fs::absolute(o.initDemo).string();
    std::cout << "Demo database created: " << file << "\n"
              << "Serve it with a connection file whose third line names it:\n"
              << "  printf 'z\\r\\nz\\r\\n%s\\r\\n' " << file << " > Zconfiguracion.txt\n"
              << "  " << kProgram << " --connection-file Zconfiguracion.txt\n";
    return 0;
}

// The registry step of every start; only register mode fails on an error. Register and unregister
// mode end with it: their exit code.
std::optional<int> updateRegistry(const ServerCommand& command, spdlog::logger& log) {
    const std::string& registry = command.options.registry;
    bool unregister = command.mode == host::StartMode::Unregister;
    std::string error =
        host::updateRegistration(registry, unregister, executablePath(command.program));
    if (command.mode == host::StartMode::Register || unregister) {
        if (!error.empty() && !unregister) {
            log.error("{}", error);
            return 1;
        }
        if (!error.empty()) log.warn("{}", error);
        log.info("{} in {}", unregister ? "unregistered" : "registered", registry);
        return 0;
    }
    if (!error.empty()) log.warn("registry not updated: {}", error);
    return std::nullopt;
}

// The port, the access key and the limits of the network side.
net::NetOptions netOptions(const ServerOptions& o) {
    net::NetOptions net;
    if (!splitListen(o.listen, net.address, net.port)) raise(msg::kListenNotHostPort, {o.listen});
    boost::system::error_code ec;
    auto address = boost::asio::ip::make_address(net.address, ec);
    if (ec) raise(msg::kListenNotAnAddress, {net.address});
    if (!o.accessKeyFile.empty())
        net.accessKey = readAccessKey(o.accessKeyFile);
    else if (!address.is_loopback())
        raise(msg::kNonLoopbackNeedsKey, {net.address});
    if (!o.tlsCert.empty()) net.tls = net::TlsFiles{o.tlsCert, o.tlsKey};
    net.maxMessageBytes = o.maxMessageBytes;
    net.maxConnections = o.maxConnections;
    net.maxRequestBytesInFlight = o.maxBytesInFlight;
    net.maxMessagesPerSecond = o.maxRate;
    net.createObjectTimeout =
        std::chrono::milliseconds(static_cast<long long>(std::max(0.0, o.createTimeout) * 1000));
    net.ioThreads = o.ioThreads;
    return net;
}

host::HostSettings hostSettings(const ServerCommand& command) {
    host::HostSettings settings;
    settings.mode = command.mode;
    settings.version = ZORVANIL_VERSION;
    settings.shutdownGrace = std::chrono::seconds(std::max(0, command.options.shutdownGrace));
    // Started from a terminal, the operator is asked before live objects are closed.
    if (::isatty(STDIN_FILENO))
        settings.askToClose = [] { return host::askCloseQuestion(std::cin, std::cerr); };
    settings.net = netOptions(command.options);
    settings.maxTransactionIdle = std::chrono::seconds(command.options.maxTransactionIdle);
    return settings;
}

// What the database connection of every object takes from the options.
void configureConnections(const ServerOptions& o, server::ServerEnvironment& env) {
    if (!db::makeDriver(o.driver)) raise(msg::kDriverNotAvailable, {o.driver});
    env.connection.driverImplementation = o.driver;
    env.connection.statementTimeoutMs = std::max(0, o.statementTimeout) * 1000;
    if (!o.connectionFile.empty()) env.connectionFile = o.connectionFile;
    // A connection file that can never be read and rewritten would fail every object: the
    // server does not start with it.
    if (std::optional<std::string> why = db::ConfigFileProcedure::problem(env.connectionFile))
        raise(msg::kUnusableConnectionFile, {env.connectionFile.string(), *why});
    if (!o.sqlTrace.empty()) env.connection.trace = std::make_shared<db::SqlTrace>(o.sqlTrace);
    env.requestRecordAge->maxAge = std::chrono::seconds(o.requestIdMaxAge);
}

// With the odbc driver, a data source the driver manager does not know, or whose driver it
// cannot load, would fail every object: the server does not start with it. A database that does
// not answer yet fails only the objects made while it does not, and is logged.
void checkDataSource(const server::ServerEnvironment& env, spdlog::logger& log) {
    db::ParamList params;
    env.configFiles->run(env.connectionFile, params);
    db::ConnectRequest request;
    request.userName = params.value("User_Name");
    request.password = params.value("Password");
    request.database = std::string(trim(params.value("Database")));
    if (std::optional<std::string> failure = db::OdbcDriver::probe(request))
        log.warn("{}", *failure);
}

// Serves the shop's catalogue and handlers until the server is closed.
int serve(const host::HostSettings& settings, std::shared_ptr<server::ServerEnvironment> env) {
    raiseDescriptorLimit();
    // A client or log reader that went away must not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    host::Host host(settings, catalogue::zorvanilCatalogue(), zorvanilHandlers(), env);
    try {
        host.start();
    } catch (const std::exception& e) {
        env->logger->error("{}", e.what());
        return 1;
    }
    std::string endpoint = host.endpoint();
    const bool tls = settings.net.tls.has_value();
    std::cout << kProgram << " " << ZORVANIL_VERSION << " listening on " << endpoint << "\n"
              << "  status page: " << (tls ? "https://" : "http://") << endpoint << "/status\n"
              << "  connect:     zorvanil-cli --server " << (tls ? "wss://" : "") << endpoint
              << (tls ? "/ --ca-file CA.pem" : "") << " providers\n"
              << std::flush;
    return host.wait();
}

}  // namespace

int runServer(const std::vector<std::string>& args, const DemoDatabaseCreator& createDemo) {
    // Before anything opens a database: this process serves many connections at once.
    db::configureSqliteLibrary();
    host::configureHeap();
    ServerCommand command = readCommandLine(args);
    if (command.exitCode) return *command.exitCode;
    std::shared_ptr<server::ServerEnvironment> env = server::ServerEnvironment::makeDefault();
    spdlog::logger& log = *env->logger;
    if (command.error) {
        log.error("{}", *command.error);
        return 1;
    }
    log.set_level(spdlog::level::from_str(command.options.logLevel));
    std::optional<host::HostSettings> settings;
    try {
        // --init-demo only creates the database.
        if (!command.options.initDemo.empty())
            return createDemoDatabase(command.options, createDemo, log);
        if (std::optional<int> exitCode = updateRegistry(command, log)) return *exitCode;
        settings = hostSettings(command);
        configureConnections(command.options, *env);
        if (sameText(command.options.driver, "odbc")) checkDataSource(*env, log);
    } catch (const std::exception& e) {
        log.error("{}", e.what());
        return 1;
    }
    return serve(*settings, env);
}

}  // namespace zorvanil::app
