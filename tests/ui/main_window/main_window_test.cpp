// The main window's frame: caption, size, layout, painting, keys, window
// menu, icons and command buttons.
#include "ui/controls/about_dialog.h"
#include "ui/main_window/command_button_places.h"
#include "ui/dialog_template/dialog_units.h"
#include "ui/main_window/generator_dialog.h"
#include "ui/controls/hover_button.h"
#include "ui/main_window/main_window_template.h"
#include "ui/controls/picture_resources.h"
#include "resources/strings/resource_ids.h"
#include "tests/ui/support/window_test_support.h"

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

// A main window shown without a modal loop; deleted at once with the test,
// since a destroyed top-level window stays on the screen until idle time.
class ShownMainWindow {
public:
    ShownMainWindow()
        : m_pDialog(new GeneratorDialog)
    {
        m_pDialog->Show();
        WaitUntil([this] { return m_pDialog->IsShownOnScreen(); });
        PumpFor(200);
    }
    ~ShownMainWindow() { delete m_pDialog; }
    GeneratorDialog& operator*() { return *m_pDialog; }
    GeneratorDialog* operator->() { return m_pDialog; }

private:
    GeneratorDialog* m_pDialog;
};

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

// Counts the About windows run modally (and any other), ending each at once.
struct ModalRecord {
    int m_nAboutWindows = 0;
    int m_nOthers = 0;
    ModalDialogAnswerer m_answerer{[this](wxDialog* dialog) {
        ++(dynamic_cast<AboutDialog*>(dialog) ? m_nAboutWindows : m_nOthers);
        return wxID_OK;
    }};
};

// The lowest sum of red, green and blue inside rect.
int DarkestIn(const wxImage& screen, const wxRect& rect)
{
    int darkest = 255 * 3;
    for (int y = rect.GetTop(); y <= rect.GetBottom(); ++y) {
        for (int x = rect.GetLeft(); x <= rect.GetRight(); ++x) {
            const wxColour pixel = PixelOf(screen, wxPoint(x, y));
            darkest = std::min(darkest, pixel.Red() + pixel.Green() + pixel.Blue());
        }
    }
    return darkest;
}

}  // namespace

TEST(MainWindowFrame, OpeningSetsCaptionFixedSizeTextsButtonsAndTheAboutItem)
{
    auto* dialog = new GeneratorDialog;
    auto textOf = [dialog](int id) { return dynamic_cast<wxStaticText*>(dialog->FindWindow(id))->GetLabel(); };
    EXPECT_EQ(textOf(IDC_INPUT_FORMAT_LINE), "File info 1");
    EXPECT_TRUE(HoverButtonsOf(*dialog).empty());
    EXPECT_EQ(dialog->GetWindowMenu().FindItem(IDM_ABOUTBOX), nullptr);

    dialog->Show();

    EXPECT_EQ(dialog->GetTitle(), "   Sonnelith");
    EXPECT_EQ(dialog->GetClientSize(), wxSize(594, 397));
    EXPECT_EQ(dialog->GetMaxClientSize(), wxSize(594, 397));
    EXPECT_FALSE(dialog->HasFlag(wxRESIZE_BORDER));
    EXPECT_FALSE(dialog->HasFlag(wxMAXIMIZE_BOX));
    EXPECT_TRUE(dialog->HasFlag(wxCLOSE_BOX));
    for (int id : {IDC_INPUT_FORMAT_LINE, IDC_INPUT_TIME_LINE, IDC_INPUT_NAME})
        EXPECT_EQ(textOf(id), "") << id;
    EXPECT_EQ(HoverButtonsOf(*dialog).size(), 8u);
    // The window menu ends with a separator and the About item.
    const wxMenuItemList& items = dialog->GetWindowMenu().GetMenuItems();
    ASSERT_GE(items.size(), 2u);
    EXPECT_EQ(items.back()->GetId(), IDM_ABOUTBOX);
    EXPECT_EQ(items.back()->GetItemLabel(), "&About Sonnelith...");
    EXPECT_TRUE((*std::prev(items.end(), 2))->IsSeparator());
    const wxIconBundle icons = dialog->GetIcons();
    for (int size : {16, 32, 48}) {
        const wxIcon icon = icons.GetIcon(wxSize(size, size), wxIconBundle::FALLBACK_NONE);
        EXPECT_TRUE(icon.IsOk() && icon.GetWidth() == size) << size << " pixels";
    }
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
        if ((control.m_nStyle & wxBORDER_MASK) == wxBORDER_SUNKEN)
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
    // Worked by hand: 1.5 and 13/8 pixels per unit, halves rounded up.
    EXPECT_EQ(window->FindWindow(IDC_SCAN_RANGE)->GetRect(), wxRect(201, 180, 71, 23));
    EXPECT_EQ(window->FindWindow(IDC_DENSITY_VALUE)->GetRect(), wxRect(171, 257, 29, 18));
    EXPECT_EQ(window->FindWindow(IDC_INPUT_NAME)->GetRect(), wxRect(103, 42, 124, 18));
    EXPECT_EQ(window->FindWindow(IDC_LENGTH_PICKER)->GetRect(), wxRect(392, 80, 57, 21));
    // The theme's padding would cut the longest preset to "15 secod...".
    auto* presets = wxDynamicCast(window->FindWindow(IDC_LENGTH_PRESETS), wxChoice);
    ASSERT_TRUE(presets && presets->GetCount() > 0);
    presets->InvalidateBestSize();
    EXPECT_LE(presets->GetBestSize().x, presets->GetSize().x);
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
            for (int x = caption.topLeft.x; x < caption.topLeft.x + 30; ++x)
                darkGrey += DarkestIn(background, wxRect(x, y, 1, 1)) < 3 * 130 ? 1 : 0;
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

    // Short texts: black letters on the opaque panel colour (whole in the
    // corners, which the letters leave free), blended only towards it.
    for (wxStaticText* text : statics)
        text->SetLabel("88");
    const wxImage screen = WaitForScreen(*window, [&](const wxImage& image) {
        for (wxStaticText* text : statics) {
            if (DarkestIn(image, text->GetRect()) >= 120)
                return false;
        }
        return true;
    });
    SaveScreenshot(*window, "main-window-statics");
    for (wxStaticText* text : statics) {
        SCOPED_TRACE(text->GetId());
        const wxRect rect = text->GetRect();
        EXPECT_LT(DarkestIn(screen, rect), 120);
        EXPECT_EQ(PixelOf(screen, rect.GetTopLeft()), kPanel);
        EXPECT_EQ(PixelOf(screen, rect.GetBottomRight()), kPanel);
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
        return PixelOf(image, window->FindWindow(IDC_OUTPUT_NAME)->GetRect().Inflate(1).GetTopLeft()) == shadow;
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

TEST(MainWindowCommands, EightHoverButtonsStandAtTheirPlaces)
{
    ShownMainWindow window;
    ASSERT_EQ(HoverButtonsOf(*window).size(), 8u);
    for (const CommandButtonPlace& place : kCommandButtonPlaces) {
        SCOPED_TRACE(place.m_nId);
        auto* button = dynamic_cast<CHoverButton*>(window->FindWindow(place.m_nId));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->GetRect(), wxRect(place.m_nLeft, place.m_nTop, place.m_nWidth, place.m_nHeight));
        EXPECT_EQ(button->GetFrameWidth() * 3, LoadBitmapResource(place.m_nStripId).GetWidth());
    }
    EXPECT_EQ(window->FindWindow(IDC_GENERATE)->GetRect(), wxRect(15, 352, 72, 32));
    EXPECT_EQ(window->FindWindow(IDC_OUTPUT_FILE)->GetRect(), wxRect(522, 39, 33, 24));
}

TEST(MainWindowMenu, TheAboutButtonAndCommandShowTheAboutWindowModally)
{
    ShownMainWindow window;
    ModalRecord record;
    wxCommandEvent click(wxEVT_BUTTON, 10005);
    click.SetEventObject(window->FindWindow(10005));
    window->FindWindow(10005)->ProcessWindowEvent(click);
    EXPECT_EQ(record.m_nAboutWindows, 1);
    // The command is known with its low four bits cleared.
    window->OnSysCommand(IDM_ABOUTBOX);
    window->OnSysCommand(IDM_ABOUTBOX | 0x7);
    window->OnSysCommand(32);
    EXPECT_EQ(record.m_nAboutWindows, 3);
    EXPECT_EQ(record.m_nOthers, 0);
    EXPECT_TRUE(window->IsShown());
}

TEST(MainWindowMenu, ARightClickOnTheBackgroundOffersTheAboutItem)
{
    ShownMainWindow window;
    ModalRecord record;
    // Once the menu is up: the last item (Up from none) and Enter.
    wxTimer chooser;
    chooser.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        wxUIActionSimulator keys;
        keys.Char(WXK_UP);
        keys.Char(WXK_RETURN);
    });
    chooser.StartOnce(400);
    MovePointerTo(*window, wxPoint(300, 330));
    wxUIActionSimulator().MouseClick(wxMOUSE_BTN_RIGHT);
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
    for (bool byMenu : {false, true}) {
        GeneratorDialog dialog;
        EXPECT_EQ(RunModalWithScript(dialog, [&] { byMenu ? dialog.OnSysCommand(wxID_CLOSE) : void(dialog.Close()); }),
                  wxID_OK)
            << "by menu " << byMenu;
    }
}
