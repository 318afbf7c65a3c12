// CHoverButton's hover emulation: the hover frame after the pointer has come
// to rest inside, the normal frame after it leaves.
#include "gui_test_support.h"
#include "hover_button.h"

#include <wx/uiaction.h>

#include <gtest/gtest.h>

namespace {

const wxColour kNormal(210, 60, 30);
const wxColour kPressed(30, 150, 60);
const wxColour kHover(60, 30, 210);

class HoverButtonTracking : public testing::Test {
protected:
    void SetUp() override
    {
        ParkPointer();
        m_pButton = new CHoverButton(&m_host.Panel(), 10001, wxPoint(40, 30));
        m_pButton->LoadFrameStrip(ColourStrip(36, 28, kNormal, kPressed, kHover));
        m_host.ShowAndWait();
    }

    void TearDown() override { ParkPointer(); }

    wxColour Shown(const wxColour& expected) { return WaitForPixel(*m_pButton, wxPoint(18, 14), expected); }

    TestHost m_host;
    CHoverButton* m_pButton = nullptr;
};

TEST_F(HoverButtonTracking, EnteringArmsTrackingAndHoverFollowsTheRest)
{
    SendMouse(*m_pButton, wxEVT_ENTER_WINDOW, wxPoint(3, 3));
    EXPECT_TRUE(m_pButton->IsTrackArmed());
    EXPECT_FALSE(m_pButton->IsMouseOver());  // not before the rest time has passed
    EXPECT_TRUE(WaitUntil([this] { return m_pButton->IsMouseOver(); }));
    EXPECT_EQ(Shown(kHover), kHover);
}

TEST_F(HoverButtonTracking, LeavingClearsHoverAndTracking)
{
    SendMouse(*m_pButton, wxEVT_ENTER_WINDOW, wxPoint(3, 3));
    ASSERT_TRUE(WaitUntil([this] { return m_pButton->IsMouseOver(); }));
    SendMouse(*m_pButton, wxEVT_LEAVE_WINDOW, wxPoint(-1, 3));
    EXPECT_FALSE(m_pButton->IsMouseOver());
    EXPECT_FALSE(m_pButton->IsTrackArmed());
    EXPECT_EQ(Shown(kNormal), kNormal);
}

TEST_F(HoverButtonTracking, LeavingBeforeTheRestTimeGivesNoHover)
{
    SendMouse(*m_pButton, wxEVT_ENTER_WINDOW, wxPoint(3, 3));
    SendMouse(*m_pButton, wxEVT_LEAVE_WINDOW, wxPoint(-1, 3));
    PumpFor(30);
    EXPECT_FALSE(m_pButton->IsMouseOver());
    EXPECT_EQ(Shown(kNormal), kNormal);
}

TEST_F(HoverButtonTracking, MotionInsideArmsTrackingWhenNoEnterCame)
{
    // A button that appears under a resting pointer gets motion but no enter.
    SendMouse(*m_pButton, wxEVT_MOTION, wxPoint(4, 4));
    EXPECT_TRUE(m_pButton->IsTrackArmed());
    EXPECT_TRUE(WaitUntil([this] { return m_pButton->IsMouseOver(); }));
}

TEST_F(HoverButtonTracking, LoadingAStripWhileHoveringShowsNormalUntilLeaveAndRest)
{
    SendMouse(*m_pButton, wxEVT_ENTER_WINDOW, wxPoint(3, 3));
    ASSERT_TRUE(WaitUntil([this] { return m_pButton->IsMouseOver(); }));

    m_pButton->LoadFrameStrip(ColourStrip(36, 28, kNormal, kPressed, kHover));
    EXPECT_FALSE(m_pButton->IsMouseOver());
    EXPECT_TRUE(m_pButton->IsTrackArmed());  // tracking is left as it was
    SendMouse(*m_pButton, wxEVT_MOTION, wxPoint(5, 5));
    SendMouse(*m_pButton, wxEVT_MOTION, wxPoint(6, 5));
    PumpFor(30);
    EXPECT_FALSE(m_pButton->IsMouseOver());  // still inside, but hover was one-shot
    EXPECT_EQ(Shown(kNormal), kNormal);

    SendMouse(*m_pButton, wxEVT_LEAVE_WINDOW, wxPoint(-1, 5));
    SendMouse(*m_pButton, wxEVT_ENTER_WINDOW, wxPoint(3, 3));
    EXPECT_TRUE(WaitUntil([this] { return m_pButton->IsMouseOver(); }));
    EXPECT_EQ(Shown(kHover), kHover);
}

TEST_F(HoverButtonTracking, RealPointerLightsTheButtonAndLeavingDimsIt)
{
    wxUIActionSimulator simulator;
    simulator.MouseMove(ScreenPoint(*m_pButton, wxPoint(10, 10)));
    EXPECT_TRUE(WaitUntil([this] { return m_pButton->IsMouseOver(); }));
    EXPECT_EQ(Shown(kHover), kHover);

    simulator.MouseMove(ScreenPoint(*m_pButton, wxPoint(120, 10)));
    EXPECT_TRUE(WaitUntil([this] { return !m_pButton->IsMouseOver(); }));
    EXPECT_FALSE(m_pButton->IsTrackArmed());
    EXPECT_EQ(Shown(kNormal), kNormal);
}

TEST_F(HoverButtonTracking, RealPressShowsPressedFrameAndReleaseShowsHover)
{
    wxUIActionSimulator simulator;
    simulator.MouseMove(ScreenPoint(*m_pButton, wxPoint(10, 10)));
    ASSERT_TRUE(WaitUntil([this] { return m_pButton->IsMouseOver(); }));
    simulator.MouseDown();
    EXPECT_EQ(Shown(kPressed), kPressed);
    simulator.MouseUp();
    EXPECT_EQ(Shown(kHover), kHover);
}

}  // namespace
