// Decoding an AS_ApplyUpdates request, side by side: the request parsed whole and its Delta read
// from the parsed JSON (`parsed`), against the request parsed without its packets and the Delta
// read straight from the message text (`straight`), which is what the transport does. Both sides
// scan the text for its members, as the request parser does. The sides run in turn, a block of
// runs each, so that a core that drifts slows both alike.
//
// BM_DecodeApply/LINES: a change packet of LINES new customers (10 is the size of a delivery
// note's apply, 40,000 some 10 MB). Counters: each side's median time of one decode in
// microseconds, and straight_over_parsed, the median of the ratios of the blocks.

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "bench_requests.hpp"
#include "net/json_members.hpp"
#include "packet/data_packet.hpp"
#include "packet/json_codec.hpp"
#include "packet/json_parser.hpp"
#include "side_by_side.hpp"

namespace {

using namespace zorvanil;

// A request applying `rows` new customers, as memory_bench sends them.
std::string applyRequest(int rows) {
    return R"({"jsonrpc":"2.0","id":7,"method":"AS_ApplyUpdates","params":{"ProviderName":)"
           R"("DSPQ_CLIENTES","Delta":)" +
           packet::jsonText(bench::newCustomers(1, static_cast<std::size_t>(rows))) +
           R"(,"MaxErrors":0,"OwnerData":null}})";
}

std::size_t parsedSide(packet::JsonParser& parser, const std::string& request) {
    boost::system::error_code ec;
    boost::json::value message = parser.parse(request, ec);
    const net::JsonMembers members = net::scanJsonMembers(request);
    if (ec || !members.repeated.empty()) throw std::runtime_error("the request does not parse");
    return packet::dataPacketFromJson(message.at("params").at("Delta")).rows.size();
}

std::size_t straightSide(packet::JsonParser& parser, const std::string& request) {
    boost::system::error_code ec;
    boost::json::value message = parser.parseLeavingOut(request, "params", ec);
    const net::JsonMembers members = net::scanJsonMembers(request);
    if (ec || !members.repeated.empty()) throw std::runtime_error("the request does not parse");
    std::string_view delta;
    for (const auto& [name, text] : members.params)
        if (name == "Delta") delta = text;
    return packet::dataPacketFromJsonText(delta).rows.size();
}

void BM_DecodeApply(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    const std::string request = applyRequest(rows);
    packet::JsonParser parser;
    if (parsedSide(parser, request) != std::size_t(rows) ||
        straightSide(parser, request) != std::size_t(rows))
        throw std::runtime_error("a side reads another packet");
    bench::Sides sides(rows > 1000 ? 1 : 200);
    sides.add("parsed", [&] { benchmark::DoNotOptimize(parsedSide(parser, request)); });
    sides.add("straight", [&] { benchmark::DoNotOptimize(straightSide(parser, request)); });
    for (auto _ : state)
        sides.timeBlock();
    sides.timeCounters(state);
    bench::ratioCounter(state, sides, "straight_over_parsed", "straight", {"parsed"});
    state.counters["request_bytes"] = static_cast<double>(request.size());
}
BENCHMARK(BM_DecodeApply)->Arg(10)->Arg(40000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
