// The main window's parts as the window opens.
#include <gtest/gtest.h>

#include <wx/choice.h>

#include "ui/controls/bitmap_slider.h"
#include "ui/dialog_template/main_window_ids.h"
#include "ui/panel/minute_second_picker.h"
#include "tests/ui/panel/panel_test_support.h"
#include "ui/panel/resource_estimate.h"

TEST(WindowStart, SlidersAndLabelsStandAtTheirStartValues)
{
    PartsHost host;
    EXPECT_EQ(host.ValueLabels(), kStartLabels);
    const ParameterPanel& panel = host.Parts().GetPanel();
    for (const SliderParameter& parameter : kSliderParameters) {
        const BitmapSlider* slider = panel.GetSlider(parameter.m_nSliderId);
        ASSERT_NE(slider, nullptr);
        EXPECT_EQ(slider->GetRangeMin(), parameter.m_nMinPos);
        EXPECT_EQ(slider->GetRangeMax(), parameter.m_nMaxPos);
        EXPECT_EQ(slider->GetPos(), parameter.m_nStartPos);
        // Pictures 133 and 135.
        EXPECT_EQ(slider->GetChannelSize(), wxSize(63, 20));
        EXPECT_EQ(slider->GetThumbSize(), wxSize(8, 16));
    }
}

TEST(WindowStart, FifteenSecondsWithTheFirstPresetItsFiguresAndNoFiles)
{
    PartsHost host;
    const OutputLength& length = host.Parts().GetLength();
    EXPECT_EQ(length.GetPicker()->GetDisplayText(), "00:15");
    EXPECT_EQ(host.Parts().GetDurationSeconds(), 15);
    const wxChoice* presets = length.GetPresetList();
    ASSERT_EQ(presets->GetCount(), 6u);
    EXPECT_EQ(presets->GetStringSelection(), "15 secods test");
    EXPECT_EQ(presets->GetString(5), "10 minutes");

    EXPECT_EQ(host.TextOf(IDC_REQUIRED_DISK), "2 MB");
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_MEMORY), "5 MB");  // 661500 frames × 8 bytes + 352800 of window table
    EXPECT_EQ(host.TextOf(IDC_AVAILABLE_DISK), FigureText(FreeDiskMegabytes(OutputDiskFolder(""))));
    EXPECT_GT(host.Parts().GetFigures().GetAvailableDiskMB(), 0);

    for (int id : {IDC_INPUT_NAME, IDC_OUTPUT_NAME, IDC_INPUT_TIME_LINE, IDC_INPUT_FORMAT_LINE})
        EXPECT_EQ(host.TextOf(id), "") << id;
    EXPECT_FALSE(host.Parts().GetInputFacts().IsValid());
}
