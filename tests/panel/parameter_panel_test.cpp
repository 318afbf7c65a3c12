// The sliders as the user moves them, and Restore.
#include <gtest/gtest.h>

#include <wx/choice.h>
#include <wx/uiaction.h>

#include "bitmap_slider.h"
#include "main_window_ids.h"
#include "minute_second_picker.h"
#include "panel_test_support.h"
#include "temp_dir.h"
#include "test_sounds.h"

namespace {

BitmapSlider& SliderOf(PartsHost& host, int id)
{
    return *host.Parts().GetPanel().GetSlider(id);
}

// Records the scroll notifications that reach the window after the panel has seen them.
struct ScrollLog {
    explicit ScrollLog(wxWindow& window)
    {
        for (auto type : {wxEVT_SCROLL_THUMBTRACK, wxEVT_SCROLL_THUMBRELEASE, wxEVT_SCROLL_CHANGED,
                          wxEVT_SCROLL_LINEUP, wxEVT_SCROLL_LINEDOWN, wxEVT_SCROLL_TOP, wxEVT_SCROLL_BOTTOM})
            window.Bind(type, [this](wxScrollEvent& event) {
                m_types.push_back(event.GetEventType());
                event.Skip();
            });
    }
    int Count(wxEventType type) const { return static_cast<int>(std::count(m_types.begin(), m_types.end(), type)); }
    std::vector<wxEventType> m_types;
};

}  // namespace

TEST(ParameterPanel, DraggingAThumbUpdatesItsLabelBeforeTheRelease)
{
    PartsHost host;
    ScrollLog log(host.Window());
    BitmapSlider& density = SliderOf(host, IDC_DENSITY);
    const wxRect thumb = density.GetThumbRect();
    const wxPoint start = density.ClientToScreen(thumb.GetPosition() + wxSize(thumb.width / 2, thumb.height / 2));

    wxUIActionSimulator sim;
    sim.MouseMove(start);
    PumpEvents();
    sim.MouseDown();
    WaitUntil([&] { return density.HasCapture(); });
    sim.MouseMove(start + wxPoint(12, 0));
    ASSERT_TRUE(WaitUntil([&] { return density.GetPos() > 70; })) << "the thumb did not follow the pointer";
    // Still held: the label already shows the position the thumb is at.
    const int held = density.GetPos();
    EXPECT_EQ(host.TextOf(IDC_DENSITY_VALUE), std::to_string(50 * held + 500));
    EXPECT_EQ(host.Parts().GetPanel().GetPositions().m_nDensityPos, held);
    EXPECT_GT(log.Count(wxEVT_SCROLL_THUMBTRACK), 0);
    EXPECT_EQ(log.Count(wxEVT_SCROLL_THUMBRELEASE), 0);
    SaveScreenshot(host.Window(), "panel-dragging-density");

    sim.MouseMove(start + wxPoint(30, 0));
    WaitUntil([&] { return density.GetPos() > held; });
    sim.MouseUp();
    WaitUntil([&] { return log.Count(wxEVT_SCROLL_THUMBRELEASE) > 0; });
    EXPECT_EQ(host.TextOf(IDC_DENSITY_VALUE), std::to_string(50 * density.GetPos() + 500));
    // The other labels did not move.
    EXPECT_EQ(host.TextOf(IDC_GRAIN_LENGTH_VALUE), "800");
}

TEST(ParameterPanel, KeysMoveSlidersAndLabelsShowTheirUnits)
{
    PartsHost host;
    SendKey(SliderOf(host, IDC_DENSITY), WXK_END);
    SendKey(SliderOf(host, IDC_GRAIN_LENGTH), WXK_HOME);
    SendKey(SliderOf(host, IDC_GRAIN_LENGTH), WXK_RIGHT);
    SendKey(SliderOf(host, IDC_FADE), WXK_HOME);
    SendKey(SliderOf(host, IDC_VOLUME), WXK_END);
    SendKey(SliderOf(host, IDC_SCAN_RANGE), WXK_HOME);
    SendKey(SliderOf(host, IDC_SEGMENT), WXK_END);
    EXPECT_EQ(host.TextOf(IDC_DENSITY_VALUE), "10000");
    EXPECT_EQ(host.TextOf(IDC_GRAIN_LENGTH_VALUE), "75");
    EXPECT_EQ(host.TextOf(IDC_FADE_VALUE), "0");
    EXPECT_EQ(host.TextOf(IDC_VOLUME_VALUE), "100");
    EXPECT_EQ(host.TextOf(IDC_SCAN_RANGE_VALUE), "1");
    EXPECT_EQ(host.TextOf(IDC_SEGMENT_VALUE), "20");

    GenerationSettings settings;
    host.Parts().FillSettings(settings);
    EXPECT_EQ(settings.m_nGrainsPerSecond, 10000);
    EXPECT_EQ(settings.m_nGrainFrames, 3307);
    EXPECT_EQ(settings.m_nFadeSeconds, 0);
    EXPECT_EQ(settings.m_dVolume, 1.0);
    EXPECT_EQ(settings.m_nScanFrames, 4);
    EXPECT_EQ(settings.m_nSegmentGrains, 200000);
}

TEST(ParameterPanel, RestorePutsBackEverythingButTheFiles)
{
    TempDir dir;
    const std::string input = dir.File("in.wav");
    WriteToneWav(input, 44100 * 3, 44100);
    PartsHost host;
    host.ChooseInput(input);
    host.ChooseOutput(dir.File("out.wav"));
    for (int id : {IDC_SCAN_RANGE, IDC_SEGMENT, IDC_DENSITY, IDC_GRAIN_LENGTH, IDC_VOLUME, IDC_FADE})
        SendKey(SliderOf(host, id), WXK_END);
    MinuteSecondPicker& picker = *host.Parts().GetLength().GetPicker();
    SendKey(picker, WXK_UP);  // minutes: 01:15, the preset selection cleared
    ASSERT_EQ(host.Parts().GetLength().GetPresetList()->GetSelection(), wxNOT_FOUND);
    ASSERT_EQ(host.TextOf(IDC_REQUIRED_DISK), "12 MB");

    host.Click(IDC_RESTORE);

    EXPECT_EQ(host.TextOf(IDC_SCAN_RANGE_VALUE), "50");
    EXPECT_EQ(host.TextOf(IDC_SEGMENT_VALUE), "6");
    EXPECT_EQ(host.TextOf(IDC_DENSITY_VALUE), "4000");
    EXPECT_EQ(host.TextOf(IDC_GRAIN_LENGTH_VALUE), "800");
    EXPECT_EQ(host.TextOf(IDC_VOLUME_VALUE), "50");
    EXPECT_EQ(host.TextOf(IDC_FADE_VALUE), "3");
    for (const SliderParameter& parameter : kSliderParameters)
        EXPECT_EQ(SliderOf(host, parameter.m_nSliderId).GetPos(), parameter.m_nStartPos);
    EXPECT_EQ(picker.GetDisplayText(), "00:15");
    EXPECT_EQ(host.Parts().GetLength().GetPresetList()->GetSelection(), 0);
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_DISK), "2 MB");
    // The input (3 s at 44100 Hz) still counts in the memory figure: 5644800 + 1058400 bytes.
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_MEMORY), "6 MB");
    EXPECT_EQ(host.Parts().GetInputPath(), input);
    EXPECT_EQ(host.TextOf(IDC_INPUT_NAME), "in.wav");
    EXPECT_EQ(host.TextOf(IDC_OUTPUT_NAME), "out.wav");
    EXPECT_EQ(host.TextOf(IDC_INPUT_FORMAT_LINE), "Format  44100 16 bits stereo");
    EXPECT_TRUE(host.TakeMessages().empty());
}
