// Shaping a score with the mouse and the keyboard through the real window,
// with real X input: a keyframe added with a click, dragged, moved with the
// arrows, undone with Ctrl+Z and redone with Ctrl+Shift+Z, its value typed,
// saved with Ctrl+S; the saved score holds what was done and sonnelith-cli
// renders it.
#include <gtest/gtest.h>

#include <gtk/gtk.h>
#include <wx/spinctrl.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <fstream>

#include "studio/app/studio_palette.h"
#include "studio/model/lane_points.h"
#include "studio/timeline/timeline_canvas.h"
#include "studio/timeline/timeline_panel.h"
#include "tests/studio/studio_test_support.h"
#include "tests/studio/window/studio_window_fixture.h"
#include "tests/ui/support/gui_test_support.h"

using namespace studio;

namespace {

const LaneKey kDensity = LaneKey::Of(ParameterId::Density);

std::vector<LanePoint> DensityPoints(StudioFrame& frame)
{
    return PointsOf(frame.GetDocument().GetScore().m_layers.at(0), kDensity);
}

// The time within which GTK takes a second press for a double-click.
int DoubleClickMs()
{
    gint time = 400;
    g_object_get(gtk_settings_get_default(), "gtk-double-click-time", &time, nullptr);
    return time;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST_F(StudioWindowTest, KeyframesAreAddedDraggedUndoneAndSavedFromTheMouseAndKeys)
{
    StudioFrame& frame = MakeWindow();
    const std::string path = SaveSampleScore("piece.toml", 20, true);
    Open(path);
    ASSERT_TRUE(frame.GetDocument().HasLayers());
    TimelineCanvas& canvas = frame.GetTimeline().GetCanvas();
    canvas.AddLane(0, kDensity);
    PumpFor(100);
    const std::optional<wxRect> plot = canvas.LanePlotRect(0, kDensity);
    ASSERT_TRUE(plot);
    wxUIActionSimulator simulator;
    // A click a quarter of the way along, halfway up: a keyframe there.
    const wxPoint at = canvas.ClientToScreen(wxPoint(plot->x + plot->width / 4, plot->y + plot->height / 2));
    MoveRealPointer(simulator, at);
    simulator.MouseClick();
    ASSERT_TRUE(WaitUntil([&] { return DensityPoints(frame).size() == 1; }));
    const LanePoint added = DensityPoints(frame)[0];
    EXPECT_NEAR(added.m_dSeconds, 5.0, 0.2);
    EXPECT_GT(added.m_dValue, 4000);
    EXPECT_LT(added.m_dValue, 6500);

    // Dragged right and up: later and denser, one step of the history. The
    // press waits out the double-click time, or it would type the value.
    const std::optional<wxPoint> mark = canvas.PointPosition(0, kDensity, added.m_dSeconds);
    ASSERT_TRUE(mark);
    PumpFor(DoubleClickMs() + 100);
    MoveRealPointer(simulator, canvas.ClientToScreen(*mark));
    simulator.MouseDown();
    for (int step = 1; step <= 5; ++step) {
        MoveRealPointer(simulator, canvas.ClientToScreen(*mark + wxPoint(12 * step, -3 * step)));
        PumpFor(20);
    }
    simulator.MouseUp();
    ASSERT_TRUE(WaitUntil([&] { return DensityPoints(frame).at(0).m_dSeconds > added.m_dSeconds + 1.0; }));
    const LanePoint dragged = DensityPoints(frame)[0];
    EXPECT_GT(dragged.m_dValue, added.m_dValue);
    EXPECT_EQ(std::fmod(dragged.m_dValue - 500, 50), 0.0);  // on the table's steps

    // The arrows move the selected keyframe: Right a pixel's time later.
    canvas.SetFocus();
    PumpFor(50);
    simulator.Char(WXK_RIGHT);
    ASSERT_TRUE(WaitUntil([&] { return DensityPoints(frame).at(0).m_dSeconds > dragged.m_dSeconds; }));
    simulator.Char(WXK_UP);
    ASSERT_TRUE(WaitUntil([&] { return DensityPoints(frame).at(0).m_dValue == dragged.m_dValue + 50; }));

    // Ctrl+Z three times: back to where the click put it.
    for (int i = 0; i < 3; ++i) {
        simulator.Char('z', wxMOD_CONTROL);
        PumpFor(50);
    }
    ASSERT_TRUE(WaitUntil([&] { return DensityPoints(frame).at(0).m_dSeconds == added.m_dSeconds; }));
    EXPECT_EQ(DensityPoints(frame)[0].m_dValue, added.m_dValue);
    // Ctrl+Shift+Z does the drag again, Ctrl+Z takes it back.
    simulator.Char('z', wxMOD_CONTROL | wxMOD_SHIFT);
    ASSERT_TRUE(WaitUntil([&] { return DensityPoints(frame).at(0).m_dSeconds == dragged.m_dSeconds; }));
    simulator.Char('z', wxMOD_CONTROL);
    ASSERT_TRUE(WaitUntil([&] { return DensityPoints(frame).at(0).m_dSeconds == added.m_dSeconds; }));

    // Its exact value typed.
    m_texts.push_back("2500");
    canvas.Select(TimelineCanvas::Selection{0, kDensity, added.m_dSeconds});
    simulator.Char(WXK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return DensityPoints(frame).at(0).m_dValue == 2500; }));

    simulator.Char('s', wxMOD_CONTROL);
    ASSERT_TRUE(WaitUntil([&] { return !frame.GetDocument().IsModified(); }));
    const std::string saved = ReadText(path);
    EXPECT_NE(saved.find("[[layer.at]]"), std::string::npos) << saved;
    EXPECT_NE(saved.find("density = 2500"), std::string::npos) << saved;
    EXPECT_EQ(RunProgram(SONNELITH_CLI_PATH, {path, "-o", m_folder.File("out.wav"), "-q"}), 0);
    SaveScreenshot(frame, "studio-editing");
}

TEST_F(StudioWindowTest, TheInspectorsControlsComeFromTheTableAndChangeTheLayer)
{
    StudioFrame& frame = MakeWindow();
    Open(SaveSampleScore("piece.toml", 10, true));
    // Every parameter of a layer has its control, named by its score key.
    for (const ParameterId id : LayerParameters()) {
        const std::string key = FactsOf(LaneKey::Of(id)).m_strScoreKey;
        EXPECT_NE(wxWindow::FindWindowByName(key, &frame), nullptr) << key;
    }
    auto* density = wxDynamicCast(wxWindow::FindWindowByName("density", &frame), wxSpinCtrl);
    ASSERT_NE(density, nullptr);
    density->SetValue(2000);
    wxCommandEvent changed(wxEVT_SPINCTRL, density->GetId());
    changed.SetEventObject(density);
    density->ProcessWindowEvent(changed);
    EXPECT_EQ(frame.GetDocument().GetScore().m_layers[0].m_values.Get(ParameterId::Density), 2000);
    EXPECT_TRUE(frame.GetDocument().IsModified());
    frame.GetCommands().Undo();
    EXPECT_EQ(frame.GetDocument().GetScore().m_layers[0].m_values.Get(ParameterId::Density), 500);
    EXPECT_FALSE(frame.GetDocument().IsModified());
}

// The lanes are drawn once into a picture that the playhead moves over: the
// line is where the playhead is, and where it was the lane shows again.
TEST_F(StudioWindowTest, ThePlayheadMovesOverTheLanesWithoutATrace)
{
    StudioFrame& frame = MakeWindow();
    Open(SaveSampleScore("piece.toml", 10, true));
    TimelineCanvas& canvas = frame.GetTimeline().GetCanvas();
    canvas.AddLane(0, kDensity);
    PumpFor(100);
    const std::optional<wxRect> plot = canvas.LanePlotRect(0, kDensity);
    ASSERT_TRUE(plot);
    const wxColour playhead = CurrentPalette().m_playhead;
    // The columns of the row near the plot's top edge that show the playhead.
    const auto playheadColumns = [&] {
        const wxImage shown = CaptureClient(canvas);
        const double scale = static_cast<double>(shown.GetWidth()) / canvas.GetClientSize().x;
        std::vector<int> columns;
        for (int x = plot->x; x < plot->GetRight(); ++x) {
            if (PixelOf(shown, wxPoint(static_cast<int>(x * scale), static_cast<int>((plot->y + 3) * scale))) == playhead)
                columns.push_back(x);
        }
        return columns;
    };
    frame.MovePlayhead(2.5);
    PumpFor(150);
    const std::vector<int> before = playheadColumns();
    ASSERT_FALSE(before.empty()) << "no playhead drawn";
    frame.MovePlayhead(7.5);
    PumpFor(150);
    const std::vector<int> after = playheadColumns();
    ASSERT_FALSE(after.empty()) << "no playhead drawn after the move";
    EXPECT_GT(after.front(), before.back() + plot->width / 3) << "the playhead did not move";
    for (const int x : before)
        EXPECT_TRUE(std::find(after.begin(), after.end(), x) == after.end()) << "a trace of the playhead at " << x;
}
