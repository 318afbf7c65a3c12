// The timeline's view of time: from the whole track down to one second, kept
// inside the track, paging along with the playhead, with ruler labels at
// round steps.
#include <gtest/gtest.h>

#include "studio/model/time_view.h"

using namespace studio;

TEST(TimeView, ZoomsFromTheWholeDayDownToOneSecondAndStaysInTheTrack)
{
    TimeView view;
    view.SetWidth(1000);
    view.SetTrackSeconds(24 * 3600);
    view.ShowAll();
    EXPECT_DOUBLE_EQ(view.GetVisibleSeconds(), 24 * 3600);
    view.ZoomTo(0.001, 500);
    EXPECT_DOUBLE_EQ(view.GetVisibleSeconds(), 1.0);
    EXPECT_NEAR(view.SecondsAt(500), 12 * 3600, 1.0);  // zoomed around the middle
    view.ScrollTo(1e9);
    EXPECT_DOUBLE_EQ(view.GetEnd(), 24 * 3600);
    view.ZoomBy(1e9, 0);
    EXPECT_TRUE(view.IsShowingAll());
}

TEST(TimeView, FollowsThePlayheadPageByPage)
{
    TimeView view;
    view.SetWidth(600);
    view.SetTrackSeconds(600);
    view.ZoomTo(60, 0);
    view.Follow(30);
    EXPECT_EQ(view.GetStart(), 0.0);  // in sight: the view stays
    view.Follow(61);
    EXPECT_GT(view.GetStart(), 50.0);
    EXPECT_LE(view.GetStart(), 61.0);
}

TEST(TimeView, TheRulerLabelsRoundTimesFarEnoughApart)
{
    TimeView view;
    view.SetWidth(1000);
    view.SetTrackSeconds(3600);
    view.ShowAll();
    const double step = LabelStep(view, 90);
    EXPECT_EQ(step, 600.0);  // 3.6 s a pixel: ten minutes are 167 pixels
    int labelled = 0;
    for (const RulerTick& tick : RulerTicks(view, 90)) {
        if (tick.m_bLabelled) {
            EXPECT_EQ(std::fmod(tick.m_dSeconds, step), 0.0);
            ++labelled;
        }
    }
    EXPECT_EQ(labelled, 7);  // 0:00 to 1:00:00
    EXPECT_EQ(FormatClockTime(3723.0), "1:02:03");
    EXPECT_EQ(FormatClockTime(7.25, 0.05), "0:07.25");
    EXPECT_EQ(FormatClockTime(59.96, 0.1), "1:00.0");
}
