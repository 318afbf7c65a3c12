#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "tests/engine/fake_host.h"
#include "engine/run/generation_run.h"
#include "engine/random/random_generator.h"

TEST(RandomGenerator, StateOneGivesTheKnownDraws)
{
    RandomGenerator generator;
    generator.SetState(1);
    std::vector<int> draws;
    for (int i = 0; i < 9; ++i)
        draws.push_back(generator.Draw());
    EXPECT_EQ(draws, (std::vector<int>{41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962}));
    generator.SetState(1);
    EXPECT_NEAR(generator.Unit(), 0.0012512589, 1e-10);  // 41 / 32767
}

// The largest draw must give 0.999999999999, so no caller ever sees 1.0.
TEST(RandomGenerator, UnitStaysBelowOneEvenForTheLargestDraw)
{
    RandomGenerator draws;
    RandomGenerator units;
    bool sawLargest = false;
    for (int i = 0; i < 1000000 && !sawLargest; ++i) {
        const int draw = draws.Draw();
        const double unit = units.Unit();
        ASSERT_LT(unit, 1.0);
        if (draw == RandomGenerator::kMaxDraw) {
            EXPECT_EQ(unit, 0.999999999999);
            sawLargest = true;
        }
    }
    EXPECT_TRUE(sawLargest);
}

TEST(RandomGenerator, BelowTwoSplitsTheDrawsAtHalfTheirRange)
{
    // Draws 41, 18467, 6334, 26500, 19169, 15724: 1 from 16384 up.
    RandomGenerator generator;
    generator.SetState(1);
    std::vector<std::uint32_t> coins;
    for (int i = 0; i < 6; ++i)
        coins.push_back(generator.Below(2));
    EXPECT_EQ(coins, (std::vector<std::uint32_t>{0, 1, 0, 1, 1, 0}));
}

TEST(RandomGenerator, BelowCoversEveryValueAndNoMore)
{
    RandomGenerator generator;
    std::set<std::uint32_t> seen;
    for (int i = 0; i < 2000; ++i)
        seen.insert(generator.Below(7));
    EXPECT_EQ(seen, (std::set<std::uint32_t>{0, 1, 2, 3, 4, 5, 6}));
}

TEST(RandomGenerator, SeedFoldsTheClockBytesLeastSignificantFirst)
{
    EXPECT_EQ(RandomGenerator::SeedFromTime(305419896), 2042644756u);  // 0x12345678
    EXPECT_EQ(RandomGenerator::SeedFromTime(0), 0u);
    EXPECT_EQ(RandomGenerator::SeedFromTime(1), 257u * 257u * 257u);
}

TEST(RandomGenerator, RunSeedsItsGeneratorFromItsClock)
{
    FakeHost host;
    GenerationRun run(host);
    run.SetClock([] { return std::int64_t{305419896}; });
    run.SeedRandom();
    EXPECT_EQ(run.GetRandomState(), 2042644756u);
}
