// The server's memory against the messages it is sent: zorvanil-server runs as a child process on
// a scale-1 demo database in a temporary directory, and this program reads the child's resident
// size (VmRSS) and its peak (VmHWM, reset before each case through /proc/PID/clear_refs) while it
//   apply1      applies one change packet of new customers of about 10 MB (DSPQ_CLIENTES),
//   apply4      applies four of them at once, from four connections,
//   objects     opens 1,000 connections at once, each of which builds its object and reads a
//               page of customers, then closes them all and waits for their threads to end.
// For each case it prints the resident size before, the peak, the peak's growth over the size
// before divided by the message bytes in flight, and the resident size once the case is over;
// and, at the end, the resident size after everything against the idle server as it started.
//
//   build/bench/memory_bench [--server PATH] [--megabytes N] [--objects N] [-- SERVER OPTIONS]
//
// Options after "--" are passed to the server (e.g. --max-bytes-in-flight 20000000 to see the
// bound refuse). The server's own output goes to the log file in the temporary directory, which
// is kept when the run fails.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench_requests.hpp"
#include "client/client.hpp"
#include "packet/data_packet.hpp"
#include "packet/json_codec.hpp"

#ifndef ZORVANIL_SERVER_PATH
#define ZORVANIL_SERVER_PATH "zorvanil-server"
#endif

namespace {

using namespace zorvanil;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Settings {
    std::string server = ZORVANIL_SERVER_PATH;
    double megabytes = 10;
    int objects = 1000;
    std::vector<std::string> serverOptions;
};

// Runs a program to its end; false when it fails.
bool runToEnd(const std::vector<std::string>& args, const fs::path& output) {
    pid_t pid = ::fork();
    if (pid == 0) {
        std::FILE* out = std::fopen(output.c_str(), "ab");
        if (out) {
            ::dup2(::fileno(out), STDOUT_FILENO);
            ::dup2(::fileno(out), STDERR_FILENO);
        }
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The server as a child process; its standard output is read for the port it listens on.
class ServerProcess {
  public:
    ServerProcess(const Settings& settings, const fs::path& dir) {
        std::vector<std::string> args{settings.server,
                                      "--listen",
                                      "127.0.0.1:0",
                                      "--connection-file",
                                      (dir / "connection.txt").string(),
                                      "--registry",
                                      (dir / "registry.txt").string(),
                                      "--max-rate",
                                      "0",
                                      "--log-level",
                                      "warn"};
        args.insert(args.end(), settings.serverOptions.begin(), settings.serverOptions.end());
        int out[2];
        if (::pipe(out) != 0) throw std::runtime_error("no pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            std::FILE* log = std::fopen((dir / "server.log").c_str(), "ab");
            if (log) ::dup2(::fileno(log), STDERR_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            int devNull = ::open("/dev/null", O_RDONLY);
            ::dup2(devNull, STDIN_FILENO);
            std::vector<char*> argv;
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        // Lines before the server's own (of a wrapper such as heaptrack) are passed over.
        std::string line;
        char c;
        while (line.find("listening on") == std::string::npos) {
            line.clear();
            while (::read(out[0], &c, 1) == 1 && c != '\n')
                line += c;
            if (line.empty()) break;
        }
        ::close(out[0]);
        // "zorvanil-server VERSION listening on HOST:PORT"
        auto colon = line.rfind(':');
        if (line.find("listening on") == std::string::npos || colon == std::string::npos)
            throw std::runtime_error("the server did not start: " + line);
        port_ = static_cast<std::uint16_t>(std::stoi(line.substr(colon + 1)));
    }
    ~ServerProcess() {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    std::uint16_t port() const { return port_; }

    // A fact of /proc/PID/status in KiB (or a count); -1 when missing.
    long status(const std::string& name) const {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/status");
        std::string line;
        while (std::getline(in, line))
            if (line.rfind(name + ":", 0) == 0)
                return std::strtol(line.c_str() + name.size() + 1, nullptr, 10);
        return -1;
    }
    // Starts a new peak from the present resident size.
    void resetPeak() const {
        std::ofstream out("/proc/" + std::to_string(pid_) + "/clear_refs");
        out << "5";
    }

  private:
    pid_t pid_ = -1;
    std::uint16_t port_ = 0;
};

std::unique_ptr<client::Client> connect(const ServerProcess& server) {
    auto c = std::make_unique<client::Client>(client::ServerAddress{"127.0.0.1", server.port()});
    c->createObject();
    return c;
}

// New customers from `firstId` on, as many as make about `bytes` of JSON.
Variant newCustomers(int firstId, std::size_t bytes) {
    return bench::newCustomers(firstId, bytes / 250);
}

std::size_t jsonBytes(const Variant& delta) {
    return packet::jsonText(delta).size();
}

struct Figures {
    long before = 0;  // KiB
    long peak = 0;
    long after = 0;
    std::size_t bytesInFlight = 0;
    std::string failures;
};

void print(const std::string& name, const Figures& f) {
    double mib = 1024;
    double growth = static_cast<double>(f.peak - f.before) * 1024;
    std::printf("%-8s before %7.1f MiB  peak %7.1f MiB  after %7.1f MiB  in flight %6.1f MiB",
                name.c_str(), f.before / mib, f.peak / mib, f.after / mib,
                static_cast<double>(f.bytesInFlight) / (1024 * 1024));
    if (f.bytesInFlight)
        std::printf("  growth/in flight %5.2f", growth / static_cast<double>(f.bytesInFlight));
    std::printf("\n");
    if (!f.failures.empty()) std::printf("         %s\n", f.failures.c_str());
    std::fflush(stdout);
}

// Waits until the server is back to `threads` threads (its connection threads have ended).
void settle(const ServerProcess& server, long threads) {
    auto until = Clock::now() + std::chrono::seconds(60);
    while (server.status("Threads") > threads && Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // The server gives freed memory back once no object has gone for a moment.
    std::this_thread::sleep_for(std::chrono::seconds(2));
}

// Closes the connections, waits for the server to settle and gives its resident size then.
long closeAndSettle(const ServerProcess& server,
                    std::vector<std::unique_ptr<client::Client>>& connections, long idleThreads) {
    for (auto& c : connections) {
        try {
            c->close();
        } catch (const std::exception&) {
        }
    }
    connections.clear();
    settle(server, idleThreads);
    return server.status("VmRSS");
}

// `clients` applies at once, each of a packet of about `bytes`, each on a connection of its own.
Figures applies(const ServerProcess& server, int clients, std::size_t bytes, int firstId,
                long idleThreads) {
    std::vector<std::unique_ptr<client::Client>> connections;
    std::vector<Variant> deltas;
    Figures f;
    for (int i = 0; i < clients; ++i) {
        connections.push_back(connect(server));
        deltas.push_back(newCustomers(firstId + i * 1000000, bytes));
        f.bytesInFlight += jsonBytes(deltas.back());
    }
    settle(server, idleThreads + clients);
    f.before = server.status("VmRSS");
    server.resetPeak();
    std::vector<std::string> failures(clients);
    std::vector<std::thread> threads;
    for (int i = 0; i < clients; ++i)
        threads.emplace_back([&, i] {
            try {
                client::ApplyOptions options;
                options.withoutRequestId = true;
                auto r = connections[i]->applyUpdates("DSPQ_CLIENTES", deltas[i], 0, {}, options);
                if (r.errorCount != 0) failures[i] = "rows failed";
            } catch (const std::exception& e) {
                failures[i] = e.what();
            }
        });
    for (auto& t : threads)
        t.join();
    f.peak = server.status("VmHWM");
    for (const std::string& e : failures)
        if (!e.empty()) f.failures += (f.failures.empty() ? "" : "; ") + e;
    f.after = closeAndSettle(server, connections, idleThreads);
    return f;
}

// `count` connections at once, each with an object that reads a page of customers, then all
// closed.
Figures objects(const ServerProcess& server, int count, long idleThreads) {
    Figures f;
    f.before = server.status("VmRSS");
    server.resetPeak();
    std::vector<std::unique_ptr<client::Client>> connections;
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        try {
            connections.push_back(connect(server));
            connections.back()->getRecords("DSPQ_CLIENTES", 20, Variant(""));
        } catch (const std::exception& e) {
            if (failed++ == 0) f.failures = e.what();
        }
    }
    if (failed) f.failures = std::to_string(failed) + " objects failed: " + f.failures;
    f.peak = server.status("VmHWM");
    f.after = closeAndSettle(server, connections, idleThreads);
    return f;
}

Settings readArguments(int argc, char** argv) {
    Settings s;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--") {
            s.serverOptions.assign(argv + i + 1, argv + argc);
            break;
        }
        if (i + 1 >= argc) throw std::runtime_error("option without a value: " + a);
        if (a == "--server")
            s.server = argv[++i];
        else if (a == "--megabytes")
            s.megabytes = std::stod(argv[++i]);
        else if (a == "--objects")
            s.objects = std::stoi(argv[++i]);
        else
            throw std::runtime_error("unknown option: " + a);
    }
    return s;
}

void raiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    raiseDescriptorLimit();
    fs::path dir = fs::temp_directory_path() / ("zorvanil-memory-" + std::to_string(::getpid()));
    bool ok = false;
    try {
        Settings settings = readArguments(argc, argv);
        fs::create_directories(dir);
        fs::path database = dir / "demo.db";
        if (!runToEnd({settings.server, "--init-demo", database.string(), "--scale", "1"},
                      dir / "server.log"))
            throw std::runtime_error("the demo database was not made; see " +
                                     (dir / "server.log").string());
        std::ofstream(dir / "connection.txt") << "z\r\nz\r\n" << database.string() << "\r\n";

        ServerProcess server(settings, dir);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        long idle = server.status("VmRSS");
        long idleThreads = server.status("Threads");
        std::printf("idle     %7.1f MiB, %ld threads\n", idle / 1024.0, idleThreads);
        auto bytes = static_cast<std::size_t>(settings.megabytes * 1e6);

        Figures one = applies(server, 1, bytes, 10000000, idleThreads);
        print("apply1", one);
        Figures four = applies(server, 4, bytes, 20000000, idleThreads);
        print("apply4", four);
        Figures many = objects(server, settings.objects, idleThreads);
        print("objects", many);
        long last = server.status("VmRSS");
        std::printf(
            "end      %7.1f MiB, %+.1f MiB over the idle server (%ld threads; heap and stacks %.1f "
            "MiB, "
            "files %.1f MiB, shared %.1f MiB)\n",
            last / 1024.0, (last - idle) / 1024.0, server.status("Threads"),
            server.status("RssAnon") / 1024.0, server.status("RssFile") / 1024.0,
            server.status("RssShmem") / 1024.0);
        ok = one.failures.empty() && four.failures.empty() && many.failures.empty();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "memory_bench: %s\n", e.what());
    }
    std::error_code ignored;
    if (ok)
        fs::remove_all(dir, ignored);
    else
        std::fprintf(stderr, "memory_bench: files kept in %s\n", dir.c_str());
    return ok ? 0 : 1;
}
