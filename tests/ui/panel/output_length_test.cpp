// The length picker and the presets kept in step, and the figures that follow them.
#include <gtest/gtest.h>

#include <wx/choice.h>
#include <wx/uiaction.h>

#include <string>

#include "ui/dialog_template/main_window_ids.h"
#include "ui/panel/minute_second_picker.h"
#include "tests/ui/panel/panel_test_support.h"

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

wxPoint ScreenCentre(wxWindow& window, const wxRect& rect)
{
    return window.ClientToScreen(rect.GetPosition() + wxSize(rect.width / 2, rect.height / 2));
}

// The text shown, readable in a failure message.
std::string Shown(const MinuteSecondPicker& picker)
{
    return picker.GetDisplayText().ToStdString();
}

// Counts the changes the picker reports, and passes them on to the window.
class ChangeCounter {
public:
    explicit ChangeCounter(MinuteSecondPicker& picker)
    {
        picker.Bind(EVT_LENGTH_PICKER_CHANGED, [this](wxCommandEvent& event) {
            ++m_nChanges;
            event.Skip();
        });
    }
    int Changes() const { return m_nChanges; }

private:
    int m_nChanges = 0;
};

}  // namespace

TEST(OutputLength, OnlyTheUsersChoicesKeepPresetsPickerAndFiguresInStep)
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

    // Set from code, neither runs a handler: the selection and the figures stay.
    ChoosePreset(host, 3);
    PickerOf(host).SetLength({10, 0});
    EXPECT_EQ(PresetsOf(host).GetSelection(), 3);
    PresetsOf(host).SetSelection(5);
    EXPECT_EQ(PickerOf(host).GetDisplayText(), "10:00");
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_DISK), "30 MB");
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_MEMORY), "60 MB");
}

TEST(OutputLength, FiguresOfTypedLengths)
{
    PartsHost host;
    struct Case {
        const char* digits;
        const char* shown;
        const char* disk;
        const char* memory;
    };
    for (const Case& c : {Case{"5959", "59:59", "605 MB", "1.2 GB"}, Case{"0557", "05:57", "60 MB", "120 MB"},
                          Case{"0000", "00:00", "0 MB", "0 MB"}}) {
        SendKey(PickerOf(host), WXK_LEFT);  // back to the minutes
        TypeDigits(PickerOf(host), c.digits);
        ASSERT_EQ(PickerOf(host).GetDisplayText(), c.shown);
        EXPECT_EQ(host.TextOf(IDC_REQUIRED_DISK), c.disk) << c.shown;
        EXPECT_EQ(host.TextOf(IDC_REQUIRED_MEMORY), c.memory) << c.shown;
        EXPECT_EQ(PresetsOf(host).GetSelection(), wxNOT_FOUND);
    }
}

TEST(OutputLength, TheArrowButtonsStepTheChosenFieldAndRepeatWhileHeld)
{
    PartsHost host;
    MinuteSecondPicker& picker = PickerOf(host);
    wxUIActionSimulator sim;
    const auto clickAt = [&](const wxRect& rect) {
        sim.MouseMove(ScreenCentre(picker, rect));
        PumpEvents();
        sim.MouseClick();
    };
    // A click on the seconds chooses them; a click on the up arrow steps them.
    clickAt(picker.GetFieldRect(MinuteSecondFields::Field::Seconds));
    ASSERT_TRUE(WaitUntil([&] { return picker.GetActiveField() == MinuteSecondFields::Field::Seconds; }));
    clickAt(picker.GetUpArrowRect());
    ASSERT_TRUE(WaitUntil([&] { return picker.GetDisplayText() == "00:16"; })) << picker.GetDisplayText();
    EXPECT_EQ(PresetsOf(host).GetSelection(), wxNOT_FOUND);
    clickAt(picker.GetDownArrowRect());
    ASSERT_TRUE(WaitUntil([&] { return picker.GetDisplayText() == "00:15"; })) << picker.GetDisplayText();
    // A click leaves no repeat running once the button is up.
    WaitUntil([] { return false; }, MinuteSecondPicker::kFirstRepeatMilliseconds + 200);
    EXPECT_EQ(picker.GetDisplayText(), "00:15");

    // Held down, the up arrow repeats its step until released.
    sim.MouseMove(ScreenCentre(picker, picker.GetUpArrowRect()));
    PumpEvents();
    sim.MouseDown();
    EXPECT_TRUE(WaitUntil([&] { return picker.GetLength().m_nSeconds >= 18; }, 3000)) << picker.GetDisplayText();
    sim.MouseUp();
    WaitUntil([&] { return !picker.HasCapture(); });
    const MinutesSeconds released = picker.GetLength();
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(picker.GetLength(), released);
}

TEST(OutputLength, ASeparatorEndsTheMinutesSoTypedTimesReadAsWritten)
{
    PartsHost host;
    MinuteSecondPicker& picker = PickerOf(host);
    TypeText(picker, "1:00");
    EXPECT_EQ(Shown(picker), "01:00");
    EXPECT_EQ(host.Parts().GetDurationSeconds(), 60);
    EXPECT_EQ(PresetsOf(host).GetSelection(), wxNOT_FOUND);
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_DISK), "10 MB");  // 10584044 bytes

    SendKey(picker, WXK_LEFT);
    TypeText(picker, "12:34");
    EXPECT_EQ(Shown(picker), "12:34");
    EXPECT_EQ(host.Parts().GetDurationSeconds(), 754);
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_DISK), "126 MB");  // 133005644 bytes

    // '.' and ',' separate as ':' does, and so does the keypad's decimal key.
    for (const char* typed : {"3.05", "3,05"}) {
        SendKey(picker, WXK_LEFT);
        TypeText(picker, typed);
        EXPECT_EQ(Shown(picker), "03:05") << typed;
    }
    SendKey(picker, WXK_LEFT);
    PressKey(picker, WXK_NUMPAD4, '4');
    PressKey(picker, WXK_NUMPAD_DECIMAL, '.');
    PressKey(picker, WXK_NUMPAD0, '0');
    PressKey(picker, WXK_NUMPAD7, '7');
    EXPECT_EQ(Shown(picker), "04:07");
}

TEST(OutputLength, FiveAndASeparatorGiveFiveMinutesAndKeepTheSeconds)
{
    PartsHost host;
    MinuteSecondPicker& picker = PickerOf(host);
    const ChangeCounter counter(picker);
    TypeText(picker, "5");
    EXPECT_EQ(counter.Changes(), 1);
    TypeText(picker, ":");
    // The start's 15 seconds stay until digits are typed over them.
    EXPECT_EQ(Shown(picker), "05:15");
    EXPECT_EQ(picker.GetActiveField(), MinuteSecondFields::Field::Seconds);
    EXPECT_EQ(host.Parts().GetDurationSeconds(), 315);
    // The separator changed no length, so it reported nothing.
    EXPECT_EQ(counter.Changes(), 1);
}

TEST(OutputLength, ASeparatorInTheSecondsLeavesLengthPresetAndFiguresAlone)
{
    PartsHost host;
    MinuteSecondPicker& picker = PickerOf(host);
    ChoosePreset(host, 3);
    const ChangeCounter counter(picker);
    SendKey(picker, WXK_RIGHT);
    TypeText(picker, ":.,");
    EXPECT_EQ(Shown(picker), "03:00");
    EXPECT_EQ(picker.GetActiveField(), MinuteSecondFields::Field::Seconds);
    EXPECT_EQ(counter.Changes(), 0);
    EXPECT_EQ(PresetsOf(host).GetSelection(), 3);
    EXPECT_EQ(host.TextOf(IDC_REQUIRED_DISK), "30 MB");

    // It ends the number typed in the seconds: the next digit starts anew.
    TypeText(picker, "4:5");
    EXPECT_EQ(Shown(picker), "03:05");
    // The arrows step on as before, within the limits.
    SendKey(picker, WXK_DOWN);
    EXPECT_EQ(Shown(picker), "03:04");
    SendKey(picker, WXK_LEFT);
    TypeText(picker, "59:59");
    EXPECT_EQ(Shown(picker), "59:59");
    SendKey(picker, WXK_UP);
    EXPECT_EQ(Shown(picker), "59:00");
}

TEST(OutputLength, WithCtrlOrAltASeparatorKeyIsNoSeparator)
{
    PartsHost host;
    MinuteSecondPicker& picker = PickerOf(host);
    TypeText(picker, "1");
    PressKey(picker, '.', '.', wxMOD_CONTROL);
    PressKey(picker, ';', ':', wxMOD_ALT | wxMOD_SHIFT);
    TypeText(picker, "0");
    EXPECT_EQ(Shown(picker), "10:15");
    EXPECT_EQ(picker.GetActiveField(), MinuteSecondFields::Field::Seconds);
}
