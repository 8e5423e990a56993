#pragma once

// A real server on a free loopback port, on a small SQLite database in a temporary directory,
// for the transport and host tests.

#include <sqlite3.h>
#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include <spdlog/logger.h>

#include "catalogue/zorvanil_catalogue.hpp"
#include "client/client.hpp"
#include "db/sql_trace.hpp"
#include "host/host.hpp"
#include "server/handler_table.hpp"
#include "server/server_environment.hpp"
#include "server/zorvanil_handlers.hpp"

namespace zorvanil::testing {

namespace fs = std::filesystem;

class TempDir {
  public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "zorvanil-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// Table T (ID, NAME) with three rows.
inline void createTestDatabase(const fs::path& file) {
    sqlite3* db = nullptr;
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) throw std::runtime_error("sqlite3_open");
    const char* sql =
        "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20));"
        "INSERT INTO T VALUES (1, 'ONE'), (2, 'TWO'), (3, 'THREE');";
    char* error = nullptr;
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK) throw std::runtime_error("creating the test database failed");
}

inline void writeConnectionFile(const fs::path& file, const fs::path& database) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << "z\r\nz\r\n" << database.string() << "\r\n";
}

// Where a call stops until the test lets it go: the handler DSPQ_MAXIMOBeforeGetRecords waits
// here, so that a call on DSPQ_MAXIMO is "long" for exactly as long as the test wants.
class Gate {
  public:
    void pass() {
        std::unique_lock lock(mutex_);
        ++entered_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return open_; });
    }
    bool waitEntered(int count = 1) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return entered_ >= count; });
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int entered_ = 0;
    bool open_ = false;
};

inline server::HandlerTable gatedHandlers(std::shared_ptr<Gate> gate) {
    constexpr std::string_view kGated = "DSPQ_MAXIMOBeforeGetRecords";
    server::HandlerTable table;
    table.add(std::string(kGated),
              server::RemoteEventHandler([gate](server::TAZORVANIL&, server::DataSetProvider&,
                                                Variant&) { gate->pass(); }));
    const server::HandlerTable& all = server::zorvanilHandlers();
    for (const std::string& name : all.names())
        if (name != kGated) table.add(name, *all.findAny(name));
    return table;
}

// Polls until the condition holds; false after five seconds.
inline bool eventually(const std::function<bool()>& condition) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

struct RunningServer {
    TempDir dir;
    fs::path database = dir.path() / "test.db";
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    server::HandlerTable handlers = gatedHandlers(gate);
    std::shared_ptr<db::SqlTrace> trace = std::make_shared<db::SqlTrace>();
    std::shared_ptr<server::ServerEnvironment> env;
    std::unique_ptr<host::Host> host;
    std::thread waiter;
    std::atomic<bool> ended{false};

    explicit RunningServer(net::NetOptions options = {},
                           host::StartMode mode = host::StartMode::Normal,
                           const std::function<void(host::HostSettings&)>& adjust = {}) {
        createTestDatabase(database);
        env = server::ServerEnvironment::makeDefault();
        env->logger->set_level(std::getenv("ZORVANIL_TEST_LOG") ? spdlog::level::debug
                                                                : spdlog::level::off);
        env->connectionFile = dir.path() / "connection.txt";
        env->creationFile = dir.path() / "creation.txt";
        env->connection.trace = trace;
        writeConnectionFile(env->connectionFile, database);
        host::HostSettings settings;
        settings.mode = mode;
        settings.net = std::move(options);
        settings.net.port = 0;
        settings.net.ioThreads = 1;
        settings.handleSignals = false;
        settings.shutdownGrace = std::chrono::seconds(10);
        if (adjust) adjust(settings);
        host =
            std::make_unique<host::Host>(settings, catalogue::zorvanilCatalogue(), handlers, env);
        host->start();
        waiter = std::thread([this] {
            host->wait();
            ended = true;
        });
    }
    ~RunningServer() {
        gate->open();
        host->requestStop("the test is over");
        waiter.join();
    }

    client::ServerAddress address() const { return {"127.0.0.1", host->port()}; }
    std::unique_ptr<client::Client> connect(bool create = true) {
        auto c = std::make_unique<client::Client>(address());
        if (create) c->createObject();
        return c;
    }
};

}  // namespace zorvanil::testing
