// CHoverButton: strip frames, which frame is painted, and clicks.
#include "gui_test_support.h"
#include "hover_button.h"
#include "picture_resources.h"
#include "resource_ids.h"

#include <wx/uiaction.h>

#include <gtest/gtest.h>

namespace {

const wxColour kNormal(200, 40, 40);
const wxColour kPressed(40, 160, 40);
const wxColour kHover(40, 40, 220);
constexpr int kFrameWidth = 30;
constexpr int kFrameHeight = 24;
constexpr int kButtonId = 10002;

class HoverButtonTest : public testing::Test {
protected:
    void SetUp() override
    {
        ParkPointer();
        m_pButton = new CHoverButton(&m_host.Panel(), kButtonId, wxPoint(20, 20));
        m_pButton->LoadFrameStrip(ColourStrip(kFrameWidth, kFrameHeight, kNormal, kPressed, kHover));
        m_host.Panel().Bind(wxEVT_BUTTON, [this](wxCommandEvent& event) { m_clickIds.push_back(event.GetId()); });
        m_host.ShowAndWait();
    }

    void HoverSynthetically()
    {
        SendMouse(*m_pButton, wxEVT_ENTER_WINDOW, wxPoint(5, 5));
        ASSERT_TRUE(WaitUntil([this] { return m_pButton->IsMouseOver(); }));
    }

    // The colour the screen shows in the middle of the button, once it shows expected.
    wxColour ShownColour(const wxColour& expected)
    {
        return WaitForPixel(*m_pButton, wxPoint(kFrameWidth / 2, kFrameHeight / 2), expected);
    }

    TestHost m_host;
    CHoverButton* m_pButton = nullptr;
    std::vector<int> m_clickIds;
};

// --- Strips and frame sizes ---------------------------------------------------

TEST(HoverButtonFrames, FrameWidthIsAThirdOfTheStripTruncated)
{
    EXPECT_EQ(FrameWidthOfStrip(216), 72);
    EXPECT_EQ(FrameWidthOfStrip(99), 33);
    EXPECT_EQ(FrameWidthOfStrip(100), 33);
    EXPECT_EQ(FrameWidthOfStrip(101), 33);
}

TEST(HoverButtonFrames, PressedWinsOverHoverWhichWinsOverNormal)
{
    EXPECT_EQ(ChooseStripFrame(false, false), StripFrame::Normal);
    EXPECT_EQ(ChooseStripFrame(false, true), StripFrame::Hover);
    EXPECT_EQ(ChooseStripFrame(true, false), StripFrame::Pressed);
    EXPECT_EQ(ChooseStripFrame(true, true), StripFrame::Pressed);
}

TEST(HoverButtonFrames, EachFrameStartsAtItsOwnColumn)
{
    EXPECT_EQ(FrameSourceColumn(StripFrame::Normal, 72), 0);
    EXPECT_EQ(FrameSourceColumn(StripFrame::Pressed, 72), 72);
    EXPECT_EQ(FrameSourceColumn(StripFrame::Hover, 72), 144);
}

TEST_F(HoverButtonTest, Strip216WideGives72PixelFramesAndSizesTheButton)
{
    m_pButton->LoadFrameStrip(ColourStrip(72, 32, kNormal, kPressed, kHover));
    EXPECT_EQ(m_pButton->GetFrameWidth(), 72);
    EXPECT_EQ(m_pButton->GetFrameHeight(), 32);
    EXPECT_EQ(m_pButton->GetSize(), wxSize(72, 32));
    EXPECT_EQ(m_pButton->GetPosition(), wxPoint(20, 20));  // the place is kept
}

TEST_F(HoverButtonTest, StripWidthNotDivisibleBy3NeverShowsItsLastColumns)
{
    // 3 x 30 + 2 columns: frames stay 30 wide and the two black columns after
    // the hover frame are never painted.
    m_pButton->LoadFrameStrip(ColourStrip(kFrameWidth, kFrameHeight, kNormal, kPressed, kHover, 2, *wxBLACK));
    EXPECT_EQ(m_pButton->GetFrameWidth(), 30);
    EXPECT_EQ(m_pButton->GetSize(), wxSize(30, 24));
    HoverSynthetically();
    EXPECT_EQ(WaitForPixel(*m_pButton, wxPoint(29, 10), kHover), kHover);
    EXPECT_EQ(WaitForPixel(*m_pButton, wxPoint(0, 10), kHover), kHover);
}

TEST_F(HoverButtonTest, ProgramStripsGiveTheirFrameSizes)
{
    const struct {
        int id;
        wxSize frame;
    } strips[] = {{IDB_RESTORE, {33, 32}}, {IDB_FOLDER, {33, 24}}, {IDB_START, {72, 32}}, {IDB_PLAY, {33, 32}},
                  {IDB_GUIDE, {72, 32}},   {IDB_ABOUT, {33, 32}},  {IDB_WEB_SITE, {33, 32}}};
    for (const auto& strip : strips) {
        SCOPED_TRACE(strip.id);
        EXPECT_TRUE(m_pButton->LoadFrameStrip(strip.id));
        EXPECT_EQ(m_pButton->GetSize(), strip.frame);
    }
}

TEST_F(HoverButtonTest, MissingStripStillReportsSuccess)
{
    EXPECT_TRUE(m_pButton->LoadFrameStrip(139));
    EXPECT_EQ(m_pButton->GetFrameWidth(), 0);
}

// --- Which frame is painted ---------------------------------------------------

TEST_F(HoverButtonTest, PaintsNormalFrameAtRest)
{
    EXPECT_EQ(m_pButton->GetShownFrame(), StripFrame::Normal);
    EXPECT_EQ(ShownColour(kNormal), kNormal);
    EXPECT_EQ(WaitForPixel(*m_pButton, wxPoint(0, 0), kNormal), kNormal);
    EXPECT_EQ(WaitForPixel(*m_pButton, wxPoint(29, 23), kNormal), kNormal);
}

TEST_F(HoverButtonTest, PaintsHoverFrameWhileThePointerRests)
{
    HoverSynthetically();
    EXPECT_EQ(m_pButton->GetShownFrame(), StripFrame::Hover);
    EXPECT_EQ(ShownColour(kHover), kHover);
}

TEST_F(HoverButtonTest, PressingWhileHoveringShowsPressedAndReleasingShowsHoverAgain)
{
    HoverSynthetically();
    SendMouse(*m_pButton, wxEVT_LEFT_DOWN, wxPoint(5, 5));
    EXPECT_EQ(m_pButton->GetShownFrame(), StripFrame::Pressed);
    EXPECT_EQ(ShownColour(kPressed), kPressed);
    SendMouse(*m_pButton, wxEVT_LEFT_UP, wxPoint(5, 5));
    EXPECT_EQ(m_pButton->GetShownFrame(), StripFrame::Hover);
    EXPECT_EQ(ShownColour(kHover), kHover);
}

TEST_F(HoverButtonTest, DraggingOutWhilePressedShowsTheUnpressedFrame)
{
    SendMouse(*m_pButton, wxEVT_LEFT_DOWN, wxPoint(5, 5));
    SendMouse(*m_pButton, wxEVT_MOTION, wxPoint(50, 5));
    EXPECT_FALSE(m_pButton->IsPushed());
    SendMouse(*m_pButton, wxEVT_MOTION, wxPoint(6, 5));
    EXPECT_TRUE(m_pButton->IsPushed());
    SendMouse(*m_pButton, wxEVT_LEFT_UP, wxPoint(6, 5));
}

// Pixels of the button on the screen that differ from frame of strip.
int PixelsOffFrame(CHoverButton& button, const wxImage& strip, StripFrame frame)
{
    const int width = strip.GetWidth() / 3;
    const wxImage expected = strip.GetSubImage(wxRect(FrameSourceColumn(frame, width), 0, width, strip.GetHeight()));
    const wxImage shown = CaptureClient(button);
    if (shown.GetSize() != expected.GetSize())
        return width * strip.GetHeight();
    int off = 0;
    for (int y = 0; y < expected.GetHeight(); ++y) {
        for (int x = 0; x < expected.GetWidth(); ++x)
            off += PixelOf(shown, {x, y}) != PixelOf(expected, {x, y});
    }
    return off;
}

TEST_F(HoverButtonTest, ProgramStripPaintsTheWholeChosenFrame)
{
    // The button grows from the fixture's 30 x 24 to 72 x 32: every pixel of
    // the new size must show the frame.
    m_pButton->LoadFrameStrip(IDB_START);
    const wxImage strip = LoadBitmapResource(IDB_START).ConvertToImage();
    const auto shows = [&](StripFrame frame) {
        int off = 0;
        WaitUntil([&] { return (off = PixelsOffFrame(*m_pButton, strip, frame)) == 0; });
        return off;
    };

    EXPECT_EQ(shows(StripFrame::Normal), 0);
    SaveScreenshot(*m_pButton, "hover_button_normal");
    HoverSynthetically();
    EXPECT_EQ(shows(StripFrame::Hover), 0);
    SaveScreenshot(*m_pButton, "hover_button_hover");
    SendMouse(*m_pButton, wxEVT_LEFT_DOWN, wxPoint(10, 10));
    EXPECT_EQ(shows(StripFrame::Pressed), 0);
    SaveScreenshot(*m_pButton, "hover_button_pressed");
    SendMouse(*m_pButton, wxEVT_LEFT_UP, wxPoint(10, 10));
    EXPECT_EQ(shows(StripFrame::Hover), 0);
}

// --- Clicks ---------------------------------------------------------------------

TEST_F(HoverButtonTest, PressAndReleaseOverTheButtonSendsOneClickWithItsId)
{
    SendMouse(*m_pButton, wxEVT_LEFT_DOWN, wxPoint(5, 5));
    EXPECT_TRUE(m_clickIds.empty());  // the click comes with the release
    SendMouse(*m_pButton, wxEVT_LEFT_UP, wxPoint(5, 5));
    EXPECT_EQ(m_clickIds, std::vector<int>{kButtonId});
}

TEST_F(HoverButtonTest, ReleaseOutsideTheButtonSendsNoClick)
{
    SendMouse(*m_pButton, wxEVT_LEFT_DOWN, wxPoint(5, 5));
    SendMouse(*m_pButton, wxEVT_LEFT_UP, wxPoint(40, 5));
    EXPECT_TRUE(m_clickIds.empty());
    EXPECT_FALSE(m_pButton->IsPushed());
}

TEST_F(HoverButtonTest, DoubleClickGivesTwoClicks)
{
    SendMouse(*m_pButton, wxEVT_LEFT_DOWN, wxPoint(5, 5));
    SendMouse(*m_pButton, wxEVT_LEFT_UP, wxPoint(5, 5));
    SendMouse(*m_pButton, wxEVT_LEFT_DCLICK, wxPoint(5, 5));
    SendMouse(*m_pButton, wxEVT_LEFT_UP, wxPoint(5, 5));
    EXPECT_EQ(m_clickIds, (std::vector<int>{kButtonId, kButtonId}));
}

TEST_F(HoverButtonTest, RealDoubleClickGivesTwoClicks)
{
    wxUIActionSimulator simulator;
    simulator.MouseMove(ScreenPoint(*m_pButton, wxPoint(10, 10)));
    simulator.MouseDblClick();
    EXPECT_TRUE(WaitUntil([this] { return m_clickIds.size() >= 2; }));
    PumpFor(20);
    EXPECT_EQ(m_clickIds, (std::vector<int>{kButtonId, kButtonId}));
}

TEST_F(HoverButtonTest, RealClickSendsOneClickAndTakesNoFocus)
{
    wxUIActionSimulator simulator;
    simulator.MouseMove(ScreenPoint(*m_pButton, wxPoint(10, 10)));
    simulator.MouseClick();
    EXPECT_TRUE(WaitUntil([this] { return !m_clickIds.empty(); }));
    PumpFor(20);
    EXPECT_EQ(m_clickIds, std::vector<int>{kButtonId});
    EXPECT_NE(wxWindow::FindFocus(), m_pButton);
}

TEST_F(HoverButtonTest, IsNotInTheTabOrder)
{
    EXPECT_FALSE(m_pButton->AcceptsFocus());
    EXPECT_FALSE(m_pButton->AcceptsFocusFromKeyboard());
    EXPECT_FALSE(m_pButton->HasFlag(wxTAB_TRAVERSAL));
}

TEST_F(HoverButtonTest, CarriesItsOwnClassName)
{
    EXPECT_STREQ(m_pButton->GetClassInfo()->GetClassName(), L"CHoverButton");
    EXPECT_TRUE(m_pButton->IsKindOf(wxCLASSINFO(wxControl)));
}

}  // namespace
