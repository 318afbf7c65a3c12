#include <gtest/gtest.h>

#include <array>
#include <set>

#include "engine/synthesis/random_stream.h"

TEST(RandomStream, SameSeedAndPurposeRepeatOthersDiffer)
{
    RandomStream a(42, StreamPurpose::Pan);
    RandomStream b(42, StreamPurpose::Pan);
    RandomStream otherPurpose(42, StreamPurpose::Reverse);
    RandomStream otherSeed(43, StreamPurpose::Pan);
    RandomStream otherLane(42, StreamPurpose::Pan, 1);
    std::set<std::uint64_t> firsts;
    for (int i = 0; i < 1000; ++i) {
        const std::uint64_t value = a.Next();
        ASSERT_EQ(value, b.Next());
        firsts.insert(value);
        firsts.insert(otherPurpose.Next());
        firsts.insert(otherSeed.Next());
        firsts.insert(otherLane.Next());
    }
    EXPECT_EQ(firsts.size(), 4000u);  // no value shared among 64-bit streams
}

// Units fill [0, 1) evenly; Below(n) gives each of 0 .. n − 1 about equally.
TEST(RandomStream, UnitsAndIntegersAreUniform)
{
    RandomStream stream(1, StreamPurpose::PitchSpread);
    std::array<int, 10> deciles{};
    std::array<int, 3> thirds{};
    for (int i = 0; i < 100000; ++i) {
        const double unit = stream.Unit();
        ASSERT_GE(unit, 0.0);
        ASSERT_LT(unit, 1.0);
        ++deciles[static_cast<std::size_t>(unit * 10)];
        const std::uint32_t third = stream.Below(3);
        ASSERT_LT(third, 3u);
        ++thirds[third];
    }
    for (const int count : deciles)
        EXPECT_NEAR(count, 10000, 500);  // 5 standard deviations
    for (const int count : thirds)
        EXPECT_NEAR(count, 33333, 750);
}
