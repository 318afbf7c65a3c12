// The shape of a drift: knots from the seeded stream, a smooth curve that never
// leaves the range of the knots it joins, and a loop's repeating knots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/automation/drift_noise.h"

namespace {

// The knots are the stream's draws, spread over [-1, 1].
double KnotOf(const RandomStream& stream, std::uint64_t index)
{
    return 2.0 * stream.UnitAt(index) - 1.0;
}

}  // namespace

TEST(DriftNoise, PassesThroughItsKnotsAndStaysBetweenNeighbours)
{
    const RandomStream stream(7, StreamPurpose::Drift, 3);
    const double period = 2.5;
    const DriftNoise noise(stream, period, 100.0, false);
    for (std::uint64_t knot = 0; knot < 40; ++knot) {
        const double from = KnotOf(stream, knot);
        const double to = KnotOf(stream, knot + 1);
        EXPECT_DOUBLE_EQ(noise.At(knot * period), from) << knot;
        for (int i = 1; i < 50; ++i) {
            const double value = noise.At((knot + i / 50.0) * period);
            ASSERT_GE(value, std::min(from, to) - 1e-12) << knot;  // rounding of the cubic's terms
            ASSERT_LE(value, std::max(from, to) + 1e-12) << knot;
        }
    }
}

// Difference quotients on either side of each knot agree: the slope has no
// corner where two periods meet, so the drift never turns abruptly.
TEST(DriftNoise, ItsSlopeIsContinuousAtTheKnots)
{
    const double period = 4.0;
    const DriftNoise noise(RandomStream(11, StreamPurpose::Drift, 0), period, 200.0, false);
    const double h = 1e-5;
    double largestSlope = 0.0;
    for (int knot = 1; knot < 49; ++knot) {
        const double t = knot * period;
        const double left = (noise.At(t) - noise.At(t - h)) / h;
        const double right = (noise.At(t + h) - noise.At(t)) / h;
        // Without a corner the quotients differ by about h × the curvature,
        // which stays below 24 per period² (1.5 per s² here): 1.5e-5. A
        // corner would part them by a slope's size, about 0.1.
        EXPECT_NEAR(left, right, 1e-4) << knot;
        largestSlope = std::max(largestSlope, std::abs(left));
    }
    EXPECT_GT(largestSlope, 0.05);  // it does move: knots span [-1, 1]
}

TEST(DriftNoise, ALoopRepeatsAWholeNumberOfPeriods)
{
    // 100 s over a period of 7 s: 14 periods of 100/14 s.
    const RandomStream stream(3, StreamPurpose::Drift, 5);
    const double length = 100.0;
    const DriftNoise loop(stream, 7.0, length, true);
    EXPECT_NEAR(loop.At(3 * length / 14), KnotOf(stream, 3), 1e-12);  // the knot, up to the rounding of its time
    EXPECT_NEAR(loop.At(length), loop.At(0.0), 1e-12);
    const double h = 1e-5;
    const double slopeAtEnd = (loop.At(length) - loop.At(length - h)) / h;
    const double slopeAtStart = (loop.At(h) - loop.At(0.0)) / h;
    EXPECT_NEAR(slopeAtEnd, slopeAtStart, 1e-4);  // h × the curvature, as above
    // An open track of the same length does not repeat.
    const DriftNoise open(stream, 7.0, length, false);
    EXPECT_GT(std::abs(open.At(length) - open.At(0.0)), 1e-3);
}

TEST(DriftNoise, ALoopShorterThanAPeriodHoldsOneKnot)
{
    const RandomStream stream(3, StreamPurpose::Drift, 5);
    const DriftNoise loop(stream, 60.0, 20.0, true);
    for (double t = 0.0; t <= 20.0; t += 0.5)
        EXPECT_EQ(loop.At(t), KnotOf(stream, 0));
}
