// The main window from the keyboard, on a desktop with a window manager: Tab
// goes round the sliders, the length controls and every command and folder
// button; a focused button is pressed with Space or Enter; Start, Play and
// Guide have shortcuts; focus marks show once the keyboard has been used.
#include "ui/message_box/message_box_codes.h"
#include "resources/strings/resource_ids.h"
#include "resources/strings/string_table.h"
#include "tests/ui/support/window_test_support.h"
#include "ui/controls/focus_mark.h"
#include "ui/controls/hover_button.h"
#include "ui/dialog_template/main_window_ids.h"
#include "ui/main_window/command_button_places.h"
#include "ui/main_window/generator_dialog.h"
#include "ui/panel/desktop_opener.h"
#include "ui/panel/main_window_parts.h"
#include "ui/panel/minute_second_picker.h"

#include <gtest/gtest.h>

#include <gtk/gtk.h>
#include <wx/uiaction.h>

#include <functional>
#include <vector>

namespace {

// What would be opened on the desktop, recorded; every request succeeds.
struct RecordingOpener : DesktopOpener {
    explicit RecordingOpener(std::vector<std::string>& targets) : m_targets(targets) {}
    void Open(const std::string& target, Finished finished) override
    {
        m_targets.push_back(target);
        finished(true);
    }
    std::vector<std::string>& m_targets;
};

class MainWindowKeyboard : public testing::Test {
protected:
    // Runs the main window modally; act runs once the window manager has
    // given it the keyboard.
    void RunWindow(const std::function<void()>& act)
    {
        m_window.GetParts().SetDesktopOpener(std::make_unique<RecordingOpener>(m_opened));
        RunModalWithScript(m_window, [&] {
            EXPECT_TRUE(WaitUntil([&] { return m_window.IsActive() && wxWindow::FindFocus() != nullptr; }))
                << "the window never got the keyboard";
            PumpFor(100);
            act();
            if (m_window.IsModal())
                m_window.EndModal(wxID_ABORT);
        });
    }

    // The control that has the keyboard focus: its id, also for the preset
    // list, whose focus lies in a widget of its own inside it; -1 for none.
    int FocusedId()
    {
        if (wxWindow* focus = wxWindow::FindFocus())
            return focus->GetId();
        GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(m_window.GetHandle()));
        wxWindow* presets = m_window.FindWindow(IDC_LENGTH_PRESETS);
        if (focus && presets && gtk_widget_is_ancestor(focus, static_cast<GtkWidget*>(presets->GetHandle())))
            return IDC_LENGTH_PRESETS;
        return -1;
    }

    // Presses key (with modifiers) and lets the window act on it.
    void Press(int key, int modifiers = wxMOD_NONE)
    {
        m_keys.Char(key, modifiers);
        PumpFor(150);
    }

    // Tab until the control with id has the focus; false after a whole round.
    bool TabTo(int id)
    {
        for (int i = 0; i < 20 && FocusedId() != id; ++i)
            Press(WXK_TAB);
        return FocusedId() == id;
    }

    // A dot of the focus mark, in window client coordinates, for a control
    // at rect with the mark inset by inset.
    static wxPoint MarkDot(const wxRect& rect, int inset) { return rect.GetTopLeft() + wxSize(inset + 2, inset); }

    GeneratorDialog m_window;
    MessageBoxRecorder m_boxes;
    std::vector<std::string> m_opened;
    wxUIActionSimulator m_keys;
};

const char* TextOf(int stringId)
{
    return LoadResourceString(stringId);
}

}  // namespace

TEST_F(MainWindowKeyboard, TabGoesRoundTheSlidersTheLengthAndEveryCommandAndFolderButton)
{
    std::vector<int> visited;
    RunWindow([&] {
        // The focus starts on the first slider, as it always did.
        visited.push_back(FocusedId());
        for (int i = 0; i < 16; ++i) {
            Press(WXK_TAB);
            visited.push_back(FocusedId());
        }
        // And back.
        Press(WXK_TAB, wxMOD_SHIFT);
        visited.push_back(FocusedId());
    });
    const std::vector<int> expected = {
        IDC_SCAN_RANGE,   IDC_SEGMENT,      IDC_DENSITY,  IDC_GRAIN_LENGTH, IDC_OUTPUT_FILE,
        IDC_LENGTH_PICKER, IDC_LENGTH_PRESETS, IDC_VOLUME, IDC_FADE,        IDC_GENERATE,
        IDC_PLAY,         IDC_RESTORE,      IDC_USER_GUIDE, IDC_ABOUT,      IDC_WEB_SITE,
        IDC_INPUT_FILE,   IDC_SCAN_RANGE,   IDC_INPUT_FILE,
    };
    EXPECT_EQ(visited, expected);
}

TEST_F(MainWindowKeyboard, TabReachesStartAndSpaceOrEnterOnItAsksForTheInputFile)
{
    const wxRect start(15, 352, 72, 32);
    wxColour markBefore, markWhileFocused;
    int boxesAfterSpace = 0;
    RunWindow([&] {
        markBefore = PixelOf(CaptureClient(m_window), MarkDot(start, CHoverButton::kFocusMarkInset));
        ASSERT_TRUE(TabTo(IDC_GENERATE));
        markWhileFocused = PixelOf(WaitForScreen(m_window, [&](const wxImage& image) {
            return PixelOf(image, MarkDot(start, CHoverButton::kFocusMarkInset)) == ButtonFocusColour();
        }), MarkDot(start, CHoverButton::kFocusMarkInset));
        Press(WXK_SPACE);
        WaitUntil([&] { return !m_boxes.Requests().empty(); }, 3000);
        boxesAfterSpace = static_cast<int>(m_boxes.Requests().size());
        Press(WXK_RETURN);  // a focused button takes Enter: the window stays
        WaitUntil([&] { return m_boxes.Requests().size() > 1; }, 3000);
        EXPECT_TRUE(m_window.IsModal());
    });
    EXPECT_NE(markBefore, ButtonFocusColour());
    EXPECT_EQ(markWhileFocused, ButtonFocusColour());
    EXPECT_EQ(boxesAfterSpace, 1);
    EXPECT_EQ(m_boxes.CountOf(TextOf(IDS_SELECT_INPUT)), 2);
    EXPECT_EQ(m_boxes.Requests().size(), 2u);
}

TEST_F(MainWindowKeyboard, AltSAltPAltGAndF1PressStartPlayAndGuide)
{
    RunWindow([&] {
        Press('s', wxMOD_ALT);
        Press('p', wxMOD_ALT);
        Press('g', wxMOD_ALT);
        Press(WXK_F1);
        WaitUntil([&] { return m_opened.size() == 2; }, 3000);
    });
    ASSERT_EQ(m_boxes.Requests().size(), 2u);
    EXPECT_EQ(m_boxes.Requests()[0].m_strText, TextOf(IDS_SELECT_INPUT));
    EXPECT_EQ(m_boxes.Requests()[1].m_strText, TextOf(IDS_SELECT_OUTPUT));
    ASSERT_EQ(m_opened.size(), 2u);  // the guide, twice
    EXPECT_EQ(m_opened[0], m_opened[1]);
    EXPECT_NE(m_opened[0].find("User's Guide"), std::string::npos);
}

TEST_F(MainWindowKeyboard, FocusMarksShowOnceTheKeyboardIsUsedAndAClickTakesNoFocus)
{
    const wxRect scanRange = m_window.FindWindow(IDC_SCAN_RANGE)->GetRect();
    const wxRect segment = m_window.FindWindow(IDC_SEGMENT)->GetRect();
    wxColour untouched, scanAfterTab, segmentAfterTab;
    int focusAfterClick = 0;
    RunWindow([&] {
        // Mouse only: the skin as drawn, though the first slider has the focus.
        untouched = PixelOf(CaptureClient(m_window), MarkDot(scanRange, 0));
        wxUIActionSimulator mouse;
        MovePointerTo(m_window, wxPoint(150, 368));  // Restore
        mouse.MouseClick();
        PumpFor(150);
        focusAfterClick = FocusedId();
        Press(WXK_TAB);
        const wxImage shown = WaitForScreen(m_window, [&](const wxImage& image) {
            return PixelOf(image, MarkDot(segment, 0)) == PanelFocusColour();
        });
        scanAfterTab = PixelOf(shown, MarkDot(scanRange, 0));
        segmentAfterTab = PixelOf(shown, MarkDot(segment, 0));
    });
    EXPECT_NE(untouched, PanelFocusColour());
    EXPECT_EQ(focusAfterClick, IDC_SCAN_RANGE);
    EXPECT_EQ(segmentAfterTab, PanelFocusColour());
    EXPECT_EQ(scanAfterTab, untouched);
}

TEST_F(MainWindowKeyboard, OneColonZeroZeroTypedInTheTimeFieldIsOneMinute)
{
    std::vector<std::string> shown;
    RunWindow([&] {
        ASSERT_TRUE(TabTo(IDC_LENGTH_PICKER));
        const MinuteSecondPicker& picker = *m_window.GetParts().GetLength().GetPicker();
        // The real keys of a US keyboard: ':' is Shift with ';'.
        Press('1');
        Press(';', wxMOD_SHIFT);
        Press('0');
        Press('0');
        shown.push_back(picker.GetDisplayText().ToStdString());
        Press(WXK_LEFT);
        Press('4');
        Press('.');
        Press('3');
        Press('0');
        shown.push_back(picker.GetDisplayText().ToStdString());
    });
    EXPECT_EQ(shown, (std::vector<std::string>{"01:00", "04:30"}));
}
