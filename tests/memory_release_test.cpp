#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <ostream>
#include <thread>

#include "host/memory_trim.hpp"
#include "packet/data_packet.hpp"
#include "support/case_names.hpp"
#include "support/eventually.hpp"

namespace zorvanil::test {
namespace {

using namespace std::chrono_literals;

struct TrimCase {
    const char* name;
    int bursts;    // bursts of destructions, each followed by a quiet time
    int perBurst;  // destructions in one burst, one right after the other
    int trims;     // trims expected in the end
};

void PrintTo(const TrimCase& c, std::ostream* os) {
    *os << c.bursts << " bursts of " << c.perBurst;
}

const TrimCase kTrimCases[] = {
    {"NoDestructionNoTrim", 0, 0, 0},
    {"ABurstIsTrimmedOnceWhenItIsOver", 1, 200, 1},
    {"EachQuietTimeAfterABurstTrims", 3, 20, 3},
};

class MemoryTrimming : public ::testing::TestWithParam<TrimCase> {};

TEST_P(MemoryTrimming, TrimsOnceObjectsHaveStoppedGoing) {
    const TrimCase& c = GetParam();
    host::MemoryTrim trim(200ms);
    for (int burst = 0; burst < c.bursts; ++burst) {
        for (int i = 0; i < c.perBurst; ++i)
            trim.objectDestroyed();
        EXPECT_EQ(trim.trims(), burst) << "a trim ran before the burst was over";
        ASSERT_TRUE(eventually([&] { return trim.trims() == burst + 1; }));
    }
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(trim.trims(), c.trims);
}

INSTANTIATE_TEST_SUITE_P(Bursts, MemoryTrimming, ::testing::ValuesIn(kTrimCases), CaseName());

struct TakeCase {
    const char* name;
    bool sharedElsewhere;  // another variant holds the same packet
};

void PrintTo(const TakeCase& c, std::ostream* os) {
    *os << (c.sharedElsewhere ? "shared" : "sole holder");
}

const TakeCase kTakeCases[] = {
    {"TheSoleHolderGivesTheRowsUpWithoutACopy", false},
    {"APacketSharedElsewhereIsCopiedAndStaysWhole", true},
};

class PacketTaking : public ::testing::TestWithParam<TakeCase> {};

TEST_P(PacketTaking, TakesRowsOnlyWhenNobodyElseSeesThem) {
    const TakeCase& c = GetParam();
    auto packet = std::make_shared<packet::DataPacket>();
    for (int i = 0; i < 3; ++i)
        packet->rows.push_back({packet::RowStatus::Inserted, {Variant(i), Variant("ROW")}, {}});
    const packet::PacketRow* rowsBefore = packet->rows.data();
    Variant delta{packet::PacketPtr(std::move(packet))};
    std::optional<Variant> other;
    if (c.sharedElsewhere) other = delta;

    packet::DataPacket taken = packet::takePacket(std::move(delta));
    ASSERT_EQ(taken.rows.size(), 3u);
    EXPECT_EQ(taken.rows[2].values[0].toString(), "2");
    EXPECT_TRUE(delta.isUnassigned());
    EXPECT_EQ(taken.rows.data() == rowsBefore, !c.sharedElsewhere);
    if (other) {
        EXPECT_EQ(other->asPacket()->rows.size(), 3u);
    }
}

INSTANTIATE_TEST_SUITE_P(Holders, PacketTaking, ::testing::ValuesIn(kTakeCases), CaseName());

}  // namespace
}  // namespace zorvanil::test
