#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace zorvanil::bench {

inline double median(std::vector<double> v) {
    if (v.empty()) return 0;
    auto middle = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), middle, v.end());
    return *middle;
}

// The sides of a ratio benchmark, each timed over a block of runs in turn, so that a core that
// drifts slows every side alike; the times of each block in seconds per run.
class Sides {
  public:
    explicit Sides(int block) : block_(block) {}

    void add(std::string name, std::function<void()> run) {
        sides_.push_back({std::move(name), std::move(run), {}});
    }
    void timeBlock() {
        for (Side& side : sides_) {
            auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < block_; ++i)
                side.run();
            std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            side.seconds.push_back(took.count() / block_);
        }
    }
    const std::vector<double>& seconds(const std::string& name) const {
        for (const Side& side : sides_)
            if (side.name == name) return side.seconds;
        throw std::logic_error("no side " + name);
    }
    // The median time of one run of every side, in microseconds.
    void timeCounters(benchmark::State& state) const {
        for (const Side& side : sides_)
            state.counters[side.name + "_us"] = median(side.seconds) * 1e6;
    }
    // The runs per second of every side, from its median time.
    void rateCounters(benchmark::State& state, const std::string& suffix) const {
        for (const Side& side : sides_) {
            const double seconds = median(side.seconds);
            state.counters[side.name + suffix] = seconds > 0 ? 1 / seconds : 0;
        }
    }

  private:
    struct Side {
        std::string name;
        std::function<void()> run;
        std::vector<double> seconds;
    };
    int block_;
    std::vector<Side> sides_;
};

// `counter` = the median over the blocks of own / (the sum of the other sides' times).
inline void ratioCounter(benchmark::State& state, const Sides& sides, const std::string& counter,
                         const std::string& own, const std::vector<std::string>& others) {
    const std::vector<double>& mine = sides.seconds(own);
    std::vector<double> ratios;
    for (std::size_t b = 0; b < mine.size(); ++b) {
        double sum = 0;
        for (const std::string& other : others)
            sum += sides.seconds(other)[b];
        ratios.push_back(mine[b] / sum);
    }
    state.counters[counter] = median(ratios);
}

}  // namespace zorvanil::bench
