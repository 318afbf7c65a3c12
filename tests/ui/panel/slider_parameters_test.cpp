#include <gtest/gtest.h>

#include "ui/dialog_template/main_window_ids.h"
#include "engine/parameters/parameter_table.h"
#include "ui/panel/slider_parameters.h"

namespace {

GenerationSettings SettingsAt(int sliderId, int position)
{
    PanelPositions positions = StartPositions();
    positions[SliderIndexOf(*FindSliderParameter(sliderId))] = position;
    GenerationSettings settings;
    FillSettings(positions, settings);
    return settings;
}

}  // namespace

TEST(SliderParameters, EveryPositionShowsAValueTheEngineAccepts)
{
    for (const SliderParameter& parameter : kSliderParameters) {
        const ParameterRow& row = RowOf(parameter.m_parameter);
        EXPECT_EQ(ShownValue(parameter, parameter.m_nMinPos), row.m_dMinimum) << parameter.m_nSliderId;
        EXPECT_EQ(ShownValue(parameter, parameter.m_nMaxPos), row.m_dMaximum) << parameter.m_nSliderId;
        for (int position = parameter.m_nMinPos; position <= parameter.m_nMaxPos; ++position)
            EXPECT_TRUE(IsAllowedValue(row, ShownValue(parameter, position))) << parameter.m_nSliderId;
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
