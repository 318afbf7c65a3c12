// CHoverButton: strip frames, the painted frame, hover after rest and leave,
// and clicks.
#include "tests/ui/support/gui_test_support.h"
#include "ui/controls/hover_button.h"
#include "ui/controls/picture_resources.h"
#include "resources/strings/resource_ids.h"

#include <wx/uiaction.h>

#include <gtest/gtest.h>

#include <wx/button.h>

namespace {

const wxColour kNormal(200, 40, 40);
const wxColour kPressed(40, 160, 40);
const wxColour kHover(40, 40, 220);
constexpr int kButtonId = 10002;

TEST(HoverButtonFrames, PressedWinsOverHoverWhichWinsOverNormal)
{
    EXPECT_EQ(ChooseStripFrame(false, false), StripFrame::Normal);
    EXPECT_EQ(ChooseStripFrame(false, true), StripFrame::Hover);
    EXPECT_EQ(ChooseStripFrame(true, false), StripFrame::Pressed);
    EXPECT_EQ(ChooseStripFrame(true, true), StripFrame::Pressed);
}

class HoverButtonTest : public testing::Test {
protected:
    void SetUp() override
    {
        ParkPointer();
        m_pButton = new CHoverButton(&m_host.Panel(), kButtonId, wxPoint(20, 20));
        m_pButton->LoadFrameStrip(ColourStrip(30, 24, kNormal, kPressed, kHover));
        m_host.Panel().Bind(wxEVT_BUTTON, [this](wxCommandEvent& event) { m_clickIds.push_back(event.GetId()); });
        m_host.ShowAndWait();
    }

    void TearDown() override { ParkPointer(); }

    void Send(wxEventType type, wxPoint point = wxPoint(5, 5)) { SendMouse(*m_pButton, type, point); }
    bool WaitForHover(bool over)
    {
        return WaitUntil([this, over] { return m_pButton->IsMouseOver() == over; });
    }
    // The colour in the middle of the button, once it shows expected.
    wxColour Shown(const wxColour& expected) { return WaitForPixel(*m_pButton, wxPoint(15, 12), expected); }
    wxPoint OnScreen(wxPoint clientPoint) { return m_pButton->ClientToScreen(clientPoint); }

    TestHost m_host;
    CHoverButton* m_pButton = nullptr;
    std::vector<int> m_clickIds;
};

// --- Strips and frames -----------------------------------------------------------

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
    // 3 x 30 + 2 black columns: frames stay 30 wide, the black is never painted.
    m_pButton->LoadFrameStrip(ColourStrip(30, 24, kNormal, kPressed, kHover, 2, *wxBLACK));
    EXPECT_EQ(m_pButton->GetSize(), wxSize(30, 24));
    Send(wxEVT_ENTER_WINDOW);
    ASSERT_TRUE(WaitForHover(true));
    EXPECT_EQ(WaitForPixel(*m_pButton, wxPoint(29, 10), kHover), kHover);
    EXPECT_EQ(WaitForPixel(*m_pButton, wxPoint(0, 10), kHover), kHover);
}

TEST_F(HoverButtonTest, MissingStripStillReportsSuccess)
{
    EXPECT_TRUE(m_pButton->LoadFrameStrip(139));
    EXPECT_EQ(m_pButton->GetFrameWidth(), 0);
}

TEST_F(HoverButtonTest, ProgramStripPaintsTheWholeChosenFrame)
{
    // The button grows from 30 x 24 to 72 x 32: every pixel must show the frame.
    m_pButton->LoadFrameStrip(IDB_START);
    const wxImage strip = LoadBitmapResource(IDB_START).ConvertToImage();
    const auto frame = [&](StripFrame which) {
        return strip.GetSubImage(wxRect(FrameSourceColumn(which, 72), 0, 72, 32));
    };
    EXPECT_EQ(WaitForImage(*m_pButton, frame(StripFrame::Normal)), 0);
    SaveScreenshot(*m_pButton, "hover_button_normal");
    Send(wxEVT_ENTER_WINDOW);
    EXPECT_EQ(WaitForImage(*m_pButton, frame(StripFrame::Hover)), 0);
    SaveScreenshot(*m_pButton, "hover_button_hover");
    Send(wxEVT_LEFT_DOWN);
    EXPECT_EQ(WaitForImage(*m_pButton, frame(StripFrame::Pressed)), 0);
    SaveScreenshot(*m_pButton, "hover_button_pressed");
    Send(wxEVT_LEFT_UP);
    EXPECT_EQ(WaitForImage(*m_pButton, frame(StripFrame::Hover)), 0);
}

// --- Hover after rest, and leave -----------------------------------------------------

TEST_F(HoverButtonTest, EnteringArmsTrackingHoverFollowsTheRestAndLeavingClearsBoth)
{
    Send(wxEVT_ENTER_WINDOW);
    EXPECT_TRUE(m_pButton->IsTrackArmed());
    EXPECT_FALSE(m_pButton->IsMouseOver());  // not before the rest time has passed
    EXPECT_TRUE(WaitForHover(true));
    EXPECT_EQ(Shown(kHover), kHover);
    Send(wxEVT_LEAVE_WINDOW, wxPoint(-1, 3));
    EXPECT_FALSE(m_pButton->IsMouseOver());
    EXPECT_FALSE(m_pButton->IsTrackArmed());
    EXPECT_EQ(Shown(kNormal), kNormal);
}

TEST_F(HoverButtonTest, LeavingBeforeTheRestTimeGivesNoHover)
{
    Send(wxEVT_ENTER_WINDOW);
    Send(wxEVT_LEAVE_WINDOW, wxPoint(-1, 3));
    PumpFor(30);
    EXPECT_FALSE(m_pButton->IsMouseOver());
}

TEST_F(HoverButtonTest, MotionInsideArmsTrackingWhenNoEnterCame)
{
    // A button that appears under a resting pointer gets motion but no enter.
    Send(wxEVT_MOTION);
    EXPECT_TRUE(m_pButton->IsTrackArmed());
    EXPECT_TRUE(WaitForHover(true));
}

TEST_F(HoverButtonTest, LoadingAStripWhileHoveringShowsNormalUntilLeaveAndRest)
{
    Send(wxEVT_ENTER_WINDOW);
    ASSERT_TRUE(WaitForHover(true));
    m_pButton->LoadFrameStrip(ColourStrip(30, 24, kNormal, kPressed, kHover));
    EXPECT_FALSE(m_pButton->IsMouseOver());
    EXPECT_TRUE(m_pButton->IsTrackArmed());  // tracking is left as it was
    Send(wxEVT_MOTION);
    Send(wxEVT_MOTION, wxPoint(6, 5));
    PumpFor(30);
    EXPECT_FALSE(m_pButton->IsMouseOver());  // still inside, but hover was one-shot
    EXPECT_EQ(Shown(kNormal), kNormal);

    Send(wxEVT_LEAVE_WINDOW, wxPoint(-1, 5));
    Send(wxEVT_ENTER_WINDOW);
    EXPECT_TRUE(WaitForHover(true));
    EXPECT_EQ(Shown(kHover), kHover);
}

TEST_F(HoverButtonTest, RealPointerHoversPressesAndLeaves)
{
    wxUIActionSimulator simulator;
    simulator.MouseMove(OnScreen(wxPoint(10, 10)));
    ASSERT_TRUE(WaitForHover(true));
    EXPECT_EQ(Shown(kHover), kHover);
    simulator.MouseDown();
    EXPECT_EQ(Shown(kPressed), kPressed);
    simulator.MouseUp();
    EXPECT_EQ(Shown(kHover), kHover);
    simulator.MouseMove(OnScreen(wxPoint(120, 10)));
    EXPECT_TRUE(WaitForHover(false));
    EXPECT_FALSE(m_pButton->IsTrackArmed());
    EXPECT_EQ(Shown(kNormal), kNormal);
}

// --- Clicks ---------------------------------------------------------------------------

TEST_F(HoverButtonTest, PressAndReleaseOverTheButtonSendsOneClickWithItsId)
{
    Send(wxEVT_LEFT_DOWN);
    EXPECT_TRUE(m_clickIds.empty());  // the click comes with the release
    Send(wxEVT_LEFT_UP);
    EXPECT_EQ(m_clickIds, std::vector<int>{kButtonId});
}

TEST_F(HoverButtonTest, DraggingOutUnpressesAndReleaseOutsideSendsNoClick)
{
    Send(wxEVT_LEFT_DOWN);
    Send(wxEVT_MOTION, wxPoint(50, 5));
    EXPECT_FALSE(m_pButton->IsPushed());
    Send(wxEVT_MOTION, wxPoint(6, 5));
    EXPECT_TRUE(m_pButton->IsPushed());
    Send(wxEVT_LEFT_UP, wxPoint(40, 5));
    EXPECT_TRUE(m_clickIds.empty());
    EXPECT_FALSE(m_pButton->IsPushed());
}

TEST_F(HoverButtonTest, RealClickSendsOneClickAndTakesNoFocus)
{
    // The keyboard reaches the button; a click leaves the focus where it was.
    EXPECT_TRUE(m_pButton->AcceptsFocusFromKeyboard());
    EXPECT_STREQ(m_pButton->GetClassInfo()->GetClassName(), L"CHoverButton");
    auto* other = new wxButton(&m_host.Panel(), wxID_ANY, "other", wxPoint(200, 150));
    other->SetFocus();
    ASSERT_TRUE(WaitUntil([other] { return wxWindow::FindFocus() == other; }));
    wxUIActionSimulator simulator;
    simulator.MouseMove(OnScreen(wxPoint(10, 10)));
    simulator.MouseClick();
    EXPECT_TRUE(WaitUntil([this] { return !m_clickIds.empty(); }));
    PumpFor(20);
    EXPECT_EQ(m_clickIds, std::vector<int>{kButtonId});
    EXPECT_EQ(wxWindow::FindFocus(), other);
}

TEST_F(HoverButtonTest, RealDoubleClickGivesTwoClicks)
{
    wxUIActionSimulator simulator;
    simulator.MouseMove(OnScreen(wxPoint(10, 10)));
    simulator.MouseDblClick();
    EXPECT_TRUE(WaitUntil([this] { return m_clickIds.size() >= 2; }));
    PumpFor(20);
    EXPECT_EQ(m_clickIds, (std::vector<int>{kButtonId, kButtonId}));
}

}  // namespace
