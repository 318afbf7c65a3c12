// Octave levels as a grain reading them hears them: each level keeps its
// passband at its level, holds nothing above its Nyquist frequency that could
// fold back, and lines up with the source frame for frame.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/source/octave_levels.h"
#include "tests/engine/tone_fit.h"

namespace {

constexpr std::size_t kSourceFrames = 44100;
// Frames at each end of a level that the zeros outside the source reach: the
// filter's half length (61 frames) at each level, and less again from the
// levels above it.
constexpr std::size_t kEdgeFrames = 128;

OctaveLevels Build(const std::vector<StereoFrame>& source, int levels)
{
    OctaveLevels octaves;
    EXPECT_TRUE(octaves.Build(source, levels, SystemAllocate));
    return octaves;
}

// The amplitude of a tone (in cycles per frame of the level) in level k,
// and the level's peak, both away from its ends, in dB re full scale.
double ToneIn(const OctaveLevels& octaves, int k, double cyclesPerFrame)
{
    const std::span<const StereoFrame> level = octaves.Level(k);
    return Decibels(FitTone(level, cyclesPerFrame, kEdgeFrames, level.size() - 2 * kEdgeFrames).m_dAmplitude, 1.0);
}

double PeakIn(const OctaveLevels& octaves, int k)
{
    return Decibels(PeakOf(octaves.Level(k), kEdgeFrames, octaves.Level(k).size() - 2 * kEdgeFrames), 1.0);
}

std::size_t g_nBytesAsked = 0;

std::unique_ptr<std::byte[]> RecordingAllocate(std::size_t bytes)
{
    g_nBytesAsked += bytes;
    return SystemAllocate(bytes);
}

std::unique_ptr<std::byte[]> RefusingAllocate(std::size_t)
{
    return nullptr;
}

}  // namespace

// Level 1: a tone at 0.15 of the source's rate (0.3 of level 1's) lies in the
// passband, flat to ±0.0002 dB: 0.05 dB leaves room for the fit. Full-scale
// tones at 0.26 and 0.34 of the rate (15 kHz at 44100 Hz) lie in the
// stopband, 94.9 dB down, and would fold to 0.48 and 0.32 of level 1's rate:
// neither the fold nor anything else away from the ends may pass 90 dB down.
TEST(OctaveLevels, FirstLevelKeepsThePassbandAndLeavesNoAlias)
{
    EXPECT_NEAR(ToneIn(Build(SineFrames(kSourceFrames, 0.15, 0.5, 0.4), 1), 1, 0.3), Decibels(0.5, 1.0), 0.05);
    for (const double cycles : {0.26, 0.34}) {
        const OctaveLevels octaves = Build(SineFrames(kSourceFrames, cycles, 1.0, 1.3), 1);
        EXPECT_LT(ToneIn(octaves, 1, 1.0 - 2.0 * cycles), -90.0) << cycles;
        EXPECT_LT(PeakIn(octaves, 1), -90.0) << cycles;
    }
}

// Every deeper level does to the one above it what level 1 does to the
// source: a passband tone comes through (0.05 dB for each filter passed), a
// stopband tone does not.
TEST(OctaveLevels, EveryLevelIsBandLimitedLikeTheFirst)
{
    for (int k = 2; k <= OctaveLevels::kMaxLevel; ++k) {
        const double scale = std::ldexp(1.0, k - 1);  // source frames per frame of level k − 1
        EXPECT_NEAR(ToneIn(Build(SineFrames(kSourceFrames, 0.15 / scale, 0.5), k), k, 0.3), Decibels(0.5, 1.0),
                    0.05 * k)
            << k;
        EXPECT_LT(PeakIn(Build(SineFrames(kSourceFrames, 0.3 / scale, 1.0), k), k), -90.0) << k;
    }
}

// The low-pass is centred, so frame i of level k is the source at frame
// i × 2^k. A 100 Hz tone lies deep in every passband, flat to 2.3e-5 of its
// amplitude per level: 2e-5 covers two levels of a tone of 0.5 and the 32-bit
// rounding, where a delay of a single source frame would miss by 0.007.
TEST(OctaveLevels, LevelFramesLineUpWithTheSource)
{
    const std::vector<StereoFrame> source = SineFrames(kSourceFrames, 100.0 / 44100.0, 0.5, 0.2);
    const OctaveLevels octaves = Build(source, 2);
    for (int k = 1; k <= 2; ++k) {
        const std::span<const StereoFrame> level = octaves.Level(k);
        for (std::size_t i = kEdgeFrames; i + kEdgeFrames < level.size(); ++i)
            ASSERT_NEAR(level[i].left, source[i << k].left, 2e-5) << "level " << k << ", frame " << i;
    }
}

TEST(OctaveLevels, EachLevelHoldsHalfTheFramesOfTheOneAbove)
{
    const std::vector<StereoFrame> source(44101, StereoFrame{0.25f, 0.25f});
    const OctaveLevels octaves = Build(source, OctaveLevels::kMaxLevel + 3);
    ASSERT_EQ(octaves.Count(), OctaveLevels::kMaxLevel + 1);
    EXPECT_EQ(octaves.Level(0).data(), source.data());
    const std::size_t expected[] = {44101, 22051, 11026, 5513, 2757, 1379};
    for (int k = 0; k <= OctaveLevels::kMaxLevel; ++k) {
        EXPECT_EQ(octaves.Level(k).size(), expected[k]) << k;
        EXPECT_EQ(OctaveLevels::LevelFrames(44101, k), expected[k]) << k;
    }
    EXPECT_TRUE(octaves.Level(-1).empty());
    EXPECT_TRUE(octaves.Level(OctaveLevels::kMaxLevel + 1).empty());
    EXPECT_NEAR(octaves.Level(3)[2000].left, 0.25f, 1e-5);  // a constant is in every passband
    EXPECT_EQ(Build(source, -3).Count(), 1);
    for (const std::size_t frames : {0, 1, 2, 5}) {
        const OctaveLevels tiny = Build(std::vector<StereoFrame>(frames, StereoFrame{1.0f, -1.0f}), 3);
        EXPECT_EQ(tiny.Level(1).size(), (frames + 1) / 2);
        EXPECT_EQ(tiny.Level(3).size(), frames == 0 ? 0u : 1u);
    }
}

TEST(OctaveLevels, IncrementChoosesTheLevel)
{
    const std::pair<double, int> expected[] = {
        {1.0, 0},  {1.0000000001, 0}, {0.5, 0}, {0.0, 0},  {1.5, 1},           {2.0, 1},
        {2.1, 2},  {4.0, 2},          {4.0000000001, 2},   {16.0, 4},          {1e6, OctaveLevels::kMaxLevel},
        {-1.0, 0}, {-2.1, 2},         {-4.0, 2},  {std::numeric_limits<double>::infinity(), OctaveLevels::kMaxLevel},
        {std::nan(""), 0},
    };
    for (const auto& [increment, level] : expected)
        EXPECT_EQ(OctaveLevels::LevelFor(increment), level) << increment;
}

TEST(OctaveLevels, LevelsTakeLessMemoryThanTheSourceOrNoneAtAll)
{
    const std::vector<StereoFrame> source(kSourceFrames, StereoFrame{0.5f, 0.5f});
    g_nBytesAsked = 0;
    OctaveLevels octaves;
    EXPECT_TRUE(octaves.Build(source, OctaveLevels::kMaxLevel, RecordingAllocate));
    EXPECT_GT(g_nBytesAsked, 0u);
    EXPECT_LT(g_nBytesAsked, kSourceFrames * sizeof(StereoFrame));
    EXPECT_FALSE(octaves.Build(source, 2, RefusingAllocate));
    EXPECT_EQ(octaves.Count(), 0);
    EXPECT_TRUE(octaves.Level(0).empty());
    EXPECT_TRUE(octaves.Build(source, 0, RefusingAllocate));  // level 0 needs no memory of its own
    EXPECT_EQ(octaves.Count(), 1);
}
