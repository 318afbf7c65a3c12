#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <set>
#include <string>

#include "engine/parameters/parameter_table.h"
#include "engine/random/random_stream.h"
#include "engine/run/generation_settings.h"

namespace {

GenerationSettings SettingsFor(const ParameterValues& values)
{
    GenerationSettings settings;
    ApplyParameters(values, settings);
    return settings;
}

}  // namespace

TEST(ParameterTable, StartValuesGiveTheDefaultRun)
{
    const GenerationSettings settings = SettingsFor(ParameterValues{});
    EXPECT_EQ(settings.m_dVolume, 0.5);
    EXPECT_EQ(settings.m_nFadeSeconds, 3);
    EXPECT_EQ(settings.m_nGrainsPerSecond, 4000);
    EXPECT_EQ(settings.m_nGrainFrames, 35280);
    EXPECT_EQ(settings.m_nScanFrames, 133);  // 11 + floor(489 × 0.25)
    EXPECT_EQ(settings.m_nSegmentGrains, 24000);
}

// The ends of each slider: the scan range runs from the gap between grain
// starts to 500 frames, a segment counts grains at the chosen density.
TEST(ParameterTable, SliderEndsGiveTheirSettings)
{
    auto panel = [](int density, int scanRange, int segment, int grainMs, int volume, int fade) {
        ParameterValues values;
        values.Set(ParameterId::Density, density);
        values.Set(ParameterId::ScanRange, scanRange);
        values.Set(ParameterId::Segment, segment);
        values.Set(ParameterId::GrainLength, grainMs);
        values.Set(ParameterId::Volume, volume);
        values.Set(ParameterId::Fade, fade);
        return SettingsFor(values);
    };
    const GenerationSettings low = panel(500, 1, 1, 50, 1, 0);
    EXPECT_EQ(low.m_nScanFrames, 88);  // 88 + floor(412 / 10000)
    EXPECT_EQ(low.m_nSegmentGrains, 500);
    EXPECT_EQ(low.m_nGrainFrames, 2205);
    EXPECT_EQ(low.m_dVolume, 0.01);
    EXPECT_EQ(low.m_nFadeSeconds, 0);
    const GenerationSettings high = panel(10000, 100, 20, 2000, 100, 10);
    EXPECT_EQ(high.m_nScanFrames, 500);
    EXPECT_EQ(high.m_nSegmentGrains, 200000);
    EXPECT_EQ(high.m_nGrainFrames, 88200);
    EXPECT_EQ(high.m_dVolume, 1.0);
    EXPECT_EQ(high.m_nFadeSeconds, 10);
    EXPECT_EQ(panel(10000, 1, 1, 75, 1, 0).m_nScanFrames, 4);
    EXPECT_EQ(panel(500, 100, 1, 75, 1, 0).m_nScanFrames, 500);
    EXPECT_EQ(panel(500, 1, 1, 75, 1, 0).m_nGrainFrames, 3307);  // 3307.5
}

// The desktop program's sliders evaluate the same formulas in doubles; every
// slider position must give the same integer either way.
TEST(ParameterTable, EveryPositionAgreesWithTheDoublePrecisionFormulas)
{
    for (int densityPos = 0; densityPos <= 190; ++densityPos) {
        for (int rangePos = 1; rangePos <= 100; ++rangePos) {
            const int density = 50 * densityPos + 500;
            const int gap = 44100 / density;
            const double share = rangePos * 0.01;
            const int expected = gap + static_cast<int>((500 - gap) * (share * share));
            ParameterValues values;
            values.Set(ParameterId::Density, density);
            values.Set(ParameterId::ScanRange, rangePos);
            ASSERT_EQ(SettingsFor(values).m_nScanFrames, expected)
                << "density " << density << ", range " << rangePos;
        }
    }
    for (int lengthPos = 0; lengthPos <= 78; ++lengthPos) {
        ParameterValues values;
        values.Set(ParameterId::GrainLength, 25 * lengthPos + 50);
        const int expected = static_cast<int>((lengthPos + 2) * 1102500 * 0.001);
        ASSERT_EQ(SettingsFor(values).m_nGrainFrames, expected) << "length position " << lengthPos;
    }
}

// Every slider position is allowed (checked with the panel's sliders); here
// the values beside them. Below the density slider's 500, the command line
// and scores allow every whole number down to 1.
TEST(ParameterTable, ValuesOffASliderAreRefused)
{
    EXPECT_TRUE(IsAllowedValue(RowOf(ParameterId::Density), 4050));
    for (const double density : {4010.0, 10050.0, 0.0, 2.5, 499.5})
        EXPECT_FALSE(IsAllowedValue(RowOf(ParameterId::Density), density)) << density;
    for (const double density : {1.0, 450.0, 499.0})
        EXPECT_TRUE(IsAllowedValue(RowOf(ParameterId::Density), density)) << density;
    EXPECT_EQ(LowestOf(RowOf(ParameterId::Density)), 1.0);
    EXPECT_EQ(LowestOf(RowOf(ParameterId::GrainLength)), 50.0);
    EXPECT_TRUE(IsAllowedValue(RowOf(ParameterId::GrainLength), 825));
    EXPECT_FALSE(IsAllowedValue(RowOf(ParameterId::GrainLength), 810));
    EXPECT_FALSE(IsAllowedValue(RowOf(ParameterId::Fade), 11));
    EXPECT_FALSE(IsAllowedValue(RowOf(ParameterId::ScanRange), 0));
    EXPECT_FALSE(IsAllowedValue(RowOf(ParameterId::Volume), -5));
}

// Sparse densities: the read position's step never falls below the gap
// between two grain starts, so below 89 grains a second (a gap over 500
// frames) it is the gap at every scanning range; a segment counts whole
// grains, one at the least.
TEST(ParameterTable, SparseDensitiesStepByTheGap)
{
    const auto settings = [](int density, int scanRange, int segment) {
        return SettingsFor(ParameterValues()
                               .With(ParameterId::Density, density)
                               .With(ParameterId::ScanRange, scanRange)
                               .With(ParameterId::Segment, segment));
    };
    EXPECT_EQ(settings(1, 100, 1).m_nScanFrames, 44100);
    EXPECT_EQ(settings(1, 1, 1).m_nScanFrames, 44100);
    EXPECT_EQ(settings(1, 1, 1).m_nSegmentGrains, 1);
    EXPECT_EQ(settings(1, 1, 1).m_nGrainsPerSecond, 1);
    EXPECT_EQ(settings(88, 100, 6).m_nScanFrames, 501);
    EXPECT_EQ(settings(89, 100, 6).m_nScanFrames, 500);
    EXPECT_EQ(settings(89, 50, 6).m_nScanFrames, 496);  // 495 + floor(5 × 0.25)
    EXPECT_EQ(settings(10, 50, 6).m_nSegmentGrains, 60);
}

// The ids of each row's random streams are part of every seeded output that
// uses them: a drift or a per-grain draw keyed by anything else (the row's
// place in the table, say) would change when a row is added. Changing one of
// these changes stored scores' sound.
TEST(ParameterTable, RandomStreamIdsStayWhatTheyWere)
{
    struct Ids {
        const char* m_szName;
        std::uint32_t m_nDriftLane;
        std::uint32_t m_nGrainStream;
    };
    const Ids expected[] = {
        {"scan-range", 0, 0}, {"segment", 1, 0},      {"density", 2, 0},   {"grain-length", 3, 0},
        {"volume", 4, 0},     {"fade", 5, 0},         {"pitch", 6, 0},     {"pitch-spread", 7, 1},
        {"pitch-set", 8, 2},  {"pan-spread", 9, 3},   {"reverse", 10, 4},  {"window", 11, 0},
        {"low-cut", 12, 0},   {"pan", 13, 0},         {"high-cut", 14, 0}, {"tone-low-cut", 15, 0},
        {"tone-slope", 16, 0}, {"gain-spread", 17, 8},
    };
    for (const Ids& ids : expected) {
        const ParameterRow* row = FindParameter(ids.m_szName);
        ASSERT_NE(row, nullptr) << ids.m_szName;
        EXPECT_EQ(row->m_nDriftLane, ids.m_nDriftLane) << ids.m_szName;
        EXPECT_EQ(row->m_nGrainStream, ids.m_nGrainStream) << ids.m_szName;
    }
}

// A new row takes ids of its own: two rows on one lane or one stream would
// drift or draw alike. Grain streams 5, 6 and 7 are the drift's, the layers' and the dither's.
TEST(ParameterTable, NoTwoRowsShareARandomStream)
{
    std::set<std::uint32_t> lanes;
    std::set<std::uint32_t> streams;
    for (const ParameterRow& row : ParameterTable()) {
        EXPECT_LE(row.m_nDriftLane, kLastDriftLane) << row.m_szName;
        EXPECT_TRUE(lanes.insert(row.m_nDriftLane).second) << row.m_szName;
        if (row.m_nGrainStream == 0)
            continue;
        EXPECT_TRUE(streams.insert(row.m_nGrainStream).second) << row.m_szName;
        EXPECT_NE(row.m_nGrainStream, static_cast<std::uint32_t>(StreamPurpose::Drift)) << row.m_szName;
        EXPECT_NE(row.m_nGrainStream, static_cast<std::uint32_t>(StreamPurpose::LayerSeed)) << row.m_szName;
        EXPECT_NE(row.m_nGrainStream, static_cast<std::uint32_t>(StreamPurpose::Dither)) << row.m_szName;
    }
}

// What the columns allow together: only a layer's number can drift, only a
// layer's value can move, the score key is the name with underscores, and
// the desktop program's six sliders are the rows it shows, in its order.
TEST(ParameterTable, ColumnsAgreeWithEachOther)
{
    for (const ParameterRow& row : ParameterTable()) {
        std::string key = row.m_szName;
        for (char& c : key)
            c = c == '-' ? '_' : c;
        EXPECT_EQ(key, row.m_szScoreKey) << row.m_szName;
        EXPECT_EQ(FindParameter(row.m_szScoreKey), &row) << row.m_szName;
        if (row.m_scope == ParameterScope::Track) {
            EXPECT_FALSE(row.m_bMoves || row.m_bDrifts || row.m_bAlwaysWritten) << row.m_szName;
        }
        if (row.m_bDrifts) {
            EXPECT_TRUE(row.m_bMoves) << row.m_szName;
            EXPECT_TRUE(row.m_kind == ParameterKind::Whole || row.m_kind == ParameterKind::Real) << row.m_szName;
        }
    }
    const std::array<ParameterId, 6> sliders = {ParameterId::ScanRange, ParameterId::Segment,
                                                ParameterId::Density,   ParameterId::GrainLength,
                                                ParameterId::Volume,    ParameterId::Fade};
    EXPECT_EQ(DesktopParameters(), sliders);
}
