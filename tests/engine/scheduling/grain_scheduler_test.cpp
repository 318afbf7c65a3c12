// The grain events a render decides: where each reads, how it is transposed,
// reversed and placed, and that every read stays inside the source.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/scheduling/grain_scheduler.h"

namespace {

constexpr std::uint64_t kSourceFrames = 200000;

GrainSettings Settings(const GrainVariation& variation = {})
{
    GrainSettings settings;
    settings.m_nGrainsPerSecond = 4000;
    settings.m_nGrainFrames = 3307;
    settings.m_nScanFrames = 133;
    settings.m_nSegmentGrains = 2000;
    settings.m_dVolume = 0.5;
    settings.m_variation = variation;
    return settings;
}

// Every grain of outputFrames frames, decided from seed.
std::vector<GrainEvent> Schedule(const GrainSettings& settings, std::uint64_t outputFrames = 44100,
                                 std::uint32_t seed = 7, std::uint64_t sourceFrames = kSourceFrames)
{
    GrainScheduler scheduler;
    scheduler.SetSettings(settings);
    scheduler.SetRandomState(seed);
    scheduler.Begin(sourceFrames, outputFrames);
    std::vector<GrainEvent> events;
    while (!scheduler.IsComplete())
        events.push_back(scheduler.PlaceNext());
    return events;
}

double LastRead(const GrainEvent& grain)
{
    return grain.m_dFirstRead + (grain.m_nFrames - 1) * grain.m_dIncrement;
}

}  // namespace

// Plain settings give plain grains at the positions the scan walk gives on its
// own over the span the source leaves after one grain and one frame.
TEST(GrainScheduler, PlainGrainsReadWhereTheScanWalkGoes)
{
    const GrainSettings settings = Settings();
    const std::vector<GrainEvent> events = Schedule(settings);
    ScanWalk walk;
    walk.SetRandomState(7);
    walk.SetSpan(static_cast<std::uint32_t>(kSourceFrames - 3307 - 1));
    walk.SetScanFrames(settings.m_nScanFrames);
    walk.SetSegmentGrains(settings.m_nSegmentGrains);
    ASSERT_EQ(events.size(), 4001u);
    for (std::size_t k = 0; k < events.size(); ++k) {
        ASSERT_TRUE(events[k].m_bPlain) << k;
        ASSERT_EQ(events[k].m_nSource, walk.ChooseGrainPosition(static_cast<std::int32_t>(k))) << k;
        ASSERT_EQ(events[k].m_nFrames, 3307);
    }
}

TEST(GrainScheduler, LongestReadFollowsTheHighestTransposition)
{
    GrainVariation up;
    up.m_dPitch = 12.0;
    EXPECT_EQ(GrainScheduler::LongestRead(Settings()), 3307u);
    EXPECT_EQ(GrainScheduler::LongestRead(Settings(up)), 2u * 3306 + 1);
    GrainVariation down;
    down.m_dPitch = -12.0;
    EXPECT_EQ(GrainScheduler::LongestRead(Settings(down)), 1653u + 1);
    GrainVariation spread;
    spread.m_dPitch = -12.0;
    spread.m_pitchSet = {0.0, 24.0};
    spread.m_dPitchSpread = 4.0;  // highest: -12 + 24 + 2 = 14 semitones
    EXPECT_EQ(GrainScheduler::LongestRead(Settings(spread)),
              static_cast<std::uint64_t>(std::ceil(3306 * std::exp2(14.0 / 12.0))) + 1);
    GrainVariation reversed;
    reversed.m_dReverse = 1.0;
    EXPECT_EQ(GrainScheduler::LongestRead(Settings(reversed)), 3307u);
}

// The widest transposition and every grain reversed, on a source barely long
// enough: no read position leaves the source.
TEST(GrainScheduler, TransposedAndReversedReadsStayInsideTheSource)
{
    GrainVariation variation;
    variation.m_dPitch = 24.0;
    variation.m_dPitchSpread = 24.0;
    variation.m_pitchSet = {-24.0, 0.0, 24.0};
    variation.m_dReverse = 0.5;
    const GrainSettings settings = Settings(variation);
    const std::uint64_t source = GrainScheduler::LongestRead(settings) + 1;
    for (const std::uint32_t seed : {1u, 2u, 3u}) {
        for (const GrainEvent& grain : Schedule(settings, 44100, seed, source)) {
            ASSERT_GE(std::min(grain.m_dFirstRead, LastRead(grain)), 0.0);
            ASSERT_LE(std::max(grain.m_dFirstRead, LastRead(grain)), static_cast<double>(source - 1));
        }
    }
}

TEST(GrainScheduler, ReversedGrainsReadTheirStretchBackwards)
{
    GrainVariation variation;
    variation.m_dReverse = 1.0;
    variation.m_dPitch = 7.0;
    for (const GrainEvent& grain : Schedule(Settings(variation))) {
        ASSERT_FALSE(grain.m_bPlain);
        ASSERT_LT(grain.m_dIncrement, 0.0);
        ASSERT_NEAR(LastRead(grain), grain.m_nSource, 1e-6);  // the stretch ends where it begins forwards
    }
    variation.m_dReverse = 0.5;
    const std::vector<GrainEvent> half = Schedule(Settings(variation));
    const auto reversed = std::count_if(half.begin(), half.end(), [](const GrainEvent& g) { return g.m_dIncrement < 0; });
    // 4001 fair draws: 5 standard deviations are 158 grains.
    EXPECT_NEAR(static_cast<double>(reversed), 2000.5, 160.0);
}

TEST(GrainScheduler, PitchSetGivesOnlyItsIntervalsAndAllOfThem)
{
    GrainVariation variation;
    variation.m_pitchSet = {0.0, 12.0, -7.0};
    int counts[3] = {};
    for (const GrainEvent& grain : Schedule(Settings(variation))) {
        const double increment = grain.m_dIncrement;
        if (increment == 1.0)
            ++counts[0];
        else if (increment == 2.0)
            ++counts[1];
        else if (std::fabs(increment - std::exp2(-7.0 / 12.0)) < 1e-15)
            ++counts[2];
        else
            ADD_FAILURE() << "increment " << increment;
        EXPECT_EQ(grain.m_bPlain, increment == 1.0);
    }
    for (const int count : counts)
        EXPECT_NEAR(count, 4001 / 3.0, 150.0);  // about 5 standard deviations
}

TEST(GrainScheduler, PitchSpreadStaysWithinHalfAroundThePitch)
{
    GrainVariation variation;
    variation.m_dPitch = -3.0;
    variation.m_dPitchSpread = 4.0;
    double lowest = 100.0;
    double highest = -100.0;
    for (const GrainEvent& grain : Schedule(Settings(variation))) {
        const double semitones = 12.0 * std::log2(grain.m_dIncrement);
        lowest = std::min(lowest, semitones);
        highest = std::max(highest, semitones);
    }
    EXPECT_GE(lowest, -5.0 - 1e-9);
    EXPECT_LE(highest, -1.0 + 1e-9);
    EXPECT_LT(lowest, -4.9);  // 4001 draws reach close to both ends
    EXPECT_GT(highest, -1.1);
}

// Equal power: the squares of the two gains add up to twice the volume's
// square wherever a grain is placed, and a spread of 40 % keeps every grain
// within 40 % of the way from the centre to either side.
TEST(GrainScheduler, PanSpreadPlacesGrainsWithEqualPower)
{
    GrainVariation variation;
    variation.m_dPanSpread = 0.4;
    const double volume = Settings().m_dVolume;
    double widest = 0.0;
    for (const GrainEvent& grain : Schedule(Settings(variation))) {
        ASSERT_NEAR(grain.m_dGainLeft * grain.m_dGainLeft + grain.m_dGainRight * grain.m_dGainRight,
                    2.0 * volume * volume, 1e-12);
        const double position = std::atan2(grain.m_dGainRight, grain.m_dGainLeft) / (std::atan(1.0)) - 1.0;
        widest = std::max(widest, std::fabs(position));
        ASSERT_EQ(grain.m_dIncrement, 1.0);
    }
    EXPECT_LE(widest, 0.4 + 1e-12);
    EXPECT_GT(widest, 0.39);
}

// Each property draws from its own stream: turning pan and reversal on leaves
// the transpositions and the read positions as they were.
TEST(GrainScheduler, OnePropertyNeverChangesAnothersDraws)
{
    GrainVariation pitchOnly;
    pitchOnly.m_dPitchSpread = 5.0;
    GrainVariation more = pitchOnly;
    more.m_dPanSpread = 1.0;
    more.m_dReverse = 0.3;
    more.m_window = WindowShape::Tukey;
    const std::vector<GrainEvent> a = Schedule(Settings(pitchOnly));
    const std::vector<GrainEvent> b = Schedule(Settings(more));
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t k = 0; k < a.size(); ++k) {
        ASSERT_EQ(a[k].m_nSource, b[k].m_nSource) << k;
        ASSERT_EQ(std::fabs(a[k].m_dIncrement), std::fabs(b[k].m_dIncrement)) << k;
    }
    // And the scan walk is the plain one wherever the read span is the same.
    GrainVariation panned;
    panned.m_dPanSpread = 1.0;
    const std::vector<GrainEvent> plain = Schedule(Settings());
    const std::vector<GrainEvent> placed = Schedule(Settings(panned));
    for (std::size_t k = 0; k < plain.size(); ++k)
        ASSERT_EQ(plain[k].m_nSource, placed[k].m_nSource) << k;
}

// The same seed decides the same grains; another seed others.
TEST(GrainScheduler, SeedRepeatsEveryDraw)
{
    GrainVariation variation;
    variation.m_dPitchSpread = 12.0;
    variation.m_dPanSpread = 1.0;
    variation.m_dReverse = 0.5;
    const std::vector<GrainEvent> a = Schedule(Settings(variation), 44100, 99);
    const std::vector<GrainEvent> b = Schedule(Settings(variation), 44100, 99);
    const std::vector<GrainEvent> c = Schedule(Settings(variation), 44100, 100);
    for (std::size_t k = 0; k < a.size(); ++k) {
        ASSERT_EQ(a[k].m_dIncrement, b[k].m_dIncrement);
        ASSERT_EQ(a[k].m_dGainLeft, b[k].m_dGainLeft);
    }
    int same = 0;
    for (std::size_t k = 0; k < a.size(); ++k)
        same += a[k].m_dIncrement == c[k].m_dIncrement;
    EXPECT_LT(same, 10);
}

// A timing spread only delays each grain, by less than its spread's share of
// the gap to the next grain's place: the grains keep their order and their
// reads and sounds, grain 0 still opens the output, and at 100 % the delays
// fill the gap.
TEST(GrainScheduler, TimingSpreadDelaysEachGrainWithinItsGap)
{
    GrainSettings grid = Settings();
    grid.m_nGrainsPerSecond = 200;  // 220.5 frames apart
    const std::vector<GrainEvent> even = Schedule(grid);
    for (const double spread : {0.25, 1.0}) {
        SCOPED_TRACE(spread);
        GrainSettings strayed = grid;
        strayed.m_variation.m_dTimingSpread = spread;
        const std::vector<GrainEvent> events = Schedule(strayed);
        ASSERT_EQ(events.size(), even.size());
        EXPECT_EQ(events[0].m_nOutput, 0u);
        double longest = 0.0;
        double sum = 0.0;
        for (std::size_t k = 0; k < events.size(); ++k) {
            ASSERT_EQ(events[k].m_nSource, even[k].m_nSource) << k;
            ASSERT_EQ(events[k].m_bPlain, even[k].m_bPlain) << k;
            ASSERT_GE(events[k].m_nOutput, even[k].m_nOutput) << k;
            const auto delay = static_cast<double>(events[k].m_nOutput - even[k].m_nOutput);
            ASSERT_LT(delay, spread * 220.5) << k;
            if (k > 0) {
                ASSERT_GE(events[k].m_nOutput, events[k - 1].m_nOutput) << k;
            }
            longest = std::max(longest, delay);
            sum += delay;
        }
        EXPECT_GT(longest, 0.9 * spread * 220.5);
        // Uniform delays average half the reach (200 grains: within 10 %).
        EXPECT_NEAR(sum / static_cast<double>(events.size()), 0.5 * spread * 220.5, 0.1 * spread * 220.5);
        EXPECT_EQ(BoundsOfSettings(strayed).m_nLatestStartFrames, static_cast<std::int32_t>(std::ceil(spread * 220.5)));
    }
}
