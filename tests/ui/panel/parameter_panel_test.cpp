// The sliders as the user moves them, and Restore.
#include <gtest/gtest.h>

#include <wx/choice.h>
#include <wx/uiaction.h>

#include "ui/controls/bitmap_slider.h"
#include "ui/dialog_template/main_window_ids.h"
#include "ui/panel/minute_second_picker.h"
#include "tests/ui/panel/panel_test_support.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_sounds.h"

namespace {

BitmapSlider& SliderOf(PartsHost& host, int id)
{
    return *host.Parts().GetPanel().GetSlider(id);
}

}  // namespace

TEST(ParameterPanel, DraggingAThumbUpdatesItsLabelBeforeTheRelease)
{
    PartsHost host;
    int releases = 0;
    host.Window().Bind(wxEVT_SCROLL_THUMBRELEASE, [&releases](wxScrollEvent& event) {
        ++releases;
        event.Skip();
    });
    BitmapSlider& density = SliderOf(host, IDC_DENSITY);
    const wxPoint start = density.ClientToScreen(density.GetThumbRect().GetPosition() + wxSize(4, 8));

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
    EXPECT_EQ(host.Parts().GetPanel().GetPositions()[SliderIndexOf(*FindSliderParameter(IDC_DENSITY))], held);
    EXPECT_EQ(releases, 0);

    sim.MouseMove(start + wxPoint(30, 0));
    WaitUntil([&] { return density.GetPos() > held; });
    sim.MouseUp();
    WaitUntil([&] { return releases > 0; });
    EXPECT_EQ(host.TextOf(IDC_DENSITY_VALUE), std::to_string(50 * density.GetPos() + 500));
    EXPECT_EQ(host.TextOf(IDC_GRAIN_LENGTH_VALUE), "800");  // the others did not move
}

TEST(ParameterPanel, KeysMoveSlidersAndTheSettingsFollow)
{
    PartsHost host;
    for (auto [id, key] : {std::pair{IDC_DENSITY, WXK_END}, {IDC_GRAIN_LENGTH, WXK_HOME}, {IDC_GRAIN_LENGTH, WXK_RIGHT},
                           {IDC_FADE, WXK_HOME}, {IDC_VOLUME, WXK_END}, {IDC_SCAN_RANGE, WXK_HOME},
                           {IDC_SEGMENT, WXK_END}})
        SendKey(SliderOf(host, id), key);
    EXPECT_EQ(host.ValueLabels(), (std::vector<std::string>{"1", "20", "10000", "75", "100", "0"}));

    // The settings come from the moved positions (the mapping itself is checked without a window).
    GenerationSettings settings;
    host.Parts().FillSettings(settings);
    EXPECT_EQ(settings.m_nGrainsPerSecond, 10000);
    EXPECT_EQ(settings.m_nGrainFrames, 3307);
    EXPECT_EQ(settings.m_nFadeSeconds, 0);
}

TEST(ParameterPanel, RestorePutsBackEverythingButTheFiles)
{
    TempDir dir;
    const std::string input = dir.File("in.wav");
    WriteToneWav(input, 44100 * 3, 44100);
    PartsHost host;
    host.ChooseInput(input);
    host.ChooseOutput(dir.File("out.wav"));
    for (const SliderParameter& parameter : kSliderParameters)
        SendKey(SliderOf(host, parameter.m_nSliderId), WXK_END);
    MinuteSecondPicker& picker = *host.Parts().GetLength().GetPicker();
    SendKey(picker, WXK_UP);  // minutes: 01:15, the preset selection cleared
    ASSERT_EQ(host.Parts().GetLength().GetPresetList()->GetSelection(), wxNOT_FOUND);
    ASSERT_EQ(host.TextOf(IDC_REQUIRED_DISK), "12 MB");

    host.Click(IDC_RESTORE);

    EXPECT_EQ(host.ValueLabels(), kStartLabels);
    for (const SliderParameter& parameter : kSliderParameters)
        EXPECT_EQ(SliderOf(host, parameter.m_nSliderId).GetPos(), parameter.m_nStartPos);
    EXPECT_EQ(picker.GetDisplayText(), "00:15");
    EXPECT_EQ(host.Parts().GetLength().GetPresetList()->GetSelection(), 0);
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_DISK), "2 MB");
    // The input (3 s at 44100 Hz) still counts in the memory figure: 5644800 + 1058400 bytes.
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_MEMORY), "6 MB");
    EXPECT_EQ(host.TextOf(IDC_INPUT_NAME), "in.wav");
    EXPECT_EQ(host.TextOf(IDC_OUTPUT_NAME), "out.wav");
    EXPECT_EQ(host.TextOf(IDC_INPUT_FORMAT_LINE), "Format  44100 16 bits stereo");
    EXPECT_TRUE(host.TakeMessages().empty());
}
