#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>

#include "client/client.hpp"

namespace zorvanil::test {

// The zorvanil-server executable running as a process of its own on a free loopback port, in
// `dir` (its current directory, where its registry goes too), serving the database its connection
// file names. It has started once it has said where it listens; the object ends it by SIGKILL
// if nothing else has.
class ServerProcess {
  public:
    ServerProcess(const std::filesystem::path& dir, const std::filesystem::path& connectionFile);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    client::ServerAddress address() const { return {"127.0.0.1", port_}; }
    // Ends the process at once, as a crash or a power cut would, and reaps it.
    void kill();
    // Asks it to close (SIGTERM) and returns its exit status.
    int stop();

  private:
    int reap();

    pid_t pid_ = -1;
    int output_ = -1;  // its standard output
    std::uint16_t port_ = 0;
};

}  // namespace zorvanil::test
