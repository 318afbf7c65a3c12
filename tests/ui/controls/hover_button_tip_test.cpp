// CHoverButton's tooltip: one tool, registered by the first SetTipText with
// the button's rectangle of that moment, switched on and off by the activate flag.
#include "tests/ui/support/gui_test_support.h"
#include "ui/controls/hover_button.h"
#include "resources/strings/string_table.h"

#include <wx/uiaction.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

namespace {

class HoverButtonTip : public testing::Test {
protected:
    void SetUp() override
    {
        ParkPointer();
        m_pButton = new CHoverButton(&m_host.Panel(), 10002, wxPoint(10, 10));
        m_pButton->LoadFrameStrip(ColourStrip(33, 32, *wxRED, *wxGREEN, *wxBLUE));
    }

    const ToolTipCtrl& Tip() const { return m_pButton->GetTipCtrl(); }

    // The one tool's rectangle and text.
    std::pair<wxRect, wxString> Tool() const
    {
        std::pair<wxRect, wxString> tool;
        EXPECT_TRUE(Tip().GetToolInfo(CHoverButton::kTipToolId, tool.first, tool.second));
        return tool;
    }

    TestHost m_host;
    CHoverButton* m_pButton = nullptr;
};

TEST_F(HoverButtonTip, NullTextDoesNothing)
{
    m_pButton->SetTipText(nullptr, true);
    EXPECT_FALSE(Tip().IsCreated());
    m_pButton->SetTipText("Play the output sound file", true);
    m_pButton->SetTipText(nullptr, false);
    EXPECT_TRUE(Tip().IsActive());
    EXPECT_EQ(Tool().second, "Play the output sound file");
}

TEST_F(HoverButtonTip, OneToolKeepsTheFirstRectangleAndTakesTheLatestText)
{
    m_pButton->SetTipText("first", true);
    EXPECT_EQ(Tool(), std::make_pair(wxRect(0, 0, 33, 32), wxString("first")));
    EXPECT_TRUE(Tip().IsActive());
    m_pButton->LoadFrameStrip(ColourStrip(72, 32, *wxRED, *wxGREEN, *wxBLUE));
    m_pButton->SetTipText("second", true);
    EXPECT_EQ(Tip().GetToolCount(), 1);
    EXPECT_EQ(Tool(), std::make_pair(wxRect(0, 0, 33, 32), wxString("second")));
    EXPECT_EQ(m_pButton->GetToolTipText(), "second");
}

TEST_F(HoverButtonTip, InactiveTipRegistersTheToolButStaysSilent)
{
    m_pButton->SetTipText("Go to the web site", false);
    EXPECT_EQ(Tool().second, "Go to the web site");
    EXPECT_FALSE(Tip().IsActive());
    EXPECT_TRUE(m_pButton->GetToolTipText().empty());

    m_pButton->SetTipText("Go to the web site", true);
    EXPECT_EQ(m_pButton->GetToolTipText(), "Go to the web site");
    m_pButton->SetTipText("Go to the web site", false);
    EXPECT_TRUE(m_pButton->GetToolTipText().empty());
}

TEST_F(HoverButtonTip, FirstMouseEventCreatesAnInactiveTooltip)
{
    SendMouse(*m_pButton, wxEVT_MOTION, wxPoint(3, 3));
    EXPECT_TRUE(Tip().IsCreated());
    EXPECT_FALSE(Tip().IsActive());
    EXPECT_EQ(Tip().GetToolCount(), 0);
}

TEST_F(HoverButtonTip, TipShowsOnlyOverTheToolRectangle)
{
    m_pButton->SetTipText("Display the User's Guide", true);
    m_pButton->LoadFrameStrip(ColourStrip(72, 32, *wxRED, *wxGREEN, *wxBLUE));
    SendMouse(*m_pButton, wxEVT_MOTION, wxPoint(50, 10));  // on the button, beyond the tool
    EXPECT_TRUE(m_pButton->GetToolTipText().empty());
    SendMouse(*m_pButton, wxEVT_MOTION, wxPoint(10, 10));
    EXPECT_EQ(m_pButton->GetToolTipText(), "Display the User's Guide");
}

TEST_F(HoverButtonTip, CommandTipsComeFromTheStringTable)
{
    const struct {
        int id;
        const char* text;
    } tips[] = {
        {61566, "Restore all values to their original setting"},
        {61567, "Select the input sound file name"},
        {61568, "Select the output sound file name"},
        {61569, "Start generating the ambient sound file"},
        {61570, "Play the output sound file"},
        {61571, "Display the User's Guide"},
        {61572, "About the Ambient Generator"},
        {61573, "Go to the web site"},
    };
    for (const auto& tip : tips) {
        SCOPED_TRACE(tip.id);
        m_pButton->SetTipText(LoadResourceString(tip.id), true);
        EXPECT_EQ(m_pButton->GetToolTipText(), tip.text);
    }
    EXPECT_EQ(Tip().GetToolCount(), 1);
    EXPECT_STREQ(LoadResourceString(101), "&About Sonnelith...");
}

// A shown window that was not there before, if there is one.
std::optional<wxRect> NewWindow(const std::vector<wxRect>& before)
{
    for (const wxRect& window : ShownTopLevelWindows()) {
        if (std::find(before.begin(), before.end(), window) == before.end())
            return window;
    }
    return std::nullopt;
}

TEST_F(HoverButtonTip, RestingPointerShowsTheTipNearTheButtonAndLeavingHidesIt)
{
    m_pButton->SetTipText("Play the output sound file", true);
    m_host.ShowAndWait();
    const std::vector<wxRect> before = ShownTopLevelWindows();

    wxUIActionSimulator simulator;
    const wxPoint rest = m_pButton->ClientToScreen(wxPoint(16, 16));
    MoveRealPointer(simulator, rest);
    std::optional<wxRect> tip;
    EXPECT_TRUE(WaitUntil([&] { return (tip = NewWindow(before)).has_value(); })) << "no tooltip appeared";
    if (tip) {
        // GTK puts the tip just below the pointer, never far from it.
        EXPECT_LT(std::abs(tip->y - rest.y), 64) << tip->y;
        EXPECT_LT(std::abs(tip->x + tip->width / 2 - rest.x), tip->width) << tip->x;
    }

    ParkPointer();
    EXPECT_TRUE(WaitUntil([&] { return !NewWindow(before).has_value(); })) << "the tooltip stayed";
}

}  // namespace
