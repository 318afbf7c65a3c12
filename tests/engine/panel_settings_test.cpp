#include <gtest/gtest.h>

#include <cmath>

#include "panel_settings.h"

namespace {

GenerationSettings SettingsFor(const PanelValues& values)
{
    GenerationSettings settings;
    FillSettings(values, settings);
    return settings;
}

PanelValues WithDensityAndRange(int density, int scanRange)
{
    PanelValues values;
    values.m_nDensity = density;
    values.m_nScanRange = scanRange;
    return values;
}

}  // namespace

TEST(PanelSettings, StartValuesGiveTheDefaultRun)
{
    const GenerationSettings settings = SettingsFor(PanelValues{});
    EXPECT_EQ(settings.m_dVolume, 0.5);
    EXPECT_EQ(settings.m_nFadeSeconds, 3);
    EXPECT_EQ(settings.m_nGrainsPerSecond, 4000);
    EXPECT_EQ(settings.m_nGrainFrames, 35280);
    EXPECT_EQ(settings.m_nScanFrames, 133);  // 11 + floor(489 × 0.25)
    EXPECT_EQ(settings.m_nSegmentGrains, 24000);
}

TEST(PanelSettings, ScanRangeSpansFromTheGrainGapTo500Frames)
{
    EXPECT_EQ(SettingsFor(WithDensityAndRange(500, 100)).m_nScanFrames, 500);
    EXPECT_EQ(SettingsFor(WithDensityAndRange(500, 1)).m_nScanFrames, 88);  // 88 + floor(412 / 10000)
    EXPECT_EQ(SettingsFor(WithDensityAndRange(10000, 1)).m_nScanFrames, 4);
    EXPECT_EQ(SettingsFor(WithDensityAndRange(10000, 100)).m_nScanFrames, 500);
}

TEST(PanelSettings, SegmentCountsGrainsAtTheChosenDensity)
{
    PanelValues values;
    values.m_nDensity = 10000;
    values.m_nSegment = 20;
    EXPECT_EQ(SettingsFor(values).m_nSegmentGrains, 200000);
    values.m_nDensity = 500;
    values.m_nSegment = 1;
    EXPECT_EQ(SettingsFor(values).m_nSegmentGrains, 500);
}

TEST(PanelSettings, GrainLengthIsMillisecondsTimes44Point1RoundedDown)
{
    PanelValues values;
    values.m_nGrainLength = 50;
    EXPECT_EQ(SettingsFor(values).m_nGrainFrames, 2205);
    values.m_nGrainLength = 75;
    EXPECT_EQ(SettingsFor(values).m_nGrainFrames, 3307);  // 3307.5
    values.m_nGrainLength = 2000;
    EXPECT_EQ(SettingsFor(values).m_nGrainFrames, 88200);
}

TEST(PanelSettings, VolumeAndFadeEnds)
{
    PanelValues values;
    values.m_nVolume = 1;
    values.m_nFade = 0;
    EXPECT_EQ(SettingsFor(values).m_dVolume, 0.01);
    EXPECT_EQ(SettingsFor(values).m_nFadeSeconds, 0);
    values.m_nVolume = 100;
    values.m_nFade = 10;
    EXPECT_EQ(SettingsFor(values).m_dVolume, 1.0);
    EXPECT_EQ(SettingsFor(values).m_nFadeSeconds, 10);
}

// The desktop program's sliders evaluate the same formulas in doubles; every
// slider position must give the same integer either way.
TEST(PanelSettings, EveryPositionAgreesWithTheDoublePrecisionFormulas)
{
    for (int densityPos = 0; densityPos <= 190; ++densityPos) {
        for (int rangePos = 1; rangePos <= 100; ++rangePos) {
            const int density = 50 * densityPos + 500;
            const int gap = 44100 / density;
            const double share = rangePos * 0.01;
            const int expected = gap + static_cast<int>((500 - gap) * (share * share));
            ASSERT_EQ(SettingsFor(WithDensityAndRange(density, rangePos)).m_nScanFrames, expected)
                << "density " << density << ", range " << rangePos;
        }
    }
    for (int lengthPos = 0; lengthPos <= 78; ++lengthPos) {
        PanelValues values;
        values.m_nGrainLength = 25 * lengthPos + 50;
        const int expected = static_cast<int>((lengthPos + 2) * 1102500 * 0.001);
        ASSERT_EQ(SettingsFor(values).m_nGrainFrames, expected) << "length position " << lengthPos;
    }
}

TEST(PanelSettings, OnlyValuesOnASliderAreAllowed)
{
    EXPECT_TRUE(IsAllowedValue(kDensityLimits, 500));
    EXPECT_TRUE(IsAllowedValue(kDensityLimits, 4050));
    EXPECT_TRUE(IsAllowedValue(kDensityLimits, 10000));
    EXPECT_FALSE(IsAllowedValue(kDensityLimits, 4010));
    EXPECT_FALSE(IsAllowedValue(kDensityLimits, 450));
    EXPECT_FALSE(IsAllowedValue(kDensityLimits, 10050));
    EXPECT_TRUE(IsAllowedValue(kGrainLengthLimits, 825));
    EXPECT_FALSE(IsAllowedValue(kGrainLengthLimits, 810));
    EXPECT_TRUE(IsAllowedValue(kFadeLimits, 0));
    EXPECT_FALSE(IsAllowedValue(kFadeLimits, 11));
    EXPECT_FALSE(IsAllowedValue(kScanRangeLimits, 0));
    EXPECT_FALSE(IsAllowedValue(kVolumeLimits, -5));
}

TEST(PanelSettings, PanelIsAllowedOnlyWhenEveryValueIs)
{
    EXPECT_TRUE(ArePanelValuesAllowed(PanelValues{}));
    PanelValues values;
    values.m_nSegment = 21;
    EXPECT_FALSE(ArePanelValuesAllowed(values));
}
