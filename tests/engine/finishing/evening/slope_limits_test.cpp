// Slope limits on a curve of gains and the rounding of their corners: how far
// the curve may turn per point, from which side it is held, and its seam.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/finishing/evening/slope_limits.h"

namespace {

constexpr float kStep = 0.5f;
// Sums of a few floats round in their last bits: far below any step here.
constexpr float kRounding = 1e-5f;

double SteepestStep(const std::vector<float>& values, CurveEnds ends)
{
    double steepest = 0.0;
    for (std::size_t k = 0; k + 1 < values.size(); ++k)
        steepest = std::max(steepest, std::fabs(double{values[k + 1]} - values[k]));
    if (ends == CurveEnds::Circular)
        steepest = std::max(steepest, std::fabs(double{values.front()} - values.back()));
    return steepest;
}

// A flat curve at 0 with one sharp dip of depth at index at.
std::vector<float> Dip(std::size_t count, std::size_t at, float depth)
{
    std::vector<float> values(count, 0.0f);
    values[at] = -depth;
    return values;
}

}  // namespace

TEST(SlopeLimits, FromBelowTurnsEarlyIntoADipAndOutAtTheStep)
{
    std::vector<float> values = Dip(41, 20, 5.0f);
    LimitSlopeFromBelow(values, kStep, CurveEnds::Open);
    // The dip stays as deep, and the curve reaches it in a straight line of
    // kStep per point from 10 points either side (5 / 0.5).
    EXPECT_FLOAT_EQ(values[20], -5.0f);
    for (std::size_t k = 0; k < values.size(); ++k) {
        const float distance = std::fabs(static_cast<float>(k) - 20.0f);
        EXPECT_NEAR(values[k], std::min(0.0f, -5.0f + kStep * distance), kRounding) << k;
    }
}

// Whatever the input, the result turns at most kStep per point and lies on
// the side it is held from; a curve that already turns slowly is left as it is.
TEST(SlopeLimits, HoldTheSlopeAndTheSide)
{
    std::vector<float> rough(200);
    for (std::size_t k = 0; k < rough.size(); ++k)
        rough[k] = static_cast<float>(8.0 * std::sin(0.7 * static_cast<double>(k)) + 3.0 * std::cos(2.3 * k));
    std::vector<float> gentle(200);
    for (std::size_t k = 0; k < gentle.size(); ++k)
        gentle[k] = static_cast<float>(4.0 * std::sin(0.05 * static_cast<double>(k)));  // at most 0.2 per point
    for (const CurveEnds ends : {CurveEnds::Open, CurveEnds::Circular}) {
        std::vector<float> below = rough;
        std::vector<float> above = rough;
        LimitSlopeFromBelow(below, kStep, ends);
        LimitSlopeFromAbove(above, kStep, ends);
        EXPECT_LE(SteepestStep(below, ends), kStep + kRounding);
        EXPECT_LE(SteepestStep(above, ends), kStep + kRounding);
        for (std::size_t k = 0; k < rough.size(); ++k) {
            EXPECT_LE(below[k], rough[k]);
            EXPECT_GE(above[k], rough[k]);
        }
        std::vector<float> kept = gentle;
        LimitSlopeFromBelow(kept, kStep, CurveEnds::Open);
        EXPECT_EQ(kept, gentle);
    }
}

// A dip at the first point of a loop pulls down the last points too (they
// come just before it); an open curve's last points know nothing of it.
TEST(SlopeLimits, ALoopTurnsThroughItsSeam)
{
    std::vector<float> open = Dip(40, 0, 4.0f);
    std::vector<float> loop = open;
    LimitSlopeFromBelow(open, kStep, CurveEnds::Open);
    LimitSlopeFromBelow(loop, kStep, CurveEnds::Circular);
    EXPECT_FLOAT_EQ(open.back(), 0.0f);
    EXPECT_NEAR(loop.back(), -4.0f + kStep, kRounding);
    EXPECT_NEAR(loop[39 - 6], -0.5f, kRounding);  // 7 points from the dip, round the seam
    EXPECT_LE(SteepestStep(loop, CurveEnds::Circular), kStep + kRounding);
}

TEST(SlopeLimits, RoundedCornersStayBelowTurnNoFasterAndSoften)
{
    for (const CurveEnds ends : {CurveEnds::Open, CurveEnds::Circular}) {
        std::vector<float> values = Dip(61, 30, 6.0f);
        LimitSlopeFromBelow(values, kStep, ends);
        const std::vector<float> cornered = values;
        std::vector<float> scratch(values.size());
        RoundCorners(values, scratch, 3, ends);
        EXPECT_LE(SteepestStep(values, ends), kStep + kRounding);
        for (std::size_t k = 0; k < values.size(); ++k)
            EXPECT_LE(values[k], cornered[k] + kRounding) << k;
        // The corner at the bottom of the V turned by 2 × kStep in one point;
        // rounded, it turns by less in every point.
        double sharpest = 0.0;
        for (std::size_t k = 1; k + 1 < values.size(); ++k)
            sharpest = std::max(sharpest, std::fabs(double{values[k + 1]} - 2.0 * values[k] + values[k - 1]));
        EXPECT_LT(sharpest, kStep);
        std::vector<float> flat(50, -2.5f);
        RoundCorners(flat, scratch, 3, ends);
        EXPECT_EQ(flat, std::vector<float>(50, -2.5f));
    }
}
