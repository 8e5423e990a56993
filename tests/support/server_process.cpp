#include "support/server_process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/project_files.hpp"

namespace zorvanil::test {

namespace {

// Reads the process's output until it names the address it listens on; returns the port.
std::uint16_t readPort(int output) {
    constexpr std::string_view kListening = " listening on ";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string text;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{output, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        char buffer[512];
        const ssize_t n = ::read(output, buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
        const std::size_t at = text.find(kListening);
        const std::size_t end = at == std::string::npos ? at : text.find('\n', at);
        if (end == std::string::npos) continue;
        const std::string endpoint =
            text.substr(at + kListening.size(), end - at - kListening.size());
        return static_cast<std::uint16_t>(std::stoi(endpoint.substr(endpoint.rfind(':') + 1)));
    }
    throw std::runtime_error("zorvanil-server did not start: " + text);
}

}  // namespace

ServerProcess::ServerProcess(const std::filesystem::path& dir,
                             const std::filesystem::path& connectionFile) {
    const std::vector<std::string> args = {serverExecutable().string(),
                                           "--listen",
                                           "127.0.0.1:0",
                                           "--connection-file",
                                           connectionFile.string(),
                                           "--registry",
                                           (dir / "registry.txt").string(),
                                           "--log-level",
                                           "off"};
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const std::string cwd = dir.string();
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    pid_ = ::fork();
    if (pid_ == 0) {
        // Only what is safe between fork and exec in a process with threads.
        const int nothing = ::open("/dev/null", O_RDONLY);
        ::dup2(nothing, STDIN_FILENO);
        ::dup2(pipe[1], STDOUT_FILENO);
        if (::chdir(cwd.c_str()) != 0) ::_exit(126);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipe[1]);
    output_ = pipe[0];
    if (pid_ < 0) throw std::runtime_error("fork failed");
    try {
        port_ = readPort(output_);
    } catch (...) {
        kill();
        ::close(output_);
        throw;
    }
}

ServerProcess::~ServerProcess() {
    kill();
    if (output_ >= 0) ::close(output_);
}

int ServerProcess::reap() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
}

void ServerProcess::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    reap();
}

int ServerProcess::stop() {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGTERM);
    return reap();
}

}  // namespace zorvanil::test
