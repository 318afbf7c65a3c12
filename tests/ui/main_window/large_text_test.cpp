// The main and progress windows with text set half as large again
// (GDK_DPI_SCALE=1.5, see CMakeLists.txt): every fitted text shows whole, at
// a legible size, over plain panel, and nothing else moves.
#include "tests/support/temp_dir.h"
#include "tests/ui/panel/wav_sparse_file.h"
#include "tests/ui/support/window_test_support.h"
#include "ui/dialog_template/dialog_units.h"
#include "ui/dialog_template/fitting_static_text.h"
#include "ui/dialog_template/main_window_ids.h"
#include "ui/dialog_template/text_fitting.h"
#include "ui/main_window/generator_dialog.h"
#include "ui/main_window/main_window_template.h"
#include "ui/panel/main_window_parts.h"
#include "ui/progress/progress_dialog.h"
#include "ui/progress/progress_template.h"

#include <gtest/gtest.h>

#include <wx/choice.h>
#include <wx/stattext.h>

namespace {

int TextWidth(const wxWindow& window, const wxString& text)
{
    int width = 0;
    const wxFont font = window.GetFont();
    window.GetTextExtent(text, &width, nullptr, nullptr, nullptr, &font);
    return width;
}

// The text stands whole in its rectangle, at a legible size.
void ExpectWhole(const wxWindow& text)
{
    SCOPED_TRACE(text.GetLabel().utf8_string());
    EXPECT_LE(TextWidth(text, text.GetLabel()), text.GetSize().x);
    EXPECT_GE(text.GetFont().GetFractionalPointSize(), kSmallestLegiblePointSize);
}

}  // namespace

TEST(MainWindowLargeText, EveryTextShowsWholeWithinItsRoomAndTheRestStandsWhereItWas)
{
    ASSERT_EQ(DesktopTextScale(), 1.5) << "run with GDK_DPI_SCALE=1.5";
    TempDir dir;
    const std::string take = dir.File("take.wav");
    WriteSilentWav(take, 22050 * 3725, 22050, 1, 8);  // 01:02:05, 78 MB
    auto* window = new GeneratorDialog;
    window->Show();
    ASSERT_TRUE(WaitUntil([window] { return window->IsShownOnScreen(); }));
    PumpFor(200);  // the preset list fits itself once it is on the screen
    window->GetParts().SelectInputFile(take);
    // The longest texts the window shows: a long input, four-digit values.
    dynamic_cast<wxStaticText*>(window->FindWindow(IDC_AVAILABLE_DISK))->SetLabel("999.9 GB");
    EXPECT_EQ(dynamic_cast<wxStaticText*>(window->FindWindow(IDC_DENSITY_VALUE))->GetLabel(), "4000");

    for (const TextRoom& text : kTextRooms) {
        SCOPED_TRACE(text.m_nId);
        wxWindow* control = window->FindWindow(text.m_nId);
        ASSERT_NE(control, nullptr);
        const wxRect room(text.m_nLeft, text.m_nTop, text.m_nWidth, text.m_nHeight);
        if (auto* list = wxDynamicCast(control, wxChoice)) {
            list->InvalidateBestSize();
            EXPECT_LE(list->GetBestSize().x, list->GetSize().x) << "\"15 secods test\" is cut";
            EXPECT_GE(list->GetPosition().x, room.x);
            EXPECT_LE(list->GetRect().GetRight(), room.GetRight());
            continue;
        }
        ExpectWhole(*control);
        EXPECT_TRUE(room.Contains(control->GetRect()));
    }
    // The picker shows its "mm:ss" whole beside its arrows.
    wxWindow* picker = window->FindWindow(IDC_LENGTH_PICKER);
    EXPECT_LE(picker->GetBestSize().x, picker->GetSize().x);
    // Sliders, picker and buttons stand where the layout puts them.
    for (const TemplateControl& control : kMainWindowControls) {
        if (control.m_kind == ControlKind::Slider || control.m_kind == ControlKind::TimePicker) {
            EXPECT_EQ(window->FindWindow(control.m_nId)->GetRect(), DialogUnitsToPixels(control.m_rect))
                << control.m_nId;
        }
    }
    EXPECT_EQ(window->GetClientSize(), wxSize(594, 397));
    SaveScreenshot(*window, "main-window-text-1.5");
    delete window;
}

TEST(MainWindowLargeText, TheProgressWindowGrowsWithItsTextAndKeepsEveryTextWhole)
{
    ProgressDialog dialog;
    EXPECT_EQ(dialog.GetClientSize(), DialogSizeToPixels(270, 169, 1.5));
    for (const TemplateControl& control : kProgressControls) {
        if (auto* text = dynamic_cast<wxStaticText*>(dialog.FindWindow(control.m_nId)))
            ExpectWhole(*text);
    }
    // The texts of a run: the longest percentage, size and time left.
    for (const auto& [id, label] : {std::pair{IDC_LOADING_PERCENT, "100%"}, {IDC_WRITTEN_SIZE, "999 MB"},
                                    {IDC_TIME_LEFT, "00:59:59"}}) {
        auto* text = dynamic_cast<wxStaticText*>(dialog.FindWindow(id));
        text->SetLabel(label);
        ExpectWhole(*text);
    }
}
