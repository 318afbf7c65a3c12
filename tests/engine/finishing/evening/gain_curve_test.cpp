// A gain curve asked for at any frame: points every 100 ms, straight lines
// between them, an open sound's last stretch and a loop's seam.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "engine/finishing/evening/gain_curve.h"

namespace {

constexpr std::uint64_t kStep = CurvePlacement::kPointFrames;

}  // namespace

TEST(GainCurve, PointsCoverTheSound)
{
    // An open sound needs a point at or past its last frame; a loop's last
    // stretch ends at point 0 instead.
    EXPECT_EQ((CurvePlacement{1, 0, false}.PointCount()), 2u);
    EXPECT_EQ((CurvePlacement{kStep, 0, false}.PointCount()), 2u);
    EXPECT_EQ((CurvePlacement{kStep + 1, 0, false}.PointCount()), 3u);
    EXPECT_EQ((CurvePlacement{kStep, 0, true}.PointCount()), 1u);
    EXPECT_EQ((CurvePlacement{kStep + 1, 0, true}.PointCount()), 2u);
    EXPECT_EQ((CurvePlacement{0, 0, false}.PointCount()), 0u);
}

TEST(GainCurve, StraightLinesBetweenThePoints)
{
    const CurvePlacement placement{2 * kStep, 0, false};
    const GainCurve curve(placement, {1.0f, 0.5f, 2.0f});
    EXPECT_EQ(curve.At(0), 1.0);
    EXPECT_EQ(curve.At(kStep), 0.5);
    EXPECT_DOUBLE_EQ(curve.At(kStep / 2), 0.75);
    EXPECT_DOUBLE_EQ(curve.At(kStep + kStep / 10), 0.65);
    // Past the last frame, the last frame's gain.
    EXPECT_EQ(curve.At(2 * kStep + 100), curve.At(2 * kStep - 1));
    EXPECT_EQ(GainCurve().At(12345), 1.0);
}

// A loop of 2.5 stretches whose points start at frame 1000: the last
// stretch, half as long, runs from point 2 back to point 0 through the seam,
// and frame 999 (the last before the origin) is its last frame.
TEST(GainCurve, ALoopRunsFromItsLastPointToItsFirst)
{
    const std::uint64_t frames = 2 * kStep + kStep / 2;
    const CurvePlacement placement{frames, 1000, true};
    const GainCurve curve(placement, {1.0f, 2.0f, 3.0f});
    EXPECT_EQ(curve.At(1000), 1.0);
    EXPECT_EQ(curve.At(1000 + kStep), 2.0);
    EXPECT_EQ(curve.At(1000 + 2 * kStep), 3.0);
    const std::uint64_t fifthOfLast = 1000 + 2 * kStep + kStep / 10;  // a fifth into the last stretch
    EXPECT_DOUBLE_EQ(curve.At(fifthOfLast), 2.6);
    EXPECT_DOUBLE_EQ(curve.At(999), 1.0 + 2.0 / static_cast<double>(kStep / 2));
}

TEST(GainCurve, RefusesFactorsThatDoNotFitThePlacement)
{
    EXPECT_THROW(GainCurve(CurvePlacement{kStep, 0, false}, {1.0f}), std::invalid_argument);
    EXPECT_THROW(GainCurve(CurvePlacement{kStep, 5, false}, {1.0f, 1.0f}), std::invalid_argument);
    EXPECT_THROW(GainCurve(CurvePlacement{kStep, kStep, true}, {1.0f}), std::invalid_argument);
}
