#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace zorvanil::schema::demo {

// Deterministic randomness: splitmix64, and only integer arithmetic on its output, so the same
// seed gives the same database with any compiler and standard library. For that, the numbers
// are drawn one statement at a time: compilers evaluate the arguments of a call, and the
// operands of +, in different orders, so no call and no sum draws more than one of them.
// Where a row takes several numbers, they are drawn from its last column to its first, the
// order its values have always had.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A number in [0, n).
    std::int64_t below(std::int64_t n) {
        return n <= 1 ? 0 : static_cast<std::int64_t>(next() % static_cast<std::uint64_t>(n));
    }
    // A number in [low, high].
    std::int64_t between(std::int64_t low, std::int64_t high) {
        return low + below(high - low + 1);
    }
    int intBetween(int low, int high) { return static_cast<int>(between(low, high)); }
    bool percent(int p) { return below(100) < p; }
    template <typename T>
    const T& pick(std::span<const T> items) {
        return items[static_cast<std::size_t>(below(static_cast<std::int64_t>(items.size())))];
    }

  private:
    std::uint64_t state_;
};

// One independent stream per table, so that the rows of one table do not depend on how many
// numbers an earlier table drew.
inline Random streamFor(std::uint64_t seed, std::string_view table) {
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (char c : table)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    Random mixer(seed ^ hash);
    return Random(mixer.next());
}

}  // namespace zorvanil::schema::demo
