// Grains' levels held where they arise: a grain that reads a place far from
// the source's median loudness is brought to the edge of half the range
// around it, a grain within keeps its level, silence is never lifted, and a
// lift goes no higher than the place stands above the silence gate.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "engine/source/grain_level_hold.h"

namespace {

constexpr double kSecond = 44100.0;
constexpr double kRange = 6.0;

// White noise, second by second at the levels given in dB (minus infinity:
// digital silence).
std::vector<StereoFrame> Places(const std::vector<double>& levelsDb)
{
    std::vector<StereoFrame> frames;
    std::uint32_t state = 777;
    for (const double db : levelsDb) {
        const double gain = std::isinf(db) ? 0.0 : std::pow(10.0, db / 20.0);
        for (int i = 0; i < 44100; ++i) {
            state = state * 1664525u + 1013904223u;
            const auto sample = static_cast<float>(gain * (static_cast<double>(state >> 8) / 8388608.0 - 1.0));
            frames.push_back({sample, sample});
        }
    }
    return frames;
}

}  // namespace

TEST(GrainLevelHold, BringsALoudPlaceDownToHalfTheRangeAboveTheMedian)
{
    const GrainLevelHold hold(SourceLoudness(Places({0.0, -25.0, -25.0, -25.0})), kRange);
    // The median is the quiet places': their grains keep their level.
    EXPECT_EQ(hold.GainOf(1.5 * kSecond, 0.8 * kSecond), 1.0);
    EXPECT_EQ(hold.GainOf(2.2 * kSecond, 0.8 * kSecond), 1.0);
    // A grain of the loud second: 25 dB over, brought to 3 over.
    EXPECT_NEAR(hold.GainDbOf(0.1 * kSecond, 0.8 * kSecond), -22.0, 0.3);
    // One that reads a little of it is brought to the same edge.
    const double edge = hold.GainDbOf(0.75 * kSecond, 0.8 * kSecond);
    EXPECT_LT(edge, -3.0);
    EXPECT_GT(edge, -22.0);
}

TEST(GrainLevelHold, LiftsAQuietPlaceNoHigherThanItStandsAboveTheSilenceGate)
{
    // Mostly loud: the gate lies 40 LU under the mean, about 41 dB under the
    // loud places; a place 25 dB down stands about 16 dB above it.
    const GrainLevelHold hold(SourceLoudness(Places({0.0, 0.0, 0.0, -25.0})), kRange);
    const double lift = hold.GainDbOf(3.1 * kSecond, 0.8 * kSecond);
    EXPECT_NEAR(lift, hold.MedianLufs() - 25.0 - hold.GateLufs(), 0.3);
    EXPECT_LT(lift, 22.0);  // short of the range's edge
    EXPECT_GT(lift, 15.0);
}

TEST(GrainLevelHold, LeavesSilenceWhereItIs)
{
    const double silent = -std::numeric_limits<double>::infinity();
    const GrainLevelHold hold(SourceLoudness(Places({0.0, silent, -80.0, 0.0})), kRange);
    EXPECT_EQ(hold.GainOf(1.1 * kSecond, 0.8 * kSecond), 1.0);
    EXPECT_EQ(hold.GainOf(2.1 * kSecond, 0.8 * kSecond), 1.0);
    const GrainLevelHold nothing(SourceLoudness(Places({silent, silent})), kRange);
    EXPECT_TRUE(nothing.IsSilent());
    EXPECT_EQ(nothing.GainOf(0.5 * kSecond, 0.8 * kSecond), 1.0);
}

// A short grain is weighed over 400 ms around its middle: a grain of 10 ms
// just inside the quiet places, 0.1 s after the loud second, hears the loud
// second in that width and is brought down with it.
TEST(GrainLevelHold, WeighsAShortGrainOverTheMomentaryWindow)
{
    const GrainLevelHold hold(SourceLoudness(Places({0.0, -25.0, -25.0, -25.0})), kRange);
    EXPECT_LT(hold.GainDbOf(1.1 * kSecond, 441.0), -3.0);
    EXPECT_EQ(hold.GainOf(1.5 * kSecond, 441.0), 1.0);
}
