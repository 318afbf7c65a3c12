#include <gtest/gtest.h>

#include <cmath>

#include "engine/parameters/parameter_table.h"

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
