// TrackbarControl: range and position, thumb geometry, and the notification
// sequences of keys, wheel, thumb drags and page presses.
#include "tests/ui/support/gui_test_support.h"
#include "tests/ui/support/scroll_recorder.h"
#include "ui/controls/trackbar_control.h"
#include "ui/controls/trackbar_geometry.h"

#include <wx/uiaction.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// --- Geometry -----------------------------------------------------------------

TrackbarGeometry MainWindowSlider(int rangeMin, int rangeMax)
{
    TrackbarGeometry geometry;
    geometry.client = wxSize(71, 23);
    geometry.rangeMin = rangeMin;
    geometry.rangeMax = rangeMax;
    return geometry;
}

TEST(TrackbarGeometry, ThumbIs11By21AndTravelsAlongTheChannelClampedToTheRange)
{
    const TrackbarGeometry geometry = MainWindowSlider(1, 100);
    EXPECT_EQ(geometry.ChannelRect(), wxRect(8, 9, 55, 4));
    EXPECT_EQ(geometry.ThumbRect(1), wxRect(8, 1, 11, 21));
    EXPECT_EQ(geometry.ThumbRect(100), wxRect(52, 1, 11, 21));
    EXPECT_EQ(geometry.ThumbRect(-5), geometry.ThumbRect(1));
    EXPECT_EQ(geometry.ThumbRect(199), geometry.ThumbRect(100));
}

TEST(TrackbarGeometry, PlaceUnderTheThumbCentreGivesItsPositionAndBeyondGivesTheEnds)
{
    const TrackbarGeometry geometry = MainWindowSlider(0, 10);
    for (int pos = 0; pos <= 10; ++pos) {
        const wxRect thumb = geometry.ThumbRect(pos);
        EXPECT_EQ(geometry.PositionAtPlace(thumb.x + thumb.width / 2), pos) << pos;
    }
    EXPECT_EQ(geometry.PositionAtPlace(-40), 0);
    EXPECT_EQ(geometry.PositionAtPlace(0), 0);
    EXPECT_EQ(geometry.PositionAtPlace(70), 10);
    EXPECT_EQ(geometry.PositionAtPlace(500), 10);
}

// --- The control ----------------------------------------------------------------

class TrackbarTest : public testing::Test {
protected:
    void SetUp() override
    {
        ParkPointer();
        m_pTrackbar = new TrackbarControl(&m_host.Panel(), 1067, wxPoint(30, 40), wxSize(71, 23));
        m_host.ShowAndWait();
    }

    void TearDown() override { ParkPointer(); }

    wxPoint ThumbCentre() const
    {
        const wxRect thumb = m_pTrackbar->GetThumbRect();
        return wxPoint(thumb.x + thumb.width / 2, thumb.y + thumb.height / 2);
    }

    void Key(int keyCode)
    {
        SendKey(*m_pTrackbar, wxEVT_KEY_DOWN, keyCode);
        SendKey(*m_pTrackbar, wxEVT_KEY_UP, keyCode);
    }

    TestHost m_host;
    TrackbarControl* m_pTrackbar = nullptr;
    ScrollRecorder m_recorder{m_host.Panel()};
};

TEST_F(TrackbarTest, StartsLikeAWin32TrackbarAndKeepsAProgramsPageSize)
{
    EXPECT_EQ(m_pTrackbar->GetRangeMin(), 0);
    EXPECT_EQ(m_pTrackbar->GetRangeMax(), 100);
    EXPECT_EQ(m_pTrackbar->GetPos(), 0);
    EXPECT_EQ(m_pTrackbar->GetLineSize(), 1);
    EXPECT_EQ(m_pTrackbar->GetPageSize(), 20);
    EXPECT_EQ(m_pTrackbar->GetThumbRect(), wxRect(8, 1, 11, 21));
    // A page size set by the program survives range changes.
    EXPECT_EQ(m_pTrackbar->SetPageSize(7), 20);
    m_pTrackbar->SetRange(0, 190);
    EXPECT_EQ(m_pTrackbar->GetPageSize(), 7);
    EXPECT_EQ(m_pTrackbar->SetLineSize(2), 1);
}

TEST_F(TrackbarTest, RangeAndPositionAreKeptInsideEachOther)
{
    m_pTrackbar->SetPos(80);
    m_pTrackbar->SetRange(0, 10);
    EXPECT_EQ(m_pTrackbar->GetPos(), 10);
    EXPECT_EQ(m_pTrackbar->GetPageSize(), 2);
    m_pTrackbar->SetPos(-3);
    EXPECT_EQ(m_pTrackbar->GetPos(), 0);
    m_pTrackbar->SetRange(1, 20);
    EXPECT_EQ(m_pTrackbar->GetPos(), 1);
    EXPECT_EQ(m_pTrackbar->GetPageSize(), 3);  // a fifth of the range, truncated
    m_pTrackbar->SetRange(0, 3);
    EXPECT_EQ(m_pTrackbar->GetPageSize(), 1);  // never below one
}

TEST_F(TrackbarTest, SettingThePositionFromCodeSendsNothing)
{
    m_pTrackbar->SetRange(1, 100);
    m_pTrackbar->SetPos(50);
    PumpEvents();
    EXPECT_TRUE(m_recorder.Log().empty());
}

TEST_F(TrackbarTest, ArrowKeysStepOneLineARepeatAndEndTheTrackOnRelease)
{
    m_pTrackbar->SetPos(50);
    SendKey(*m_pTrackbar, wxEVT_KEY_DOWN, WXK_RIGHT);
    EXPECT_EQ(m_recorder.Take(), (Log{"LINEDOWN 51", "SLIDER 51"}));
    SendKey(*m_pTrackbar, wxEVT_KEY_DOWN, WXK_RIGHT);  // held: the key repeats
    SendKey(*m_pTrackbar, wxEVT_KEY_UP, WXK_RIGHT);
    EXPECT_EQ(m_recorder.Take(), (Log{"LINEDOWN 52", "SLIDER 52", "CHANGED 52"}));
    Key(WXK_DOWN);
    Key(WXK_LEFT);
    Key(WXK_UP);
    EXPECT_EQ(m_recorder.Take(), (Log{"LINEDOWN 53", "SLIDER 53", "CHANGED 53", "LINEUP 52", "SLIDER 52",
                                      "CHANGED 52", "LINEUP 51", "SLIDER 51", "CHANGED 51"}));
}

TEST_F(TrackbarTest, KeysSendTheirSequencesAndOnlyEndTheTrackAtTheEnds)
{
    const struct {
        int pos;
        std::vector<int> keys;  // pressed and released in turn
        Log expected;
    } cases[] = {
        {50, {WXK_PAGEDOWN, WXK_PAGEUP, WXK_PAGEUP},
         {"PAGEDOWN 70", "SLIDER 70", "CHANGED 70", "PAGEUP 50", "SLIDER 50", "CHANGED 50", "PAGEUP 30", "SLIDER 30",
          "CHANGED 30"}},
        {6, {WXK_END, WXK_HOME}, {"BOTTOM 100", "SLIDER 100", "CHANGED 100", "TOP 0", "SLIDER 0", "CHANGED 0"}},
        {0, {WXK_LEFT, WXK_HOME, WXK_PAGEUP}, {"CHANGED 0", "CHANGED 0", "CHANGED 0"}},
        {100, {WXK_RIGHT, WXK_PAGEDOWN}, {"CHANGED 100", "CHANGED 100"}},
        {50, {'A', WXK_SPACE}, {}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.expected.empty() ? "unused keys" : test.expected.front());
        m_pTrackbar->SetPos(test.pos);
        for (int key : test.keys)
            Key(key);
        EXPECT_EQ(m_recorder.Take(), test.expected);
    }
}

TEST_F(TrackbarTest, WheelCollectsPartialTurnsAndTurnsAwayStepDownTheRange)
{
    m_pTrackbar->SetPos(50);
    SendWheel(*m_pTrackbar, -60);
    EXPECT_TRUE(m_recorder.Log().empty());
    SendWheel(*m_pTrackbar, -60);
    EXPECT_EQ(m_recorder.Take(), (Log{"LINEDOWN 53", "SLIDER 53", "CHANGED 53"}));
    SendWheel(*m_pTrackbar, 240);
    EXPECT_EQ(m_recorder.Take(), (Log{"LINEUP 47", "SLIDER 47", "CHANGED 47"}));
}

TEST_F(TrackbarTest, DraggingTheThumbTracksAndReleasesIt)
{
    SendMouse(*m_pTrackbar, wxEVT_LEFT_DOWN, ThumbCentre());
    EXPECT_TRUE(m_recorder.Log().empty());
    SendMouse(*m_pTrackbar, wxEVT_MOTION, wxPoint(35, 11));  // thumb centre at 35: position 50
    SendMouse(*m_pTrackbar, wxEVT_MOTION, wxPoint(35, 12));  // same position: nothing new
    SendMouse(*m_pTrackbar, wxEVT_MOTION, wxPoint(300, 11)); // beyond the end
    SendMouse(*m_pTrackbar, wxEVT_LEFT_UP, wxPoint(300, 11));
    EXPECT_EQ(m_recorder.Take(), (Log{"THUMBTRACK 50", "SLIDER 50", "THUMBTRACK 100", "SLIDER 100",
                                      "THUMBRELEASE 100", "CHANGED 100"}));
    EXPECT_FALSE(m_pTrackbar->HasCapture());
}

TEST_F(TrackbarTest, PressLeftOfTheThumbPagesDownTheRangeAndKeepsItsDirection)
{
    m_pTrackbar->SetPos(100);
    m_pTrackbar->SetAutoRepeatDelays(5, 5);
    SendMouse(*m_pTrackbar, wxEVT_LEFT_DOWN, wxPoint(40, 11));
    EXPECT_TRUE(WaitUntil([this] { return m_pTrackbar->GetThumbRect().Contains(wxPoint(40, 11)); }));
    // Moving the pointer past the thumb's other side does not turn it round.
    SendMouse(*m_pTrackbar, wxEVT_MOTION, wxPoint(68, 11));
    PumpFor(40);
    SendMouse(*m_pTrackbar, wxEVT_LEFT_UP, wxPoint(68, 11));
    EXPECT_EQ(m_recorder.Take(), (Log{"PAGEUP 80", "SLIDER 80", "PAGEUP 60", "SLIDER 60", "CHANGED 60"}));
}

TEST_F(TrackbarTest, DoubleClickBesideTheThumbIsTwoPagePresses)
{
    m_pTrackbar->SetAutoRepeatDelays(60000, 60000);
    SendMouse(*m_pTrackbar, wxEVT_LEFT_DOWN, wxPoint(65, 11));
    SendMouse(*m_pTrackbar, wxEVT_LEFT_UP, wxPoint(65, 11));
    SendMouse(*m_pTrackbar, wxEVT_LEFT_DCLICK, wxPoint(65, 11));
    SendMouse(*m_pTrackbar, wxEVT_LEFT_UP, wxPoint(65, 11));
    EXPECT_EQ(m_recorder.Take(), (Log{"PAGEDOWN 20", "SLIDER 20", "CHANGED 20", "PAGEDOWN 40", "SLIDER 40", "CHANGED 40"}));
}

TEST_F(TrackbarTest, RealDragMovesTheThumbToTheEnd)
{
    wxUIActionSimulator simulator;
    simulator.MouseMove(m_pTrackbar->ClientToScreen(ThumbCentre()));
    simulator.MouseDown();
    ASSERT_TRUE(WaitUntil([this] { return m_pTrackbar->HasCapture(); }));  // let the press take the capture first
    for (int x = 20; x <= 90; x += 10)
        simulator.MouseMove(m_pTrackbar->ClientToScreen(wxPoint(x, 11)));
    simulator.MouseUp();
    EXPECT_TRUE(WaitUntil([this] { return !m_recorder.Log().empty() && m_recorder.Log().back() == "CHANGED 100"; }));
    const Log log = m_recorder.Take();
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[log.size() - 2], "THUMBRELEASE 100");
    for (std::size_t i = 0; i + 2 < log.size(); ++i)
        EXPECT_TRUE(log[i].rfind("THUMBTRACK ", 0) == 0 || log[i].rfind("SLIDER ", 0) == 0) << log[i];
    EXPECT_EQ(m_pTrackbar->GetPos(), 100);
}

TEST_F(TrackbarTest, RealHoldBesideTheThumbPagesUntilItArrives)
{
    m_pTrackbar->SetAutoRepeatDelays(10, 10);
    wxUIActionSimulator simulator;
    simulator.MouseMove(m_pTrackbar->ClientToScreen(wxPoint(50, 11)));
    simulator.MouseDown();
    EXPECT_TRUE(WaitUntil([this] { return m_pTrackbar->GetPos() == 80; }));
    PumpFor(40);
    simulator.MouseUp();
    EXPECT_TRUE(WaitUntil([this] { return !m_recorder.Log().empty() && m_recorder.Log().back() == "CHANGED 80"; }));
    EXPECT_EQ(m_recorder.Take(), (Log{"PAGEDOWN 20", "SLIDER 20", "PAGEDOWN 40", "SLIDER 40", "PAGEDOWN 60",
                                      "SLIDER 60", "PAGEDOWN 80", "SLIDER 80", "CHANGED 80"}));
    EXPECT_TRUE(m_pTrackbar->GetThumbRect().Contains(wxPoint(50, 11)));  // the thumb stopped under the pointer
}

TEST_F(TrackbarTest, RealKeysMoveTheFocusedTrackbar)
{
    wxUIActionSimulator simulator;
    simulator.MouseMove(m_host.Panel().ClientToScreen(wxPoint(200, 150)));  // keyboard focus follows the pointer
    m_pTrackbar->SetFocus();
    ASSERT_TRUE(WaitUntil([this] { return wxWindow::FindFocus() == m_pTrackbar; }));
    simulator.Char(WXK_RIGHT);
    simulator.Char(WXK_END);
    EXPECT_TRUE(WaitUntil([this] { return m_recorder.Log().size() >= 6; }));
    EXPECT_EQ(m_recorder.Take(), (Log{"LINEDOWN 1", "SLIDER 1", "CHANGED 1", "BOTTOM 100", "SLIDER 100", "CHANGED 100"}));
}

}  // namespace
