#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "main_window_ids.h"
#include "panel_settings.h"
#include "slider_parameters.h"

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

TEST(SliderParameters, StartPositionsShowTheStartLabels)
{
    const PanelPositions start = StartPositions();
    std::vector<std::string> labels;
    for (const SliderParameter& parameter : kSliderParameters)
        labels.push_back(ValueLabelText(parameter, start.*parameter.m_pPosition));
    EXPECT_EQ(labels, (std::vector<std::string>{"50", "6", "4000", "800", "50", "3"}));
    EXPECT_EQ(start.m_nDensityPos, 70);
    EXPECT_EQ(start.m_nGrainLengthPos, 30);
}

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

TEST(SliderParameters, EachSliderHasItsOwnLabelAndPosition)
{
    std::set<int> labels;
    PanelPositions marks;
    for (std::size_t i = 0; i < kSliderParameters.size(); ++i) {
        const SliderParameter& parameter = kSliderParameters[i];
        EXPECT_EQ(parameter.m_nLabelId, parameter.m_nSliderId + 1);
        labels.insert(parameter.m_nLabelId);
        marks.*parameter.m_pPosition += 1 << i;
    }
    EXPECT_EQ(labels.size(), 6u);
    // Each field got exactly one slider's mark.
    EXPECT_EQ(std::set<int>({marks.m_nScanRangePos, marks.m_nSegmentPos, marks.m_nDensityPos,
                             marks.m_nGrainLengthPos, marks.m_nVolumePos, marks.m_nFadePos}),
              (std::set<int>{1, 2, 4, 8, 16, 32}));
}

TEST(SliderParameters, RestoreOrderCoversEverySliderOnceVolumeFirst)
{
    std::vector<int> order(kRestoreOrder.begin(), kRestoreOrder.end());
    EXPECT_EQ(order, (std::vector<int>{IDC_VOLUME, IDC_FADE, IDC_SCAN_RANGE, IDC_SEGMENT, IDC_DENSITY,
                                       IDC_GRAIN_LENGTH}));
    EXPECT_EQ(FindSliderParameter(IDC_SCAN_RANGE_VALUE), nullptr);
    EXPECT_EQ(FindSliderParameter(IDC_LENGTH_PICKER), nullptr);
}

TEST(SliderParameters, PositionsMapThroughTheirShownValues)
{
    EXPECT_EQ(SettingsAt(IDC_DENSITY, 0).m_nGrainsPerSecond, 500);
    EXPECT_EQ(SettingsAt(IDC_GRAIN_LENGTH, 0).m_nGrainFrames, 2205);    // 50 ms
    EXPECT_EQ(SettingsAt(IDC_GRAIN_LENGTH, 78).m_nGrainFrames, 88200);  // 2000 ms
    EXPECT_EQ(SettingsAt(IDC_VOLUME, 1).m_dVolume, 0.01);
    EXPECT_EQ(SettingsAt(IDC_SCAN_RANGE, 100).m_nScanFrames, 500);
}
