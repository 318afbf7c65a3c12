#include <gtest/gtest.h>

#include <array>
#include <set>

#include "engine/random/random_stream.h"

TEST(RandomStream, SameSeedAndPurposeRepeatOthersDiffer)
{
    const RandomStream a(42, GrainDrawPurpose(3));
    const RandomStream b(42, GrainDrawPurpose(3));
    const RandomStream otherPurpose(42, GrainDrawPurpose(4));
    const RandomStream otherSeed(43, GrainDrawPurpose(3));
    const RandomStream otherLane(42, GrainDrawPurpose(3), 1);
    std::set<std::uint64_t> values;
    for (std::uint64_t i = 0; i < 1000; ++i) {
        ASSERT_EQ(a.At(i), b.At(i));
        values.insert(a.At(i));
        values.insert(otherPurpose.At(i));
        values.insert(otherSeed.At(i));
        values.insert(otherLane.At(i));
    }
    EXPECT_EQ(values.size(), 4000u);  // no value shared among 64-bit streams
}

// Units fill [0, 1) evenly; BelowAt(n) gives each of 0 .. n − 1 about
// equally; neighbouring indexes are as unrelated as any two.
TEST(RandomStream, UnitsAndIntegersAreUniform)
{
    const RandomStream stream(1, GrainDrawPurpose(1));
    std::array<int, 10> deciles{};
    std::array<int, 3> thirds{};
    std::array<int, 4> pairs{};
    for (std::uint64_t i = 0; i < 100000; ++i) {
        const double unit = stream.UnitAt(i);
        ASSERT_GE(unit, 0.0);
        ASSERT_LT(unit, 1.0);
        ++deciles[static_cast<std::size_t>(unit * 10)];
        const std::uint32_t third = stream.BelowAt(i, 3);
        ASSERT_LT(third, 3u);
        ++thirds[third];
        ++pairs[(unit < 0.5 ? 0 : 2) + (stream.UnitAt(i + 1) < 0.5 ? 0 : 1)];
    }
    for (const int count : deciles)
        EXPECT_NEAR(count, 10000, 500);  // 5 standard deviations
    for (const int count : thirds)
        EXPECT_NEAR(count, 33333, 750);
    for (const int count : pairs)
        EXPECT_NEAR(count, 25000, 700);
}
