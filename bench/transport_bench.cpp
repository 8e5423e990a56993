// The WebSocket JSON-RPC transport: what a call costs on top of a bare WebSocket, how many calls
// per second the server answers, and how much memory an idle connected object holds. Every
// benchmark runs a real zorvanil host on a free loopback port over a small demo database (scale 1,
// built once per run in a temporary directory; set ZORVANIL_BENCH_DB to a path to keep it and reuse
// it on the next run). Logging is off.
//
// BM_RoundTrip: AS_GetProviderNames through the server against a bare Boost.Beast WebSocket echo
//   that answers every message with the very bytes the server answers (captured once at the
//   start). Both run in this process on their own threads; the client side is the client library
//   in both cases (one connection each, blocking, without Nagle delay) and sends the same request
//   bytes. The three requests below alternate in one loop, their order rotating, so that the
//   machine's noise falls on all of them alike:
//     server_*   the request bytes to the server, its answer bytes back (checked to be the same
//                every time): the server's own cost of a call on top of the echo;
//     echo_*     the same bytes to the echo;
//     library_*  the typed call getProviderNames() to the server, which adds the client's
//                encoding of the request and decoding of the answer.
//   Counters are percentiles of single calls in microseconds (p50, p99), and server_over_echo and
//   library_over_echo the ratios of the p50s. The benchmark's own time is one loop of all three.
//
// BM_TlsRoundTrip: the same calls over TLS (wss://) against plain TCP (ws://), after the handshake:
//   two hosts on the same database, one with a certificate made for the run (openssl, a
//   self-signed P-256 certificate for 127.0.0.1 in the run's directory), one client connected to
//   each. The sides alternate in blocks of kTlsBlock calls: *_names is getProviderNames() (an
//   answer of some 1.5 KB), *_row a one-row read through DSPQ_PROCEDURE. Counters are the median
//   time of a call of each side in microseconds and tls_over_plain_names, tls_over_plain_row the
//   medians over the blocks of the TLS side's time over the plain side's.
//
// BM_Throughput/N: N clients, each on a thread of its own with an object of its own, call
//   getProviderNames() as fast as they can. One iteration is a round of kCallsPerRound calls by
//   every client; requests_per_second counts the calls of every client over wall-clock time. Any
//   failed call fails the benchmark.
//
// BM_IdleObjectMemory: the resident memory (VmRSS) one idle connected object costs the server.
//   The clients run in a forked child process, so that this process's resident memory holds the
//   server side alone: its connection threads, sockets, objects and database connections. The
//   child connects one client first (whatever the first object sets up once is thus in the
//   baseline), then kConnectedObjects more, each of which builds its object and calls
//   AS_GetProviderNames once, and keeps them connected while this process reads its VmRSS again.
//   rss_per_object_kib is the growth divided by kConnectedObjects; client_rss_per_connection_kib
//   is the same for the child's side; fds_per_object and server_threads show what the objects
//   hold. Any client that is not served fails the benchmark. It runs first, before the other
//   benchmarks have left freed heap memory and cached thread stacks that would hide part of the
//   growth.
//
// The hosts here allow any number of messages per second on a connection: the server's default
// limit of 2,000 would refuse part of the calls of the loops above, and the point is to measure the
// transport, not the limit.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <barrier>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <boost/json.hpp>

#include "app/zorvanil_handlers.hpp"
#include "catalogue/zorvanil_catalogue.hpp"
#include "client/client.hpp"
#include "demo_workspace.hpp"
#include "echo_server.hpp"
#include "host/host.hpp"
#include "server/server_environment.hpp"
#include "side_by_side.hpp"

namespace {

using namespace zorvanil;
using Clock = std::chrono::steady_clock;

constexpr int kCallsPerRound = 100;
constexpr int kTlsBlock = 200;
constexpr int kConnectedObjects = 1000;
// Descriptors the server side of kConnectedObjects connections needs: per connection its socket,
// its event loop's three descriptors and the database's file and log, and some to spare.
constexpr rlim_t kDescriptorsNeeded = 8 * kConnectedObjects + 256;

using Workspace = bench::DemoWorkspace;

// A host serving the workspace's database on a free loopback port, over TLS when given files.
class ServedHost {
  public:
    explicit ServedHost(const Workspace& workspace,
                        std::optional<net::TlsFiles> tls = std::nullopt) {
        host::HostSettings settings;
        settings.net.port = 0;
        settings.net.maxMessagesPerSecond = 0;
        tls_ = tls.has_value();
        settings.net.tls = std::move(tls);
        settings.handleSignals = false;
        host_ = std::make_unique<host::Host>(settings, catalogue::zorvanilCatalogue(),
                                             app::zorvanilHandlers(), workspace.environment());
        host_->start();
    }
    ~ServedHost() {
        host_->requestStop("the benchmark is over");
        host_->wait();
    }
    ServedHost(const ServedHost&) = delete;
    ServedHost& operator=(const ServedHost&) = delete;

    client::ServerAddress address() const { return {"127.0.0.1", host_->port(), tls_}; }
    int liveObjects() const { return host_->liveObjects(); }

  private:
    std::unique_ptr<host::Host> host_;
    bool tls_ = false;
};

// AS_GetProviderNames as the client library sends it, with a fixed id.
std::string providerNamesRequest() {
    boost::json::object request;
    request["jsonrpc"] = "2.0";
    request["method"] = "AS_GetProviderNames";
    request["params"] = boost::json::object();
    request["id"] = 2;
    return boost::json::serialize(request);
}

// Single-call times, for their percentiles.
class Latencies {
  public:
    Latencies() { times_.reserve(1 << 16); }
    void add(Clock::duration d) { times_.push_back(d); }
    // The p-th percentile (0 < p < 100) in microseconds.
    double percentile(double p) {
        if (times_.empty()) return 0;
        auto n = static_cast<std::size_t>(static_cast<double>(times_.size()) * p / 100.0);
        n = std::min(n, times_.size() - 1);
        std::nth_element(times_.begin(), times_.begin() + static_cast<std::ptrdiff_t>(n),
                         times_.end());
        return std::chrono::duration<double, std::micro>(times_[n]).count();
    }

  private:
    std::vector<Clock::duration> times_;
};

void BM_RoundTrip(benchmark::State& state, const Workspace& workspace) {
    ServedHost host(workspace);
    client::Client server(host.address());
    server.createObject();
    const std::string request = providerNamesRequest();
    server.sendText(request);
    const std::string reply = server.receiveText();
    const std::size_t providers = server.getProviderNames().size();
    boost::json::value parsed = boost::json::parse(reply);
    if (providers == 0 || !parsed.is_object() || !parsed.as_object().contains("result")) {
        state.SkipWithError(("unexpected answer: " + reply).c_str());
        return;
    }

    bench::EchoServer echoServer(reply);
    client::Client echo(echoServer.address());
    Latencies serverTimes, echoTimes, libraryTimes;
    bool wrong = false;
    std::string answer;
    auto timed = [](Latencies& times, auto&& call) {
        auto start = Clock::now();
        call();
        times.add(Clock::now() - start);
    };
    auto viaServer = [&] {
        timed(serverTimes, [&] {
            server.sendText(request);
            answer = server.receiveText();
        });
        wrong |= answer != reply;
    };
    auto viaEcho = [&] {
        timed(echoTimes, [&] {
            echo.sendText(request);
            answer = echo.receiveText();
        });
        wrong |= answer != reply;
    };
    auto viaLibrary = [&] {
        std::size_t names = 0;
        timed(libraryTimes, [&] { names = server.getProviderNames().size(); });
        wrong |= names != providers;
    };

    const std::function<void()> calls[] = {viaServer, viaEcho, viaLibrary};
    std::size_t turn = 0;
    for (auto _ : state) {
        for (std::size_t k = 0; k < 3; ++k)
            calls[(turn + k) % 3]();
        ++turn;
        if (wrong) {
            state.SkipWithError("an answer differed from the first one");
            break;
        }
    }

    double serverP50 = serverTimes.percentile(50), echoP50 = echoTimes.percentile(50),
           libraryP50 = libraryTimes.percentile(50);
    state.counters["server_p50_us"] = serverP50;
    state.counters["server_p99_us"] = serverTimes.percentile(99);
    state.counters["echo_p50_us"] = echoP50;
    state.counters["echo_p99_us"] = echoTimes.percentile(99);
    state.counters["library_p50_us"] = libraryP50;
    state.counters["library_p99_us"] = libraryTimes.percentile(99);
    state.counters["server_over_echo"] = echoP50 > 0 ? serverP50 / echoP50 : 0;
    state.counters["library_over_echo"] = echoP50 > 0 ? libraryP50 / echoP50 : 0;
    state.counters["reply_bytes"] = static_cast<double>(reply.size());
}

// A self-signed certificate for 127.0.0.1 and its key, made in `dir` for this run.
net::TlsFiles makeCertificate(const std::filesystem::path& dir) {
    net::TlsFiles files{(dir / "tls.pem").string(), (dir / "tls.key").string()};
    const std::string command =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
        "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout '" +
        files.keyFile + "' -out '" + files.certificateFile + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("openssl failed: " + command);
    return files;
}

void BM_TlsRoundTrip(benchmark::State& state, const Workspace& workspace) {
    net::TlsFiles files;
    try {
        files = makeCertificate(workspace.directory());
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    ServedHost plainHost(workspace);
    ServedHost tlsHost(workspace, files);
    client::Client plain(plainHost.address());
    client::Client tls(tlsHost.address(), {files.certificateFile});
    plain.createObject();
    tls.createObject();
    const std::string row = "SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = 1";
    const std::size_t providers = plain.getProviderNames().size();
    bool wrong = false;
    auto names = [&](client::Client& c) { wrong |= c.getProviderNames().size() != providers; };
    auto oneRow = [&](client::Client& c) {
        wrong |= c.getRecords("DSPQ_PROCEDURE", -1, {}, 0, row).recsOut != 1;
    };
    bench::Sides sides(kTlsBlock);
    sides.add("plain_names", [&] { names(plain); });
    sides.add("tls_names", [&] { names(tls); });
    sides.add("plain_row", [&] { oneRow(plain); });
    sides.add("tls_row", [&] { oneRow(tls); });
    for (auto _ : state) {
        sides.timeBlock();
        if (wrong) {
            state.SkipWithError("a call answered something else");
            return;
        }
    }
    sides.timeCounters(state);
    bench::ratioCounter(state, sides, "tls_over_plain_names", "tls_names", {"plain_names"});
    bench::ratioCounter(state, sides, "tls_over_plain_row", "tls_row", {"plain_row"});
}

// Clients on threads of their own, each with its own connection and object, calling
// getProviderNames() in rounds: a round starts them all and ends when each has made its calls.
class ClientCrowd {
  public:
    ClientCrowd(const client::ServerAddress& address, int clients, std::size_t providers)
        : providers_(providers), start_(clients + 1), done_(clients + 1) {
        for (int i = 0; i < clients; ++i)
            threads_.emplace_back([this, address] { work(address); });
        // Every client is connected (or has failed to).
        start_.arrive_and_wait();
    }
    ~ClientCrowd() {
        stop_ = true;
        start_.arrive_and_wait();
        for (std::thread& t : threads_)
            t.join();
    }
    ClientCrowd(const ClientCrowd&) = delete;
    ClientCrowd& operator=(const ClientCrowd&) = delete;

    void round() {
        start_.arrive_and_wait();
        done_.arrive_and_wait();
    }
    long errors() const { return errors_; }
    std::string firstError() {
        std::lock_guard lock(mutex_);
        return firstError_;
    }

  private:
    void work(const client::ServerAddress& address) {
        std::optional<client::Client> client;
        try {
            client.emplace(address);
            client->createObject();
        } catch (const std::exception& e) {
            client.reset();
            fail(e.what());
        }
        start_.arrive_and_wait();
        for (;;) {
            start_.arrive_and_wait();
            if (stop_) return;
            for (int i = 0; i < kCallsPerRound; ++i) {
                if (!client) {
                    ++errors_;
                    continue;
                }
                try {
                    if (client->getProviderNames().size() != providers_)
                        fail("a call answered another number of providers");
                } catch (const std::exception& e) {
                    fail(e.what());
                }
            }
            done_.arrive_and_wait();
        }
    }
    void fail(const std::string& why) {
        if (errors_++ > 0) return;
        std::lock_guard lock(mutex_);
        firstError_ = why;
    }

    const std::size_t providers_;
    std::barrier<> start_;
    std::barrier<> done_;
    std::atomic<bool> stop_ = false;
    std::atomic<long> errors_ = 0;
    std::mutex mutex_;
    std::string firstError_;
    std::vector<std::thread> threads_;
};

void BM_Throughput(benchmark::State& state, const Workspace& workspace) {
    const int clients = static_cast<int>(state.range(0));
    ServedHost host(workspace);
    std::size_t providers = 0;
    {
        client::Client probe(host.address());
        probe.createObject();
        providers = probe.getProviderNames().size();
    }
    ClientCrowd crowd(host.address(), clients, providers);
    std::int64_t calls = 0;
    auto started = Clock::now();
    for (auto _ : state) {
        crowd.round();
        calls += static_cast<std::int64_t>(clients) * kCallsPerRound;
    }
    double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    if (crowd.errors() > 0) {
        state.SkipWithError(
            (std::to_string(crowd.errors()) + " calls failed, the first: " + crowd.firstError())
                .c_str());
        return;
    }
    state.counters["requests_per_second"] = static_cast<double>(calls) / seconds;
}

// A fact of this process from /proc/self/status ("VmRSS" in KiB, "Threads"); -1 when missing.
long statusValue(std::string_view name) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.starts_with(name) && line.size() > name.size() && line[name.size()] == ':')
            return std::strtol(line.c_str() + name.size() + 1, nullptr, 10);
    return -1;
}

long openDescriptors() {
    long n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

// Raises the soft descriptor limit towards the hard one (to 65,536 at most); the soft limit
// afterwards.
rlim_t raiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
    rlim_t wanted = std::min<rlim_t>(limit.rlim_max, 65536);
    if (limit.rlim_cur < wanted) {
        limit.rlim_cur = wanted;
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    return limit.rlim_cur;
}

bool writeAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool readAll(int fd, void* data, std::size_t size) {
    char* p = static_cast<char*>(data);
    while (size > 0) {
        ssize_t n = ::read(fd, p, size);
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// What the client process reports once its connections are made.
struct CrowdReport {
    int served = 0;
    int failed = 0;
    long rssGrowthKib = 0;
    char firstError[256] = {};
};

// The client side of BM_IdleObjectMemory, in the forked child: connects one client, says so, and
// on the word connects kConnectedObjects more, reports, and holds them until told to end. Only the
// client library and the pipes are used here; the process ends with _exit, so that nothing of the
// parent's (its workspace, its benchmark run) is torn down twice.
[[noreturn]] void runClientProcess(int in, int out) {
    int code = 1;
    try {
        std::uint16_t port = 0;
        char word = 0;
        if (!readAll(in, &port, sizeof port) || port == 0) ::_exit(1);
        client::ServerAddress address{"127.0.0.1", port};
        std::vector<std::unique_ptr<client::Client>> clients;
        auto connect = [&](CrowdReport& report) {
            try {
                auto c = std::make_unique<client::Client>(address);
                c->createObject();
                if (c->getProviderNames().empty()) throw std::runtime_error("no providers");
                clients.push_back(std::move(c));
                ++report.served;
            } catch (const std::exception& e) {
                if (report.failed++ == 0)
                    std::strncpy(report.firstError, e.what(), sizeof report.firstError - 1);
            }
        };
        CrowdReport first;
        connect(first);
        if (!writeAll(out, &first, sizeof first) || !readAll(in, &word, 1)) ::_exit(1);
        CrowdReport report;
        long before = statusValue("VmRSS");
        for (int i = 0; i < kConnectedObjects; ++i)
            connect(report);
        report.rssGrowthKib = statusValue("VmRSS") - before;
        if (!writeAll(out, &report, sizeof report) || !readAll(in, &word, 1)) ::_exit(1);
        for (auto& c : clients)
            c->close();
        code = 0;
    } catch (...) {
    }
    ::_exit(code);
}

// The forked client process and its two pipes; a child still running at the end is killed.
class ClientProcess {
  public:
    ClientProcess() {
        int down[2], up[2];
        if (::pipe(down) != 0) throw std::runtime_error("no pipe");
        if (::pipe(up) != 0) {
            ::close(down[0]), ::close(down[1]);
            throw std::runtime_error("no pipe");
        }
        pid_ = ::fork();
        if (pid_ < 0) {
            ::close(down[0]), ::close(down[1]), ::close(up[0]), ::close(up[1]);
            throw std::runtime_error("fork failed");
        }
        if (pid_ == 0) {
            ::close(down[1]);
            ::close(up[0]);
            runClientProcess(down[0], up[1]);
        }
        ::close(down[0]);
        ::close(up[1]);
        toChild_ = down[1];
        fromChild_ = up[0];
    }
    ~ClientProcess() {
        if (toChild_ >= 0) ::close(toChild_);
        ::close(fromChild_);
        if (pid_ < 0) return;
        int status = 0;
        // Closed pipes end a child that waits on them; one that does not end is killed.
        for (int i = 0; i < 100; ++i) {
            if (::waitpid(pid_, &status, WNOHANG) == pid_) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
    }
    ClientProcess(const ClientProcess&) = delete;
    ClientProcess& operator=(const ClientProcess&) = delete;

    bool send(const void* data, std::size_t size) { return writeAll(toChild_, data, size); }
    bool receive(CrowdReport& report) { return readAll(fromChild_, &report, sizeof report); }
    // Waits for the child to end; its exit code, or -1.
    int join() {
        int status = 0;
        ::close(toChild_);
        toChild_ = -1;
        pid_t pid = std::exchange(pid_, -1);
        if (::waitpid(pid, &status, 0) != pid) return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
};

void BM_IdleObjectMemory(benchmark::State& state, const Workspace& workspace) {
    rlim_t limit = raiseDescriptorLimit();
    if (limit < kDescriptorsNeeded) {
        state.SkipWithError(("the descriptor limit (RLIMIT_NOFILE) is " + std::to_string(limit) +
                             " and cannot be raised to the " + std::to_string(kDescriptorsNeeded) +
                             " that " + std::to_string(kConnectedObjects) +
                             " connections need; raise the hard limit (ulimit -Hn)")
                                .c_str());
        return;
    }
    for (auto _ : state) {
        // Forked before the host starts: the child gets no server thread to stand for.
        ClientProcess child;
        ServedHost host(workspace);
        std::uint16_t port = host.address().port;
        CrowdReport first, crowd;
        const char go = 'g';
        if (!child.send(&port, sizeof port) || !child.receive(first) || first.served != 1) {
            state.SkipWithError(
                ("the first client was not served: " + std::string(first.firstError)).c_str());
            break;
        }
        // Heap memory that is free goes back to the system, so that none of it hides growth.
        ::malloc_trim(0);
        long rssBefore = statusValue("VmRSS");
        long fdsBefore = openDescriptors();
        if (!child.send(&go, 1) || !child.receive(crowd)) {
            state.SkipWithError("the client process ended early");
            break;
        }
        long rssAfter = statusValue("VmRSS");
        long fdsAfter = openDescriptors();
        long threads = statusValue("Threads");
        int live = host.liveObjects();
        child.send(&go, 1);
        int exitCode = child.join();
        if (crowd.served != kConnectedObjects || live != kConnectedObjects + 1 || exitCode != 0) {
            state.SkipWithError((std::to_string(crowd.served) + " of " +
                                 std::to_string(kConnectedObjects) + " clients served, " +
                                 std::to_string(live) + " objects live, client exit code " +
                                 std::to_string(exitCode) + "; first error: " + crowd.firstError)
                                    .c_str());
            break;
        }
        state.counters["rss_per_object_kib"] =
            static_cast<double>(rssAfter - rssBefore) / kConnectedObjects;
        state.counters["client_rss_per_connection_kib"] =
            static_cast<double>(crowd.rssGrowthKib) / kConnectedObjects;
        state.counters["fds_per_object"] =
            static_cast<double>(fdsAfter - fdsBefore) / kConnectedObjects;
        state.counters["server_threads"] = static_cast<double>(threads);
        state.counters["server_rss_mib"] = static_cast<double>(rssAfter) / 1024;
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Workspace workspace("transport", 1);
    auto with = [&workspace](void (*run)(benchmark::State&, const Workspace&)) {
        return [run, &workspace](benchmark::State& state) { run(state, workspace); };
    };
    benchmark::RegisterBenchmark("BM_IdleObjectMemory", with(BM_IdleObjectMemory))
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BM_RoundTrip", with(BM_RoundTrip))
        ->MinTime(2.0)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BM_TlsRoundTrip", with(BM_TlsRoundTrip))
        ->MinTime(2.0)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BM_Throughput", with(BM_Throughput))
        ->Arg(1)
        ->Arg(16)
        ->MinTime(2.0)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
