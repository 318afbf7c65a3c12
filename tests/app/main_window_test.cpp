// The main window's frame: caption, size, layout, painting, keys, window
// menu, icons and command buttons.
#include "about_dialog.h"
#include "command_button_places.h"
#include "dialog_units.h"
#include "generator_dialog.h"
#include "hover_button.h"
#include "main_window_template.h"
#include "picture_resources.h"
#include "resource_ids.h"
#include "string_table.h"
#include "window_test_support.h"

#include <gtest/gtest.h>

#include <wx/choice.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <memory>
#include <vector>

namespace {

const wxColour kPanel(195, 201, 205);

// A main window shown without a modal loop, destroyed with the test.
class ShownMainWindow {
public:
    ShownMainWindow()
        : m_pDialog(new GeneratorDialog)
    {
        m_pDialog->Show();
        WaitUntil([this] { return m_pDialog->IsShownOnScreen(); });
        PumpFor(200);
    }
    // Deleted at once: a destroyed top-level window would otherwise stay on
    // the screen until the next idle time, which tests never reach.
    ~ShownMainWindow() { delete m_pDialog; }
    GeneratorDialog& operator*() { return *m_pDialog; }
    GeneratorDialog* operator->() { return m_pDialog; }

private:
    GeneratorDialog* m_pDialog;
};

bool HasStaticEdge(const TemplateControl& control)
{
    return (control.m_nStyle & wxBORDER_MASK) == wxBORDER_SUNKEN;
}

std::vector<CHoverButton*> HoverButtonsOf(wxWindow& window)
{
    std::vector<CHoverButton*> buttons;
    for (wxWindow* child : window.GetChildren()) {
        if (auto* button = dynamic_cast<CHoverButton*>(child))
            buttons.push_back(button);
    }
    return buttons;
}

bool IsCovered(wxWindow& window, wxPoint point)
{
    for (wxWindow* child : window.GetChildren()) {
        if (!child->IsTopLevel() && child->GetRect().Inflate(2).Contains(point))
            return true;
    }
    for (const TemplateControl& control : kMainWindowControls) {
        if (DialogUnitsToPixels(control.m_rect).Inflate(2).Contains(point))
            return true;
    }
    return false;
}

// Records which dialogs were run modally, ending each at once.
struct ModalRecord {
    int m_nAboutWindows = 0;
    int m_nOthers = 0;
};

std::unique_ptr<ModalDialogAnswerer> RecordModalDialogs(ModalRecord& record)
{
    return std::make_unique<ModalDialogAnswerer>([&record](wxDialog* dialog) {
        if (dynamic_cast<AboutDialog*>(dialog))
            ++record.m_nAboutWindows;
        else
            ++record.m_nOthers;
        return wxID_OK;
    });
}

}  // namespace

TEST(DialogUnits, AreOneAndAHalfPixelsWideAndThirteenEighthsHigh)
{
    EXPECT_EQ(HorizontalUnitsToPixels(396), 594);
    EXPECT_EQ(VerticalUnitsToPixels(244), 397);  // 396.5, halves round up
    EXPECT_EQ(HorizontalUnitsToPixels(47), 71);  // 70.5
    EXPECT_EQ(HorizontalUnitsToPixels(134), 201);
    EXPECT_EQ(VerticalUnitsToPixels(11), 18);    // 17.875
    EXPECT_EQ(VerticalUnitsToPixels(13), 21);    // 21.125
    EXPECT_EQ(VerticalUnitsToPixels(25), 41);    // 40.625
    EXPECT_EQ(VerticalUnitsToPixels(0), 0);
    EXPECT_EQ(DialogUnitsToPixels(DialogUnitRect{114, 158, 19, 11}), wxRect(171, 257, 29, 18));
}

TEST(MainWindowFrame, OpensWithTheProgramCaptionAtAFixedClientSize)
{
    auto* dialog = new GeneratorDialog;
    // The layout's caption until the window opens.
    EXPECT_EQ(dialog->GetTitle(), "Pimbrant Ambient Generator");
    dialog->Show();
    EXPECT_EQ(dialog->GetTitle(), "   Sonnelith");
    EXPECT_EQ(dialog->GetClientSize(), wxSize(594, 397));
    EXPECT_EQ(dialog->GetMinClientSize(), wxSize(594, 397));
    EXPECT_EQ(dialog->GetMaxClientSize(), wxSize(594, 397));
    EXPECT_FALSE(dialog->HasFlag(wxRESIZE_BORDER));
    EXPECT_FALSE(dialog->HasFlag(wxMAXIMIZE_BOX));
    EXPECT_TRUE(dialog->HasFlag(wxMINIMIZE_BOX));
    EXPECT_TRUE(dialog->HasFlag(wxCLOSE_BOX));
    delete dialog;
}

TEST(MainWindowFrame, CarriesTheProgramIconInSmallAndLargeSizes)
{
    ShownMainWindow window;
    const wxIconBundle icons = window->GetIcons();
    for (int size : {16, 32, 48}) {
        const wxIcon icon = icons.GetIcon(wxSize(size, size), wxIconBundle::FALLBACK_NONE);
        ASSERT_TRUE(icon.IsOk()) << size << " pixels";
        EXPECT_EQ(icon.GetWidth(), size);
    }
}

TEST(MainWindowFrame, OpeningReplacesTheLayoutTextsAndAddsButtonsAndTheAboutItem)
{
    auto* dialog = new GeneratorDialog;
    auto textOf = [dialog](int id) { return dynamic_cast<wxStaticText*>(dialog->FindWindow(id))->GetLabel(); };
    EXPECT_EQ(textOf(IDC_INPUT_FORMAT_LINE), "File info 1");
    EXPECT_EQ(textOf(IDC_INPUT_TIME_LINE), "File info 2");
    EXPECT_TRUE(HoverButtonsOf(*dialog).empty());
    EXPECT_EQ(dialog->GetWindowMenu().FindItem(IDM_ABOUTBOX), nullptr);

    dialog->Show();

    EXPECT_EQ(textOf(IDC_INPUT_FORMAT_LINE), "");
    EXPECT_EQ(textOf(IDC_INPUT_TIME_LINE), "");
    EXPECT_EQ(textOf(IDC_INPUT_NAME), "");
    EXPECT_EQ(HoverButtonsOf(*dialog).size(), 8u);
    EXPECT_NE(dialog->GetWindowMenu().FindItem(IDM_ABOUTBOX), nullptr);
    delete dialog;
}

TEST(MainWindowLayout, EveryLayoutControlStandsAtItsConvertedRectangle)
{
    ShownMainWindow window;
    for (const TemplateControl& control : kMainWindowControls) {
        SCOPED_TRACE(control.m_nId);
        wxWindow* child = window->FindWindow(control.m_nId);
        ASSERT_NE(child, nullptr);
        wxRect expected = DialogUnitsToPixels(control.m_rect);
        if (HasStaticEdge(control))
            expected.Deflate(1);  // the edge is painted around the text
        const wxRect actual = child->GetRect();
        if (control.m_kind == ControlKind::DropDownList) {
            // Left and width from the layout; the closed field's height is the theme's.
            EXPECT_EQ(actual.x, expected.x);
            EXPECT_EQ(actual.width, expected.width);
        } else {
            EXPECT_EQ(actual, expected);
        }
    }
    // Worked by hand from the layout's dialog units.
    EXPECT_EQ(window->FindWindow(IDC_SCAN_RANGE)->GetRect(), wxRect(201, 180, 71, 23));
    EXPECT_EQ(window->FindWindow(IDC_DENSITY_VALUE)->GetRect(), wxRect(171, 257, 29, 18));
    EXPECT_EQ(window->FindWindow(IDC_REQUIRED_MEMORY)->GetRect(), wxRect(491, 270, 48, 18));
    EXPECT_EQ(window->FindWindow(IDC_INPUT_TIME_LINE)->GetRect(), wxRect(66, 101, 174, 18));
    EXPECT_EQ(window->FindWindow(IDC_INPUT_NAME)->GetRect(), wxRect(103, 42, 124, 18));
    EXPECT_EQ(window->FindWindow(IDC_LENGTH_PICKER)->GetRect(), wxRect(392, 80, 57, 21));
}

// The theme's padding would cut the longest preset to "15 secod..."; the
// list is drawn compact so that every entry shows whole at the layout's width.
TEST(MainWindowLayout, TheLengthPresetsShowWholeInTheirList)
{
    ShownMainWindow window;
    auto* list = wxDynamicCast(window->FindWindow(IDC_LENGTH_PRESETS), wxChoice);
    ASSERT_NE(list, nullptr);
    ASSERT_GT(list->GetCount(), 0u);
    list->InvalidateBestSize();
    EXPECT_LE(list->GetBestSize().x, list->GetSize().x);
}

TEST(MainWindowLayout, ControlsMeetTheCaptionsPaintedInTheBackground)
{
    struct Caption {
        const char* text;
        wxPoint topLeft;
        int controlId;
    };
    const Caption captions[] = {
        {"Input file", {38, 46}, IDC_INPUT_NAME},
        {"Scanning range (%)", {38, 189}, IDC_SCAN_RANGE_VALUE},
        {"Average segment (sec.)", {39, 218}, IDC_SEGMENT_VALUE},
        {"Grain density (per sec.)", {38, 260}, IDC_DENSITY_VALUE},
        {"Grain length (millisec.)", {38, 291}, IDC_GRAIN_LENGTH_VALUE},
        {"Output file", {328, 46}, IDC_OUTPUT_NAME},
        {"Time", {328, 85}, IDC_LENGTH_PICKER},
        {"Volume (%)", {329, 124}, IDC_VOLUME_VALUE},
        {"Fade in/out (seconds)", {328, 154}, IDC_FADE_VALUE},
        {"Required disk space", {347, 228}, IDC_REQUIRED_DISK},
        {"Available disk space", {347, 251}, IDC_AVAILABLE_DISK},
        {"Required memory", {347, 274}, IDC_REQUIRED_MEMORY},
    };
    constexpr int kCaptionHeight = 11;
    const wxImage background = LoadBitmapResource(IDB_BACKGROUND).ConvertToImage();
    ShownMainWindow window;
    for (const Caption& caption : captions) {
        SCOPED_TRACE(caption.text);
        // The caption's dark grey letters are in the picture where the table says.
        int darkGrey = 0;
        for (int y = caption.topLeft.y; y < caption.topLeft.y + kCaptionHeight; ++y) {
            for (int x = caption.topLeft.x; x < caption.topLeft.x + 30; ++x) {
                const wxColour pixel = PixelOf(background, wxPoint(x, y));
                darkGrey += pixel.Red() < 130 && pixel.Green() < 130 && pixel.Blue() < 130 ? 1 : 0;
            }
        }
        EXPECT_GT(darkGrey, 10);
        // The control stands on the caption's line, right of its start.
        const wxRect control = window->FindWindow(caption.controlId)->GetRect();
        EXPECT_LT(control.GetTop(), caption.topLeft.y + kCaptionHeight);
        EXPECT_GT(control.GetBottom(), caption.topLeft.y);
        EXPECT_GT(control.GetLeft(), caption.topLeft.x);
    }
}

TEST(MainWindowPainting, ShowsTheBackgroundPictureUnscaledFromTheTopLeftCorner)
{
    ShownMainWindow window;
    const wxImage picture = LoadBitmapResource(IDB_BACKGROUND).ConvertToImage();
    ASSERT_EQ(picture.GetSize(), wxSize(594, 410));
    const wxImage screen = WaitForScreen(*window, [&](const wxImage& image) {
        return PixelOf(image, wxPoint(300, 330)) == PixelOf(picture, wxPoint(300, 330)) &&
               PixelOf(image, wxPoint(590, 393)) == PixelOf(picture, wxPoint(590, 393));
    });
    SaveScreenshot(*window, "main-window");
    int compared = 0;
    for (int y = 3; y < 397; y += 11) {
        for (int x = 3; x < 594; x += 13) {
            const wxPoint point(x, y);
            if (IsCovered(*window, point))
                continue;
            ++compared;
            ASSERT_EQ(PixelOf(screen, point), PixelOf(picture, point)) << "at " << x << ", " << y;
        }
    }
    EXPECT_GT(compared, 800);
}

TEST(MainWindowPainting, StaticTextsAreBlackOnTheOpaquePanelColour)
{
    ShownMainWindow window;
    std::vector<wxStaticText*> statics;
    for (const TemplateControl& control : kMainWindowControls) {
        if (auto* text = dynamic_cast<wxStaticText*>(window->FindWindow(control.m_nId)))
            statics.push_back(text);
    }
    ASSERT_EQ(statics.size(), 13u);

    // Empty texts: the whole rectangle is the panel colour.
    for (wxStaticText* text : statics)
        text->SetLabel("");
    auto emptyAsPanel = [&](const wxImage& screen) {
        for (wxStaticText* text : statics) {
            const wxRect rect = text->GetRect();
            for (wxPoint point : {rect.GetTopLeft(), rect.GetBottomRight(),
                                  wxPoint(rect.x + rect.width / 2, rect.y + rect.height / 2)}) {
                if (PixelOf(screen, point) != kPanel)
                    return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(emptyAsPanel(WaitForScreen(*window, emptyAsPanel)));

    // Short texts: black letters, blended only towards the panel colour.
    for (wxStaticText* text : statics)
        text->SetLabel("88");
    auto darkestIn = [](const wxImage& screen, const wxRect& rect) {
        int darkest = 255 * 3;
        for (int y = rect.GetTop(); y <= rect.GetBottom(); ++y) {
            for (int x = rect.GetLeft(); x <= rect.GetRight(); ++x) {
                const wxColour pixel = PixelOf(screen, wxPoint(x, y));
                darkest = std::min(darkest, pixel.Red() + pixel.Green() + pixel.Blue());
            }
        }
        return darkest;
    };
    const wxImage screen = WaitForScreen(*window, [&](const wxImage& image) {
        for (wxStaticText* text : statics) {
            if (darkestIn(image, text->GetRect()) >= 120)
                return false;
        }
        return true;
    });
    SaveScreenshot(*window, "main-window-statics");
    for (wxStaticText* text : statics) {
        SCOPED_TRACE(text->GetId());
        const wxRect rect = text->GetRect();
        EXPECT_LT(darkestIn(screen, rect), 120);
        int foreign = 0;
        for (int y = rect.GetTop(); y <= rect.GetBottom(); ++y) {
            for (int x = rect.GetLeft(); x <= rect.GetRight(); ++x) {
                const wxColour pixel = PixelOf(screen, wxPoint(x, y));
                foreign += pixel.Red() > kPanel.Red() || pixel.Blue() > kPanel.Blue() ? 1 : 0;
            }
        }
        EXPECT_EQ(foreign, 0);
    }
}

TEST(MainWindowPainting, FileNameFieldsHaveAThinSunkenEdge)
{
    ShownMainWindow window;
    const wxColour shadow(128, 128, 128);
    const wxImage screen = WaitForScreen(*window, [&](const wxImage& image) {
        const wxRect edge = window->FindWindow(IDC_OUTPUT_NAME)->GetRect().Inflate(1);
        return PixelOf(image, edge.GetTopLeft()) == shadow;
    });
    for (int id : {IDC_INPUT_NAME, IDC_OUTPUT_NAME}) {
        SCOPED_TRACE(id);
        const wxRect edge = window->FindWindow(id)->GetRect().Inflate(1);
        const int midX = edge.x + edge.width / 2;
        const int midY = edge.y + edge.height / 2;
        EXPECT_EQ(PixelOf(screen, wxPoint(midX, edge.GetTop())), shadow);
        EXPECT_EQ(PixelOf(screen, wxPoint(edge.GetLeft(), midY)), shadow);
        EXPECT_EQ(PixelOf(screen, wxPoint(midX, edge.GetBottom())), *wxWHITE);
        EXPECT_EQ(PixelOf(screen, wxPoint(edge.GetRight(), midY)), *wxWHITE);
        EXPECT_EQ(PixelOf(screen, wxPoint(midX, midY)), kPanel);
    }
}

TEST(MainWindowCommands, EightHoverButtonsStandAtTheirPlacesWithStripsAndTips)
{
    ShownMainWindow window;
    const std::vector<CHoverButton*> buttons = HoverButtonsOf(*window);
    ASSERT_EQ(buttons.size(), 8u);
    const int expectedIds[] = {10001, 10002, 10003, 10004, 10005, 10006, 10007, 10008};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const CommandButtonPlace& place = kCommandButtonPlaces[i];
        SCOPED_TRACE(place.m_nId);
        EXPECT_EQ(buttons[i]->GetId(), expectedIds[i]);  // created in this order
        EXPECT_EQ(buttons[i]->GetRect(), wxRect(place.m_nLeft, place.m_nTop, place.m_nWidth, place.m_nHeight));
        // A frame is a third of the strip.
        const wxBitmap strip = LoadBitmapResource(place.m_nStripId);
        EXPECT_EQ(buttons[i]->GetFrameWidth() * 3, strip.GetWidth());
        EXPECT_EQ(buttons[i]->GetFrameHeight(), strip.GetHeight());
        wxRect tipRect;
        wxString tip;
        ASSERT_TRUE(buttons[i]->GetTipCtrl().GetToolInfo(CHoverButton::kTipToolId, tipRect, tip));
        EXPECT_EQ(tip.utf8_string(), LoadResourceString(place.m_nTipId));
        EXPECT_TRUE(buttons[i]->GetTipCtrl().IsActive());
    }
    EXPECT_EQ(buttons[0]->GetRect(), wxRect(15, 352, 72, 32));
    EXPECT_EQ(buttons[7]->GetRect(), wxRect(522, 39, 33, 24));
}

TEST(MainWindowCommands, TheAboutButtonShowsTheAboutWindowModally)
{
    ShownMainWindow window;
    ModalRecord record;
    auto answerer = RecordModalDialogs(record);
    wxCommandEvent click(wxEVT_BUTTON, 10005);
    click.SetEventObject(window->FindWindow(10005));
    window->FindWindow(10005)->ProcessWindowEvent(click);
    EXPECT_EQ(record.m_nAboutWindows, 1);
    EXPECT_EQ(record.m_nOthers, 0);
}

TEST(MainWindowMenu, EndsWithASeparatorAndTheAboutItem)
{
    ShownMainWindow window;
    const wxMenuItemList& items = window->GetWindowMenu().GetMenuItems();
    ASSERT_GE(items.size(), 2u);
    const wxMenuItem* last = items.back();
    const wxMenuItem* beforeLast = *std::prev(items.end(), 2);
    EXPECT_EQ(last->GetId(), 16);
    EXPECT_EQ(last->GetItemLabel(), "&About Sonnelith...");
    EXPECT_TRUE(beforeLast->IsSeparator());
}

TEST(MainWindowMenu, TheAboutCommandIsKnownWithItsLowFourBitsCleared)
{
    ShownMainWindow window;
    ModalRecord record;
    auto answerer = RecordModalDialogs(record);
    window->OnSysCommand(16);
    window->OnSysCommand(16 | 0x7);
    EXPECT_EQ(record.m_nAboutWindows, 2);
    window->OnSysCommand(32);
    EXPECT_EQ(record.m_nAboutWindows, 2);
    EXPECT_EQ(record.m_nOthers, 0);
    EXPECT_TRUE(window->IsShown());
}

TEST(MainWindowMenu, ARightClickOnTheBackgroundOffersTheAboutItem)
{
    ShownMainWindow window;
    ModalRecord record;
    auto answerer = RecordModalDialogs(record);
    wxUIActionSimulator simulator;
    // Once the menu is up: the last item (Up from none) and Enter.
    wxTimer chooser;
    chooser.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        wxUIActionSimulator keys;
        keys.Char(WXK_UP);
        keys.Char(WXK_RETURN);
    });
    chooser.StartOnce(400);
    MovePointerTo(*window, wxPoint(300, 330));
    simulator.MouseClick(wxMOUSE_BTN_RIGHT);
    EXPECT_TRUE(WaitUntil([&] { return record.m_nAboutWindows == 1; }));
}

TEST(MainWindowKeys, EscapeLeavesTheWindowOpenAndEnterEndsIt)
{
    GeneratorDialog dialog;
    KeyHookWatcher keys;
    bool openAfterEscape = false;
    const int result = RunModalWithScript(dialog, [&] {
        WaitUntil([&] { return dialog.IsShownOnScreen(); });
        PumpFor(150);
        MovePointerTo(dialog, wxPoint(300, 330));
        wxUIActionSimulator simulator;
        simulator.Char(WXK_ESCAPE);
        WaitUntil([&] { return keys.Saw(WXK_ESCAPE); }, 2000);
        PumpFor(200);
        openAfterEscape = dialog.IsModal() && dialog.IsShown();
        simulator.Char(WXK_RETURN);
        if (!WaitUntil([&] { return !dialog.IsModal(); }, 3000))
            dialog.EndModal(wxID_ABORT);
    });
    EXPECT_TRUE(keys.Saw(WXK_ESCAPE));
    EXPECT_TRUE(openAfterEscape);
    EXPECT_EQ(result, wxID_OK);
}

TEST(MainWindowKeys, TheCloseBoxAndTheMenusCloseEndTheWindowWithOk)
{
    {
        GeneratorDialog dialog;
        EXPECT_EQ(RunModalWithScript(dialog, [&] { dialog.Close(); }), wxID_OK);
    }
    {
        GeneratorDialog dialog;
        EXPECT_EQ(RunModalWithScript(dialog, [&] { dialog.OnSysCommand(wxID_CLOSE); }), wxID_OK);
    }
}
