// BitmapSlider: where the two pictures go, that the parent's background shows
// around them, repainting after input, and the trackbar's notifications unchanged.
#include "ui/controls/bitmap_slider.h"
#include "tests/ui/support/gui_test_support.h"
#include "ui/controls/picture_resources.h"
#include "resources/strings/resource_ids.h"
#include "tests/ui/support/scroll_recorder.h"
#include "ui/controls/slider_skin_layout.h"

#include <wx/uiaction.h>

#include <gtest/gtest.h>

namespace {

const wxColour kChannel(150, 160, 170);
const wxColour kThumb(20, 200, 60);

// --- Placement ------------------------------------------------------------------

TEST(BitmapSliderLayout, PicturesAreCentredWithEachQuotientTruncatedOnItsOwn)
{
    EXPECT_EQ(ChannelPicturePlace(wxRect(0, 0, 71, 23), wxSize(63, 20)), wxPoint(4, 3));
    EXPECT_EQ(ChannelPicturePlace(wxRect(0, 0, 70, 22), wxSize(63, 20)), wxPoint(4, 3));
    EXPECT_EQ(ThumbPicturePlace(wxRect(20, 1, 11, 21), wxSize(8, 16)), wxPoint(21, 3));  // 20 + 5 - 4
    // 9 / 2 - 5 / 2 = 4 - 2, not (9 - 5) / 2 + something rounded.
    EXPECT_EQ(ChannelPicturePlace(wxRect(0, 0, 9, 9), wxSize(5, 5)), wxPoint(2, 4));
    EXPECT_EQ(ThumbPicturePlace(wxRect(10, 10, 9, 9), wxSize(5, 5)), wxPoint(12, 12));
}

// --- The control ------------------------------------------------------------------

class BitmapSliderTest : public testing::Test {
protected:
    void SetUp() override
    {
        ParkPointer();
        m_pSlider = new BitmapSlider(&m_host.Panel(), 1077, kPlace, wxSize(71, 23));
        m_pSlider->LoadPictures(SolidBitmap(wxSize(63, 20), kChannel), SolidBitmap(wxSize(8, 16), kThumb));
        m_host.ShowAndWait();
    }

    void TearDown() override { ParkPointer(); }

    wxColour ScreenAt(wxPoint clientPoint, const wxColour& expected)
    {
        return WaitForPixel(*m_pSlider, clientPoint, expected);
    }

    static inline const wxPoint kPlace{37, 45};
    TestHost m_host;
    BitmapSlider* m_pSlider = nullptr;
};

TEST_F(BitmapSliderTest, EveryPixelIsTheParentTheChannelOrTheThumb)
{
    m_pSlider->LoadPictures(IDB_SLIDER_CHANNEL, IDB_SLIDER_THUMB);
    const wxImage channel = LoadBitmapResource(IDB_SLIDER_CHANNEL).ConvertToImage();
    const wxImage thumb = LoadBitmapResource(IDB_SLIDER_THUMB).ConvertToImage();
    for (int pos : {0, 37, 100}) {
        SCOPED_TRACE(pos);
        m_pSlider->SetPos(pos);
        // The host's pattern; 71 x 23 puts the channel at (4, 3); the 8 x 16
        // thumb goes 5 - 4 right of the 11-wide thumb rectangle, 10 - 8 below its top.
        wxImage expected = PatternImage().GetSubImage(wxRect(kPlace, wxSize(71, 23)));
        expected.Paste(channel, 4, 3);
        const wxPoint thumbAt = m_pSlider->GetThumbRect().GetPosition() + wxPoint(1, 2);
        expected.Paste(thumb, thumbAt.x, thumbAt.y);
        EXPECT_EQ(WaitForImage(*m_pSlider, expected), 0);
    }
}

TEST_F(BitmapSliderTest, WithoutPicturesOnlyTheParentsBackgroundShows)
{
    m_pSlider->LoadPictures(wxBitmap(), wxBitmap());
    EXPECT_EQ(m_pSlider->GetChannelSize(), wxSize(0, 0));
    const wxColour parent = PixelOf(PatternImage(), kPlace + wxPoint(35, 11));
    EXPECT_EQ(ScreenAt(wxPoint(35, 11), parent), parent);
}

TEST_F(BitmapSliderTest, ParentWithoutItsOwnPaintingShowsItsBackgroundColour)
{
    const wxColour colour(60, 90, 120);
    auto* plain = new wxPanel(&m_host.Panel(), wxID_ANY, wxPoint(150, 100), wxSize(100, 50));
    plain->SetBackgroundColour(colour);
    auto* slider = new BitmapSlider(plain, 1078, wxPoint(10, 10), wxSize(71, 23));
    slider->LoadPictures(SolidBitmap(wxSize(63, 20), kChannel), SolidBitmap(wxSize(8, 16), kThumb));
    EXPECT_EQ(WaitForPixel(*slider, wxPoint(1, 1), colour), colour);
    EXPECT_EQ(WaitForPixel(*slider, wxPoint(4, 3), kChannel), kChannel);
}

TEST_F(BitmapSliderTest, WheelAndKeyRepaintTheThumbAtItsNewPlace)
{
    m_pSlider->SetRange(0, 10);
    const wxPoint start = m_pSlider->GetThumbPlace();
    EXPECT_EQ(ScreenAt(start, kThumb), kThumb);
    SendWheel(*m_pSlider, -240);
    EXPECT_EQ(m_pSlider->GetPos(), 6);
    const wxPoint wheeled = m_pSlider->GetThumbPlace();
    EXPECT_GT(wheeled.x, start.x + 8);
    EXPECT_EQ(ScreenAt(wheeled, kThumb), kThumb);
    EXPECT_EQ(ScreenAt(start, kChannel), kChannel);  // the channel covered the old thumb
    SendKey(*m_pSlider, wxEVT_KEY_DOWN, WXK_END);
    SendKey(*m_pSlider, wxEVT_KEY_UP, WXK_END);
    EXPECT_GT(m_pSlider->GetThumbPlace().x, wheeled.x + 8);
    EXPECT_EQ(ScreenAt(m_pSlider->GetThumbPlace(), kThumb), kThumb);
    EXPECT_EQ(ScreenAt(wheeled, kChannel), kChannel);
}

TEST_F(BitmapSliderTest, RealDragRepaintsAsTheThumbMoves)
{
    wxUIActionSimulator simulator;
    const wxRect thumb = m_pSlider->GetThumbRect();
    simulator.MouseMove(m_pSlider->ClientToScreen(wxPoint(thumb.x + 5, 11)));
    simulator.MouseDown();
    // Moves sent before the press has taken the mouse capture can be lost
    // to the grab that the capture starts: let the press arrive first.
    ASSERT_TRUE(WaitUntil([this] { return m_pSlider->HasCapture(); }));
    simulator.MouseMove(m_pSlider->ClientToScreen(wxPoint(35, 11)));
    EXPECT_TRUE(WaitUntil([this] { return m_pSlider->GetPos() == 50; })) << m_pSlider->GetPos();
    EXPECT_EQ(ScreenAt(m_pSlider->GetThumbPlace(), kThumb), kThumb);
    simulator.MouseUp();
    EXPECT_TRUE(WaitUntil([this] { return !m_pSlider->HasCapture(); }));
}

// The same scripted input on a plain trackbar and on a bitmap slider.
std::vector<std::string> RecordScript(TrackbarControl& control, ScrollRecorder& recorder)
{
    control.SetRange(1, 100);
    control.SetPos(50);
    control.SetAutoRepeatDelays(60000, 60000);
    SendKey(control, wxEVT_KEY_DOWN, WXK_RIGHT);
    SendKey(control, wxEVT_KEY_UP, WXK_RIGHT);
    SendKey(control, wxEVT_KEY_DOWN, WXK_PAGEUP);
    SendKey(control, wxEVT_KEY_UP, WXK_PAGEUP);
    SendWheel(control, -120);
    const wxRect thumb = control.GetThumbRect();
    SendMouse(control, wxEVT_LEFT_DOWN, wxPoint(thumb.x + 5, 11));
    SendMouse(control, wxEVT_MOTION, wxPoint(60, 11));
    SendMouse(control, wxEVT_LEFT_UP, wxPoint(60, 11));
    SendMouse(control, wxEVT_LEFT_DOWN, wxPoint(2, 11));
    SendMouse(control, wxEVT_LEFT_UP, wxPoint(2, 11));
    return recorder.Take();
}

TEST(BitmapSliderNotifications, ParentSeesExactlyWhatAPlainTrackbarSends)
{
    TestHost plainHost(wxSize(200, 100), wxPoint(100, 100));
    TestHost skinnedHost(wxSize(200, 100), wxPoint(400, 100));
    auto* plain = new TrackbarControl(&plainHost.Panel(), 1, wxPoint(10, 10), wxSize(71, 23));
    auto* skinned = new BitmapSlider(&skinnedHost.Panel(), 1, wxPoint(10, 10), wxSize(71, 23));
    skinned->LoadPictures(IDB_SLIDER_CHANNEL, IDB_SLIDER_THUMB);
    plainHost.ShowAndWait();
    skinnedHost.ShowAndWait();
    ScrollRecorder plainLog(plainHost.Panel());
    ScrollRecorder skinnedLog(skinnedHost.Panel());

    const auto expected = RecordScript(*plain, plainLog);
    EXPECT_GT(expected.size(), 10u);
    EXPECT_EQ(RecordScript(*skinned, skinnedLog), expected);
}

TEST(BitmapSliderScreenshot, SkinnedSliderOverTheMainWindowBackground)
{
    const wxBitmap background = LoadBitmapResource(IDB_BACKGROUND);
    TestHost host(wxSize(594, 397), wxPoint(50, 50), background);
    // The scanning-range slider's place: 134, 111 dialog units.
    auto* slider = new BitmapSlider(&host.Panel(), 1067, wxPoint(201, 180), wxSize(71, 23));
    slider->LoadPictures(IDB_SLIDER_CHANNEL, IDB_SLIDER_THUMB);
    slider->SetRange(1, 100);
    slider->SetPos(50);
    host.ShowAndWait();
    const wxColour corner = PixelOf(background.ConvertToImage(), wxPoint(202, 181));
    EXPECT_EQ(WaitForPixel(*slider, wxPoint(1, 1), corner), corner);
    SaveScreenshot(*slider, "bitmap_slider");
    SaveScreenshot(host.Panel(), "bitmap_slider_on_background");
}

}  // namespace
