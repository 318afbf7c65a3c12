// The length picker and the presets kept in step, and the figures that follow them.
#include <gtest/gtest.h>

#include <wx/choice.h>
#include <wx/uiaction.h>

#include "main_window_ids.h"
#include "minute_second_picker.h"
#include "panel_test_support.h"

namespace {

MinuteSecondPicker& PickerOf(PartsHost& host)
{
    return *host.Parts().GetLength().GetPicker();
}

wxChoice& PresetsOf(PartsHost& host)
{
    return *host.Parts().GetLength().GetPresetList();
}

// The user picks entry index from the list: GTK selects it, then tells the window.
void ChoosePreset(PartsHost& host, int index)
{
    wxChoice& presets = PresetsOf(host);
    presets.SetSelection(index);
    wxCommandEvent chosen(wxEVT_CHOICE, presets.GetId());
    chosen.SetEventObject(&presets);
    chosen.SetInt(index);
    presets.ProcessWindowEvent(chosen);
}

void TypeDigits(wxWindow& window, const std::string& digits)
{
    for (char digit : digits)
        SendKey(window, digit);
}

}  // namespace

TEST(OutputLength, APresetSetsThePickerStaysSelectedAndRecomputesTheFigures)
{
    PartsHost host;
    ChoosePreset(host, 3);
    EXPECT_EQ(PickerOf(host).GetDisplayText(), "03:00");
    EXPECT_EQ(host.Parts().GetDurationSeconds(), 180);
    EXPECT_EQ(PresetsOf(host).GetSelection(), 3);
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_DISK), "30 MB");
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_MEMORY), "60 MB");  // 63504000 + 352800 bytes

    // The user steps the seconds: 03:01 clears the selection and recomputes.
    SendKey(PickerOf(host), WXK_RIGHT);
    SendKey(PickerOf(host), WXK_UP);
    EXPECT_EQ(PickerOf(host).GetDisplayText(), "03:01");
    EXPECT_EQ(PresetsOf(host).GetSelection(), wxNOT_FOUND);
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_MEMORY), "61 MB");  // 63856800 + 352800 bytes
}

TEST(OutputLength, SettingEitherFromCodeRunsNoHandler)
{
    PartsHost host;
    ChoosePreset(host, 3);
    PickerOf(host).SetLength({10, 0});
    // Neither the selection nor the figures noticed.
    EXPECT_EQ(PresetsOf(host).GetSelection(), 3);
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_DISK), "30 MB");
    PresetsOf(host).SetSelection(5);
    EXPECT_EQ(PickerOf(host).GetDisplayText(), "10:00");
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_DISK), "30 MB");
}

TEST(OutputLength, FiguresAtTheLongestAndAnOddLength)
{
    PartsHost host;
    TypeDigits(PickerOf(host), "5959");
    EXPECT_EQ(PickerOf(host).GetDisplayText(), "59:59");
    EXPECT_EQ(host.Parts().GetDurationSeconds(), 3599);
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_DISK), "605 MB");
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_MEMORY), "1.2 GB");  // 1211 MiB
    EXPECT_EQ(PresetsOf(host).GetSelection(), wxNOT_FOUND);

    SendKey(PickerOf(host), WXK_LEFT);
    TypeDigits(PickerOf(host), "0557");
    EXPECT_EQ(PickerOf(host).GetDisplayText(), "05:57");
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_DISK), "60 MB");
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_MEMORY), "120 MB");
}

TEST(OutputLength, ZeroLengthNeedsNothing)
{
    PartsHost host;
    SendKey(PickerOf(host), WXK_RIGHT);
    TypeDigits(PickerOf(host), "00");
    EXPECT_EQ(PickerOf(host).GetDisplayText(), "00:00");
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_DISK), "0 MB");
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_MEMORY), "0 MB");
}

TEST(OutputLength, TheArrowButtonsStepTheChosenFieldUnderTheMouse)
{
    PartsHost host;
    MinuteSecondPicker& picker = PickerOf(host);
    wxUIActionSimulator sim;
    const auto clickAt = [&](wxPoint client) {
        sim.MouseMove(picker.ClientToScreen(client));
        PumpEvents();
        sim.MouseClick();
    };
    // A click on the seconds chooses them; a click on the up arrow steps them.
    const wxRect seconds = picker.GetFieldRect(MinuteSecondFields::Field::Seconds);
    clickAt(seconds.GetPosition() + wxSize(seconds.width / 2, seconds.height / 2));
    ASSERT_TRUE(WaitUntil([&] { return picker.GetActiveField() == MinuteSecondFields::Field::Seconds; }));
    const wxRect up = picker.GetUpArrowRect();
    clickAt(up.GetPosition() + wxSize(up.width / 2, up.height / 2));
    ASSERT_TRUE(WaitUntil([&] { return picker.GetDisplayText() == "00:16"; })) << picker.GetDisplayText();
    EXPECT_EQ(PresetsOf(host).GetSelection(), wxNOT_FOUND);
    SaveScreenshot(host.Window(), "panel-length-stepped");

    const wxRect down = picker.GetDownArrowRect();
    clickAt(down.GetPosition() + wxSize(down.width / 2, down.height / 2));
    ASSERT_TRUE(WaitUntil([&] { return picker.GetDisplayText() == "00:15"; })) << picker.GetDisplayText();
    // A click leaves no repeat running once the button is up.
    WaitUntil([] { return false; }, MinuteSecondPicker::kFirstRepeatMilliseconds + 200);
    EXPECT_EQ(picker.GetDisplayText(), "00:15");
}

TEST(OutputLength, HoldingAnArrowRepeatsTheStep)
{
    PartsHost host;
    MinuteSecondPicker& picker = PickerOf(host);
    wxUIActionSimulator sim;
    const wxRect up = picker.GetUpArrowRect();
    sim.MouseMove(picker.ClientToScreen(up.GetPosition() + wxSize(up.width / 2, up.height / 2)));
    PumpEvents();
    sim.MouseDown();
    // Minutes are the active field at the start: 00 → 01 at once, then repeats.
    EXPECT_TRUE(WaitUntil([&] { return picker.GetLength().m_nMinutes >= 3; }, 3000)) << picker.GetDisplayText();
    sim.MouseUp();
    WaitUntil([&] { return !picker.HasCapture(); });
    const MinutesSeconds released = picker.GetLength();
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(picker.GetLength(), released);
}
