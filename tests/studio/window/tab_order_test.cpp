// Tab order through the real window: from the timeline, Tab reaches the
// inspector's controls from the top down and comes back round; Shift+Tab
// goes the other way.
#include <gtest/gtest.h>

#include <wx/uiaction.h>

#include <algorithm>
#include <string>
#include <vector>

#include "studio/timeline/timeline_canvas.h"
#include "studio/timeline/timeline_panel.h"
#include "tests/studio/window/studio_window_fixture.h"
#include "tests/support/wx_event_wait.h"
#include "tests/ui/support/gui_test_support.h"

using namespace studio;

namespace {

// The name of the focused window, or of the nearest named one it sits in
// (a spin control's text entry is part of the spin control).
std::string FocusedName()
{
    for (wxWindow* window = wxWindow::FindFocus(); window != nullptr; window = window->GetParent()) {
        const std::string name = window->GetName().utf8_string();
        if (!name.empty() && name != "text" && name != "panel" && name != "wxSpinCtrl" && name != "spinButton")
            return name;
    }
    return "";
}

std::vector<std::string> FocusWalk(int presses, int modifiers)
{
    wxUIActionSimulator simulator;
    std::vector<std::string> names;
    for (int i = 0; i < presses; ++i) {
        simulator.Char(WXK_TAB, modifiers);
        PumpFor(30);
        names.push_back(FocusedName());
    }
    return names;
}

std::ptrdiff_t IndexOf(const std::vector<std::string>& names, const std::string& name)
{
    const auto found = std::find(names.begin(), names.end(), name);
    return found == names.end() ? -1 : found - names.begin();
}

}  // namespace

TEST_F(StudioWindowTest, TabWalksTheWindowFromTheTimelineThroughTheInspectorAndBack)
{
    StudioFrame& frame = MakeWindow();
    Open(SaveSampleScore("piece.toml", 20, true));
    frame.GetTimeline().GetCanvas().SetFocus();
    PumpFor(100);
    ASSERT_EQ(FocusedName(), "timeline");
    // Enough presses for every stop the inspector has, with room for rows yet to come.
    const std::vector<std::string> forward = FocusWalk(70, wxMOD_NONE);
    std::string walk;
    for (const std::string& name : forward)
        walk += name + " > ";
    for (const char* name : {"length", "seed", "volume", "fade", "gain", "density", "pitch"})
        EXPECT_GE(IndexOf(forward, name), 0) << name << " is never reached: " << walk;
    EXPECT_LT(IndexOf(forward, "length"), IndexOf(forward, "volume")) << walk;
    EXPECT_LT(IndexOf(forward, "volume"), IndexOf(forward, "gain")) << walk;
    EXPECT_LT(IndexOf(forward, "gain"), IndexOf(forward, "density")) << walk;
    EXPECT_GE(IndexOf(forward, "timeline"), 0) << "Tab never comes back round: " << walk;

    // Back from the density control: the same stops the other way.
    wxWindow* density = wxWindow::FindWindowByName("density", &frame);
    ASSERT_NE(density, nullptr);
    density->SetFocus();
    PumpFor(50);
    const std::vector<std::string> backward = FocusWalk(12, wxMOD_SHIFT);
    EXPECT_LT(IndexOf(backward, "gain"), IndexOf(backward, "source start"));
    EXPECT_GE(IndexOf(backward, "gain"), 0);
}
