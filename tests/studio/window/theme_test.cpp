// The studio follows the desktop's theme: under a dark theme its drawn views
// are dark too, their text light. Run with GTK_THEME=Adwaita:dark.
#include <gtest/gtest.h>

#include "studio/app/studio_palette.h"
#include "studio/timeline/timeline_canvas.h"
#include "studio/timeline/timeline_panel.h"
#include "tests/studio/window/studio_window_fixture.h"
#include "tests/support/wx_event_wait.h"
#include "tests/ui/support/gui_test_support.h"

using namespace studio;

namespace {

int Brightness(const wxColour& colour)
{
    return (colour.Red() * 3 + colour.Green() * 6 + colour.Blue()) / 10;
}

}  // namespace

TEST_F(StudioWindowTest, UnderADarkThemeTheLanesAreDarkAndTheirTextLight)
{
    const char* theme = std::getenv("GTK_THEME");
    if (theme == nullptr || std::string(theme).find("dark") == std::string::npos)
        GTEST_SKIP() << "run with GTK_THEME=Adwaita:dark";
    StudioFrame& frame = MakeWindow();
    Open(SaveSampleScore("piece.toml", 10, true));
    const StudioPalette palette = CurrentPalette();
    EXPECT_TRUE(palette.m_bDark);
    EXPECT_LT(Brightness(palette.m_laneBackground), 100);
    EXPECT_GT(Brightness(palette.m_text), 150);
    TimelineCanvas& canvas = frame.GetTimeline().GetCanvas();
    canvas.AddLane(0, LaneKey::Of(ParameterId::Density));
    PumpFor(200);
    const std::optional<wxRect> plot = canvas.LanePlotRect(0, LaneKey::Of(ParameterId::Density));
    ASSERT_TRUE(plot);
    const wxImage shown = CaptureClient(canvas);
    const double scale = static_cast<double>(shown.GetWidth()) / canvas.GetClientSize().x;
    // Near the lane's top edge, away from its line and the grid.
    const wxPoint ground(static_cast<int>((plot->x + plot->width * 0.37) * scale), static_cast<int>((plot->y + 3) * scale));
    EXPECT_LT(Brightness(PixelOf(shown, ground)), 100) << "the lane is not dark";
    SaveScreenshot(frame, "studio-dark");
}
