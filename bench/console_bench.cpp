// What the console costs a read. A real host serves the scale-1 demo database on a free loopback
// port; one connected client reads the first page of 50 customers (AS_GetRecords on
// DSPQ_CLIENTES) in a loop.
//
// BM_ReadWithConsole: the same read on two sides that alternate in blocks of kBlock calls, so
// that a drifting core slows both alike: `quiet`, with nobody looking, and `polled`, while a
// browser-like poller fetches /console.json and /metrics every second (it polls only while the
// polled side runs). polled_over_quiet is the median ratio of the blocks' times (goal: within
// 1.05).
//
// BM_ActivityAccounting: what the activity accounting adds to each call, measured alone: the
// hooks a read runs (call started, three statements sent, call ended) on one object's activity,
// in nanoseconds, and accounting_share, their time as a share of one read's.

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include "app/zorvanil_handlers.hpp"
#include "catalogue/zorvanil_catalogue.hpp"
#include "client/client.hpp"
#include "demo_workspace.hpp"
#include "host/host.hpp"
#include "net/object_activity.hpp"
#include "read/option_tokens.hpp"
#include "side_by_side.hpp"

namespace {

using namespace zorvanil;

constexpr int kBlock = 500;

std::string firstPageOptions() {
    const std::string fields[] = {"0", "50", "1", "1990", "", "-1", "B",
                                  "1", "",   "",  "0",    "", "",   ""};
    std::string out;
    for (const std::string& f : fields)
        out += f + std::string(read::kTokenSeparator);
    return out;
}

struct Served {
    bench::DemoWorkspace workspace{"console", 1};
    std::unique_ptr<host::Host> host;
    Served() {
        host::HostSettings settings;
        settings.net.port = 0;
        settings.net.maxMessagesPerSecond = 0;
        settings.handleSignals = false;
        host = std::make_unique<host::Host>(settings, catalogue::zorvanilCatalogue(),
                                            app::zorvanilHandlers(), workspace.environment());
        host->start();
    }
    ~Served() {
        host->requestStop("the benchmark is over");
        host->wait();
    }
};

Served& served() {
    static Served s;
    return s;
}

void fetch(std::uint16_t port, const char* target) {
    namespace http = boost::beast::http;
    boost::asio::io_context io;
    boost::asio::ip::tcp::resolver resolver(io);
    boost::beast::tcp_stream stream(io);
    stream.connect(resolver.resolve("127.0.0.1", std::to_string(port)));
    http::request<http::empty_body> request(http::verb::get, target, 11);
    request.set(http::field::host, "127.0.0.1");
    http::write(stream, request);
    boost::beast::flat_buffer buffer;
    http::response<http::string_body> response;
    http::read(stream, buffer, response);
    if (response.result_int() != 200) throw std::runtime_error(std::string(target) + " failed");
}

// Fetches the console's pages every second while `on` is set.
class Poller {
  public:
    explicit Poller(std::uint16_t port)
        : thread_([this, port] {
              auto next = std::chrono::steady_clock::now();
              while (!stop_) {
                  if (on_ && std::chrono::steady_clock::now() >= next) {
                      fetch(port, "/console.json");
                      fetch(port, "/metrics");
                      ++polls_;
                      next = std::chrono::steady_clock::now() + std::chrono::seconds(1);
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
          }) {}
    ~Poller() {
        stop_ = true;
        thread_.join();
    }
    void set(bool on) { on_ = on; }
    int polls() const { return polls_; }

  private:
    std::atomic<bool> on_{false};
    std::atomic<bool> stop_{false};
    std::atomic<int> polls_{0};
    std::thread thread_;
};

void BM_ReadWithConsole(benchmark::State& state) {
    Served& s = served();
    client::Client c({"127.0.0.1", s.host->port()});
    c.createObject();
    const std::string options = firstPageOptions();
    auto read = [&] {
        if (c.getRecords("DSPQ_CLIENTES", 50, Variant(options)).recsOut <= 0)
            throw std::runtime_error("the page is empty");
    };
    Poller poller(s.host->port());
    bench::Sides sides(kBlock);
    sides.add("quiet", [&] {
        poller.set(false);
        read();
    });
    sides.add("polled", [&] {
        poller.set(true);
        read();
    });
    for (auto _ : state)
        sides.timeBlock();
    poller.set(false);
    sides.timeCounters(state);
    bench::ratioCounter(state, sides, "polled_over_quiet", "polled", {"quiet"});
    state.counters["polls"] = poller.polls();
}

void BM_ActivityAccounting(benchmark::State& state) {
    net::ServerActivity server;
    net::ObjectActivity activity(server, 1, 1, "127.0.0.1:1");
    const std::string statement(
        "SELECT * FROM CLIENTES  WHERE (NIF LIKE ('B%') OR CHAR(ID_CLIENTE) LIKE ('B%') OR NOMBRE "
        "LIKE ('B%')) AND CHAR(BORRADO) LIKE ('0%') ");
    const auto started = std::chrono::steady_clock::now();
    std::int64_t calls = 0;
    for (auto _ : state) {
        activity.callStarted(1);
        for (int i = 0; i < 3; ++i)
            activity.statementSent(statement);
        activity.callEnded(true, 0);
        ++calls;
    }
    const double ns =
        std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - started)
            .count() /
        static_cast<double>(calls);
    state.counters["accounting_ns"] = ns;
}

}  // namespace

BENCHMARK(BM_ReadWithConsole)->Iterations(30)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ActivityAccounting);

BENCHMARK_MAIN();
