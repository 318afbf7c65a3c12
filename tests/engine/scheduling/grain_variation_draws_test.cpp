// A grain's own level: drawn evenly in decibels from 0 down to the spread,
// the same on both channels, from a stream of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/scheduling/grain_variation_draws.h"

TEST(GrainVariationDraws, EachGrainsLevelIsDrawnEvenlyInDecibelsWithinTheSpreadLeavingTheOtherDraws)
{
    GrainVariationDraws draws;
    draws.Begin(20261208);
    GrainVariation placed;
    placed.m_dPanSpread = 0.5;
    placed.m_dPitchSpread = 3.0;
    GrainVariation leveled = placed;
    leveled.m_dGainSpreadDb = 12.0;
    constexpr int kGrains = 20000;
    double lowest = 0.0;
    double highest = -100.0;
    double sum = 0.0;
    int quieterThanHalf = 0;
    for (int k = 0; k < kGrains; ++k) {
        const GrainTraits plain = draws.Draw(placed, k);
        const GrainTraits grain = draws.Draw(leveled, k);
        ASSERT_EQ(grain.m_dSemitones, plain.m_dSemitones) << k;
        const double left = grain.m_dGainLeft / plain.m_dGainLeft;
        ASSERT_NEAR(grain.m_dGainRight / plain.m_dGainRight, left, 1e-12) << k;
        const double db = 20.0 * std::log10(left);
        lowest = std::min(lowest, db);
        highest = std::max(highest, db);
        sum += db;
        quieterThanHalf += db < -6.0;
    }
    EXPECT_GE(lowest, -12.0);
    EXPECT_LE(highest, 0.0);
    EXPECT_LT(lowest, -11.9);
    EXPECT_GT(highest, -0.1);
    EXPECT_NEAR(sum / kGrains, -6.0, 0.15);
    EXPECT_NEAR(static_cast<double>(quieterThanHalf) / kGrains, 0.5, 0.02);
    // Without a spread nothing is drawn for the level: the plain grain stays plain.
    EXPECT_TRUE(draws.Draw(GrainVariation{}, 7).IsPlain());
}
