// A value's line through keyframes: the shapes of the curves, holds before and
// after, several keyframes at one time, and lines out of and into silence.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/automation/keyframe_curves.h"

TEST(CurveProgress, EveryCurveStartsAtZeroAndOnlyTheLinesMove)
{
    for (const Curve curve : {Curve::Linear, Curve::Smooth, Curve::Step})
        EXPECT_EQ(CurveProgress(curve, 0.0), 0.0);
    EXPECT_EQ(CurveProgress(Curve::Linear, 0.25), 0.25);
    EXPECT_EQ(CurveProgress(Curve::Smooth, 0.5), 0.5);  // S-shaped about its middle
    EXPECT_EQ(CurveProgress(Curve::Smooth, 1.0), 1.0);
    EXPECT_LT(CurveProgress(Curve::Smooth, 0.25), 0.25);  // slow at first
    EXPECT_GT(CurveProgress(Curve::Smooth, 0.75), 0.75);  // and slow again at the end
    EXPECT_EQ(CurveProgress(Curve::Step, 0.999), 0.0);
}

TEST(CurveProgress, SmoothNeverLeavesItsEndsAndRisesThroughout)
{
    double previous = 0.0;
    for (int i = 1; i <= 1000; ++i) {
        const double progress = CurveProgress(Curve::Smooth, i / 1000.0);
        ASSERT_GT(progress, previous) << i;
        ASSERT_LE(progress, 1.0) << i;
        previous = progress;
    }
}

TEST(KeyframeLine, HoldsBeforeTheFirstPointAndAfterTheLast)
{
    KeyframeLine line(2.0);
    line.Add(10.0, 4.0, Curve::Linear);
    EXPECT_EQ(line.At(-3.0), 2.0);
    EXPECT_EQ(line.At(0.0), 2.0);
    EXPECT_EQ(line.At(5.0), 3.0);
    EXPECT_EQ(line.At(10.0), 4.0);
    EXPECT_EQ(line.At(1e6), 4.0);
    EXPECT_EQ(line.Lowest(), 2.0);
    EXPECT_EQ(line.Highest(), 4.0);
    EXPECT_FALSE(line.HoldsOnly(2.0));
}

TEST(KeyframeLine, APointAtTheStartReplacesTheStartingValue)
{
    KeyframeLine line(7.0);
    line.Add(0.0, 1.0, Curve::Smooth);
    EXPECT_EQ(line.At(0.0), 1.0);
    EXPECT_EQ(line.At(50.0), 1.0);
    EXPECT_TRUE(line.HoldsOnly(1.0));
    EXPECT_EQ(line.PointValues(), (std::vector<double>{1.0}));
}

// The line reaches the first of two points at one time; the second holds from
// that time on and starts the next line.
TEST(KeyframeLine, OfSeveralPointsAtOneTimeTheLastHoldsFromThen)
{
    KeyframeLine line(0.0);
    line.Add(10.0, 10.0, Curve::Linear);
    line.Add(10.0, -10.0, Curve::Linear);
    line.Add(20.0, 0.0, Curve::Linear);
    EXPECT_NEAR(line.At(9.999), 9.999, 1e-9);  // rounding of the line's fraction
    EXPECT_EQ(line.At(10.0), -10.0);
    EXPECT_EQ(line.At(15.0), -5.0);
}

// A line out of or into silence moves the factor 10^(dB/20) along its curve:
// a fade, halfway at half the factor (-6 dB), not at half the decibels.
TEST(KeyframeLine, LinesOutOfAndIntoSilenceFadeTheFactor)
{
    const auto factor = [](double decibels) { return std::pow(10.0, decibels / 20.0); };
    KeyframeLine line(-INFINITY);
    line.Add(10.0, 0.0, Curve::Linear);
    line.Add(20.0, -INFINITY, Curve::Smooth);
    line.Add(30.0, -INFINITY, Curve::Linear);
    line.Add(40.0, -20.0, Curve::Linear);
    EXPECT_EQ(line.At(0.0), -INFINITY);
    EXPECT_NEAR(factor(line.At(1e-6)), 1e-7, 1e-15);  // a ten-millionth of the way up
    EXPECT_NEAR(factor(line.At(2.5)), 0.25, 1e-12);
    EXPECT_NEAR(line.At(5.0), -6.0206, 1e-4);
    EXPECT_NEAR(factor(line.At(15.0)), 0.5, 1e-12);  // smooth passes its middle halfway
    EXPECT_NEAR(factor(line.At(12.5)), 1.0 - CurveProgress(Curve::Smooth, 0.25), 1e-12);
    EXPECT_GT(line.At(19.999), -INFINITY);
    EXPECT_EQ(line.At(20.0), -INFINITY);
    EXPECT_EQ(line.At(25.0), -INFINITY);  // a hold in silence stays silent
    EXPECT_NEAR(factor(line.At(35.0)), 0.05, 1e-12);  // half of -20 dB's factor 0.1
    EXPECT_EQ(line.At(40.0), -20.0);
}

TEST(KeyframeLine, AStepHoldsTheEarlierValueUpToItsTime)
{
    KeyframeLine line(1.0);
    line.Add(10.0, 5.0, Curve::Step);
    EXPECT_EQ(line.At(9.9999999), 1.0);
    EXPECT_EQ(line.At(10.0), 5.0);
    EXPECT_EQ(line.At(11.0), 5.0);
}
