#include "UGRandom.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

// The seeds from 0 are 1, 134775814, 134775813 * 134775814 + 1 mod 2^32 = 3698175007, ...
TEST(Random, DrawsTheKnownSequenceFromSeedZero) {
    SetRandomSeed(0);
    EXPECT_EQ(Random(100), 0u); // seed 1
    EXPECT_EQ(RandSeed, 1u);
    EXPECT_EQ(Random(100), 3u); // seed 134775814: 13477581400 >> 32
    EXPECT_EQ(RandSeed, 134775814u);
    EXPECT_EQ(Random(1000), 861u); // seed 3698175007: 3698175007000 >> 32
    EXPECT_EQ(RandSeed, 3698175007u);
    double real = RandomFloat();
    uint32_t seed = 3698175007u * 134775813u + 1u;
    EXPECT_EQ(RandSeed, seed);
    EXPECT_DOUBLE_EQ(real, seed / 4294967296.0);
}

TEST(Random, SameSeedSameNumbersAndAlwaysInRange) {
    SetRandomSeed(0);
    std::vector<uint32_t> first;
    for (int i = 0; i < 1000; ++i) {
        uint32_t value = Random(7);
        ASSERT_LT(value, 7u);
        first.push_back(value);
    }
    SetRandomSeed(0);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(Random(7), first[static_cast<size_t>(i)]);
    }
    for (int i = 0; i < 1000; ++i) {
        double real = RandomFloat();
        ASSERT_GE(real, 0.0);
        ASSERT_LT(real, 1.0);
    }
}

} // namespace
} // namespace qm
