#include <gtest/gtest.h>

#include "ui/dialog_template/main_window_ids.h"
#include "engine/panel_settings.h"
#include "ui/panel/slider_parameters.h"

namespace {

const ParameterLimits& EngineLimitsOf(int sliderId)
{
    switch (sliderId) {
    case IDC_SCAN_RANGE: return kScanRangeLimits;
    case IDC_SEGMENT: return kSegmentLimits;
    case IDC_DENSITY: return kDensityLimits;
    case IDC_GRAIN_LENGTH: return kGrainLengthLimits;
    case IDC_VOLUME: return kVolumeLimits;
    default: return kFadeLimits;
    }
}

GenerationSettings SettingsAt(int sliderId, int position)
{
    PanelPositions positions = StartPositions();
    positions.*FindSliderParameter(sliderId)->m_pPosition = position;
    GenerationSettings settings;
    FillSettings(positions, settings);
    return settings;
}

}  // namespace

TEST(SliderParameters, EveryPositionShowsAValueTheEngineAccepts)
{
    for (const SliderParameter& parameter : kSliderParameters) {
        const ParameterLimits& limits = EngineLimitsOf(parameter.m_nSliderId);
        EXPECT_EQ(ShownValue(parameter, parameter.m_nMinPos), limits.m_nMinimum) << parameter.m_nSliderId;
        EXPECT_EQ(ShownValue(parameter, parameter.m_nMaxPos), limits.m_nMaximum) << parameter.m_nSliderId;
        for (int position = parameter.m_nMinPos; position <= parameter.m_nMaxPos; ++position)
            EXPECT_TRUE(IsAllowedValue(limits, ShownValue(parameter, position))) << parameter.m_nSliderId;
    }
}

TEST(SliderParameters, PositionsMapThroughTheirShownValues)
{
    EXPECT_EQ(SettingsAt(IDC_DENSITY, 0).m_nGrainsPerSecond, 500);
    EXPECT_EQ(SettingsAt(IDC_GRAIN_LENGTH, 0).m_nGrainFrames, 2205);    // 50 ms
    EXPECT_EQ(SettingsAt(IDC_GRAIN_LENGTH, 78).m_nGrainFrames, 88200);  // 2000 ms
    EXPECT_EQ(SettingsAt(IDC_VOLUME, 1).m_dVolume, 0.01);
    EXPECT_EQ(SettingsAt(IDC_SCAN_RANGE, 100).m_nScanFrames, 500);
}
