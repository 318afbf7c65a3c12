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
// filter's half length (61 frames) at each level, and less than that again
// from the levels above it.
constexpr std::size_t kEdgeFrames = 128;

OctaveLevels Build(const std::vector<StereoFrame>& source, int levels)
{
    OctaveLevels octaves;
    EXPECT_TRUE(octaves.Build(source, levels, SystemAllocate));
    return octaves;
}

// The amplitude of a tone of cyclesPerFrame (in the level's own frames) in
// level k, away from its ends.
double AmplitudeIn(const OctaveLevels& octaves, int k, double cyclesPerFrame)
{
    const std::span<const StereoFrame> level = octaves.Level(k);
    return FitTone(level, &StereoFrame::right, cyclesPerFrame, kEdgeFrames, level.size() - 2 * kEdgeFrames)
        .m_dAmplitude;
}

double PeakAwayFromTheEnds(std::span<const StereoFrame> level)
{
    return PeakOf(level, kEdgeFrames, level.size() - 2 * kEdgeFrames);
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

// 0.15 of the rate lies in every level's passband, which is flat to
// ±0.0002 dB; 0.05 dB is the brief's bound, two hundred times that, and
// leaves room for the fit over a finite stretch.
TEST(OctaveLevels, PassbandToneKeepsItsLevel)
{
    const std::vector<StereoFrame> source = SineFrames(kSourceFrames, 0.15, 0.5, 0.4);
    const OctaveLevels octaves = Build(source, 1);
    // 0.15 of the source's rate is 0.3 of level 1's.
    EXPECT_NEAR(Decibels(AmplitudeIn(octaves, 1, 0.3), 0.5), 0.0, 0.05);
}

// A tone of full scale just inside the stopband (0.26 of the source's rate)
// and one well inside it (0.34, 15 kHz at 44100 Hz) would fold back to 0.48
// and 0.32 of level 1's rate. The design holds the stopband 94.9 dB down; the
// bound is 90 dB, for the fold and for anything else left away from the ends.
TEST(OctaveLevels, StopbandTonesLeaveNoAlias)
{
    for (const double cycles : {0.26, 0.34}) {
        const std::vector<StereoFrame> source = SineFrames(kSourceFrames, cycles, 1.0, 1.3);
        const OctaveLevels octaves = Build(source, 1);
        const double alias = 1.0 - 2.0 * cycles;  // in level 1's frames
        const double aliasDb = Decibels(AmplitudeIn(octaves, 1, alias), 1.0);
        const double peakDb = Decibels(PeakAwayFromTheEnds(octaves.Level(1)), 1.0);
        EXPECT_LT(aliasDb, -90.0) << cycles;
        EXPECT_LT(peakDb, -90.0) << cycles;
        RecordProperty("alias_db_at_" + std::to_string(cycles), std::to_string(aliasDb));
        RecordProperty("peak_db_at_" + std::to_string(cycles), std::to_string(peakDb));
    }
}

// Every level does to the one above it what level 1 does to the source:
// a passband tone of the level above comes through (0.05 dB for each of the
// k filters it passed), a stopband tone does not.
TEST(OctaveLevels, EveryLevelIsBandLimitedLikeTheFirst)
{
    for (int k = 2; k <= OctaveLevels::kMaxLevel; ++k) {
        const double scale = std::ldexp(1.0, k - 1);  // source frames per frame of level k − 1
        const std::vector<StereoFrame> pass = SineFrames(kSourceFrames, 0.15 / scale, 0.5);
        EXPECT_NEAR(Decibels(AmplitudeIn(Build(pass, k), k, 0.3), 0.5), 0.0, 0.05 * k) << k;
        const std::vector<StereoFrame> stop = SineFrames(kSourceFrames, 0.3 / scale, 1.0);
        EXPECT_LT(Decibels(PeakAwayFromTheEnds(Build(stop, k).Level(k)), 1.0), -90.0) << k;
    }
}

// The low-pass is centred, so frame i of level k is the source at frame
// i × 2^k. A 100 Hz tone lies deep in every passband, flat to 2.3e-5 of its
// amplitude per level; 4e-5 of 0.5 covers two levels and the 32-bit rounding.
// A delay of a single source frame would miss by 0.007.
TEST(OctaveLevels, LevelFramesLineUpWithTheSource)
{
    const std::vector<StereoFrame> source = SineFrames(kSourceFrames, 100.0 / 44100.0, 0.5, 0.2);
    const OctaveLevels octaves = Build(source, 2);
    for (int k = 1; k <= 2; ++k) {
        const std::span<const StereoFrame> level = octaves.Level(k);
        const std::size_t step = std::size_t{1} << k;
        for (std::size_t i = kEdgeFrames; i + kEdgeFrames < level.size(); ++i) {
            ASSERT_NEAR(level[i].left, source[i * step].left, 2e-5) << "level " << k << ", frame " << i;
            ASSERT_NEAR(level[i].right, source[i * step].right, 2e-5) << "level " << k << ", frame " << i;
        }
    }
}

TEST(OctaveLevels, EachLevelHoldsHalfTheFramesOfTheOneAbove)
{
    const std::vector<StereoFrame> source(44101, StereoFrame{0.25f, 0.25f});
    const OctaveLevels octaves = Build(source, OctaveLevels::kMaxLevel);
    ASSERT_EQ(octaves.Count(), OctaveLevels::kMaxLevel + 1);
    EXPECT_EQ(octaves.Level(0).data(), source.data());
    EXPECT_EQ(octaves.Level(0).size(), 44101u);
    const std::vector<std::size_t> expected{22051, 11026, 5513, 2757, 1379};
    for (int k = 1; k <= OctaveLevels::kMaxLevel; ++k) {
        EXPECT_EQ(octaves.Level(k).size(), expected[k - 1]) << k;
        EXPECT_EQ(OctaveLevels::LevelFrames(44101, k), expected[k - 1]) << k;
    }
    EXPECT_TRUE(octaves.Level(-1).empty());
    EXPECT_TRUE(octaves.Level(OctaveLevels::kMaxLevel + 1).empty());
    // A constant is in every passband: away from the ends it stays itself.
    EXPECT_NEAR(octaves.Level(3)[2000].left, 0.25f, 1e-5);
}

TEST(OctaveLevels, AskingForMoreLevelsThanThereAreBuildsTheMost)
{
    const std::vector<StereoFrame> source(1000, StereoFrame{0.0f, 0.0f});
    EXPECT_EQ(Build(source, 12).Count(), OctaveLevels::kMaxLevel + 1);
    EXPECT_EQ(Build(source, 0).Count(), 1);
    EXPECT_EQ(Build(source, -3).Count(), 1);
}

TEST(OctaveLevels, TinySourcesGiveTinyLevels)
{
    for (const std::size_t frames : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{5}}) {
        const std::vector<StereoFrame> source(frames, StereoFrame{1.0f, -1.0f});
        const OctaveLevels octaves = Build(source, 3);
        EXPECT_EQ(octaves.Count(), 4);
        EXPECT_EQ(octaves.Level(1).size(), (frames + 1) / 2);
        EXPECT_EQ(octaves.Level(3).size(), frames == 0 ? 0u : 1u);
    }
}

TEST(OctaveLevels, IncrementChoosesTheLevel)
{
    EXPECT_EQ(OctaveLevels::LevelFor(1.0), 0);
    EXPECT_EQ(OctaveLevels::LevelFor(1.0000000001), 0);
    EXPECT_EQ(OctaveLevels::LevelFor(0.5), 0);
    EXPECT_EQ(OctaveLevels::LevelFor(0.0), 0);
    EXPECT_EQ(OctaveLevels::LevelFor(1.5), 1);
    EXPECT_EQ(OctaveLevels::LevelFor(2.0), 1);
    EXPECT_EQ(OctaveLevels::LevelFor(2.1), 2);
    EXPECT_EQ(OctaveLevels::LevelFor(4.0), 2);
    EXPECT_EQ(OctaveLevels::LevelFor(4.0000000001), 2);
    EXPECT_EQ(OctaveLevels::LevelFor(16.0), 4);
    EXPECT_EQ(OctaveLevels::LevelFor(1e6), OctaveLevels::kMaxLevel);
    EXPECT_EQ(OctaveLevels::LevelFor(std::numeric_limits<double>::infinity()), OctaveLevels::kMaxLevel);
    EXPECT_EQ(OctaveLevels::LevelFor(std::nan("")), 0);
    // Reading backwards takes the same level as reading forwards.
    EXPECT_EQ(OctaveLevels::LevelFor(-1.0), 0);
    EXPECT_EQ(OctaveLevels::LevelFor(-2.1), 2);
    EXPECT_EQ(OctaveLevels::LevelFor(-4.0), 2);
}

TEST(OctaveLevels, LevelsTakeLessMemoryThanTheSource)
{
    const std::vector<StereoFrame> source(kSourceFrames, StereoFrame{0.0f, 0.0f});
    g_nBytesAsked = 0;
    OctaveLevels octaves;
    EXPECT_TRUE(octaves.Build(source, OctaveLevels::kMaxLevel, RecordingAllocate));
    EXPECT_GT(g_nBytesAsked, 0u);
    EXPECT_LT(g_nBytesAsked, kSourceFrames * sizeof(StereoFrame));
}

TEST(OctaveLevels, WithoutMemoryNoLevelIsHeld)
{
    const std::vector<StereoFrame> source(1000, StereoFrame{0.5f, 0.5f});
    OctaveLevels octaves = Build(source, 2);
    EXPECT_FALSE(octaves.Build(source, 2, RefusingAllocate));
    EXPECT_EQ(octaves.Count(), 0);
    EXPECT_TRUE(octaves.Level(0).empty());
    // Level 0 alone needs no memory of its own.
    EXPECT_TRUE(octaves.Build(source, 0, RefusingAllocate));
    EXPECT_EQ(octaves.Count(), 1);
}
