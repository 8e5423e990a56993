#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "server/server_environment.hpp"

namespace zorvanil::bench {

// A demo database and the files a server object needs, in a temporary directory of this run
// (removed at the end). The database is made at the scale given, or taken from the path in
// ZORVANIL_BENCH_DB (made there first when missing, and kept for the next run). Logging is off.
class DemoWorkspace {
  public:
    DemoWorkspace(const std::string& name, int scale);
    ~DemoWorkspace();
    DemoWorkspace(const DemoWorkspace&) = delete;
    DemoWorkspace& operator=(const DemoWorkspace&) = delete;

    const std::filesystem::path& database() const { return database_; }
    // The temporary directory of this run, on the same disk as the database unless
    // ZORVANIL_BENCH_DB names another.
    const std::filesystem::path& directory() const { return dir_; }
    std::shared_ptr<server::ServerEnvironment> environment() const { return env_; }

  private:
    std::filesystem::path dir_;
    std::filesystem::path database_;
    std::shared_ptr<server::ServerEnvironment> env_;
};

}  // namespace zorvanil::bench
