// AboutDialog: placement over the main window, the OK button's corner, the
// painted picture, and the three ways to close it.
#include "ui/controls/about_dialog.h"
#include "ui/controls/about_layout.h"
#include "tests/ui/support/gui_test_support.h"
#include "ui/controls/picture_resources.h"
#include "resources/strings/resource_ids.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <gtest/gtest.h>

#include <functional>
#include <utility>

namespace {

const wxSize kPicture(582, 221);

// --- Layout -----------------------------------------------------------------------

TEST(AboutDialogLayout, PlacesWithTruncatingArithmetic)
{
    EXPECT_EQ(AboutWindowPlace(WindowRect{100, 80, 700, 503}, kPicture), wxPoint(109, 181));
    // right - W - left = 579 - 582 - 0 = -3: the offset is -1, not -2.
    EXPECT_EQ(AboutWindowPlace(WindowRect{0, 0, 579, 218}, kPicture), wxPoint(-1, -1));
    EXPECT_EQ(AboutWindowPlace(WindowRect{10, 20, 589, 238}, kPicture), wxPoint(9, 19));
    EXPECT_EQ(AboutOkButtonPlace(kPicture, wxSize(48, 21)), wxPoint(522, 188));
    // A window rectangle ends one past its last pixel.
    const WindowRect rect = ToWindowRect(wxRect(100, 80, 600, 423));
    EXPECT_EQ(rect.right, 700);
    EXPECT_EQ(rect.bottom, 503);
}

// --- The window ---------------------------------------------------------------------

class AboutDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        ParkPointer();
        // The main window's frame at (100, 80)-(700, 503).
        m_host.Frame().SetSize(100, 80, 600, 423);
        m_host.ShowAndWait();
    }

    void TearDown() override { ParkPointer(); }

    // Runs the dialog modally; act runs once its picture is on the screen. A
    // dialog that does not close ends with -1 when the patience runs out.
    int RunModal(AboutDialog& dialog, const std::function<void()>& act)
    {
        wxTimer giveUp;
        giveUp.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { dialog.EndModal(-1); });
        giveUp.StartOnce(2 * kPatienceMs);
        dialog.CallAfter([&] {
            const wxPoint corner(5, 215);
            const wxColour expected = PixelOf(LoadBitmapResource(IDB_ABOUT_PICTURE).ConvertToImage(), corner);
            EXPECT_EQ(WaitForPixel(dialog, corner, expected), expected) << "the about window never painted";
            act();
        });
        return dialog.ShowModal();
    }

    wxButton& OkButton(AboutDialog& dialog) { return *static_cast<wxButton*>(dialog.FindWindow(wxID_OK)); }

    TestHost m_host{wxSize(600, 423), wxPoint(100, 80)};
};

TEST_F(AboutDialogTest, OpensCentredAtThePicturesSizeWithA48By21OkButtonAt522_188)
{
    ASSERT_EQ(m_host.Frame().GetScreenRect(), wxRect(100, 80, 600, 423));
    AboutDialog dialog(&m_host.Frame());
    dialog.Show();
    EXPECT_EQ(dialog.GetScreenPosition(), wxPoint(109, 181));
    EXPECT_EQ(dialog.GetSize(), kPicture);
    EXPECT_EQ(dialog.GetClientSize(), kPicture);
    EXPECT_EQ(OkButton(dialog).GetRect(), wxRect(522, 188, 48, 21));
    EXPECT_TRUE(OkButton(dialog).IsShown());
    dialog.Hide();
}

TEST_F(AboutDialogTest, WithoutParentCentresOverTheApplicationsTopWindow)
{
    wxTheApp->SetTopWindow(&m_host.Frame());
    AboutDialog dialog;
    dialog.Show();
    EXPECT_EQ(dialog.GetScreenPosition(), wxPoint(109, 181));
    dialog.Hide();
    wxTheApp->SetTopWindow(nullptr);
}

TEST_F(AboutDialogTest, PaintsTheWholePictureAgainInPlaceAfterBeingCoveredOrShownAgain)
{
    AboutDialog dialog(&m_host.Frame());
    dialog.Show();
    const wxImage picture = LoadBitmapResource(IDB_ABOUT_PICTURE).ConvertToImage();
    const wxRect okButton(522, 188, 48, 21);
    EXPECT_EQ(WaitForImage(dialog, picture, okButton), 0);
    SaveScreenshot(dialog, "about_dialog");

    const wxColour coverColour(255, 0, 255);
    auto* cover = new wxFrame(nullptr, wxID_ANY, "cover", dialog.ClientToScreen(wxPoint(250, 30)), wxSize(200, 100),
                              wxBORDER_NONE);
    cover->SetBackgroundColour(coverColour);
    cover->Show();
    EXPECT_EQ(WaitForPixel(dialog, wxPoint(300, 60), coverColour), coverColour);
    cover->Hide();
    cover->Destroy();
    EXPECT_EQ(WaitForImage(dialog, picture, okButton), 0);

    dialog.Hide();
    dialog.Show();
    dialog.Refresh();
    EXPECT_EQ(WaitForImage(dialog, picture, okButton), 0);
    EXPECT_EQ(dialog.GetScreenPosition(), wxPoint(109, 181));
    EXPECT_EQ(dialog.GetSize(), kPicture);
    EXPECT_EQ(OkButton(dialog).GetRect(), okButton);
    dialog.Hide();
}

TEST_F(AboutDialogTest, EnterClosesWithOkAndEscapeWithCancel)
{
    const std::pair<int, int> keysAndResults[] = {{WXK_RETURN, wxID_OK}, {WXK_ESCAPE, wxID_CANCEL}};
    for (const auto& keyAndResult : keysAndResults) {
        const int key = keyAndResult.first;
        SCOPED_TRACE(key);
        AboutDialog dialog(&m_host.Frame());
        const auto press = [&] {
            wxUIActionSimulator simulator;
            // Keyboard focus follows the pointer.
            MoveRealPointer(simulator, dialog.ClientToScreen(wxPoint(200, 100)));
            simulator.Char(key);
        };
        EXPECT_EQ(RunModal(dialog, press), keyAndResult.second);
    }
}

TEST_F(AboutDialogTest, ClickOnOkClosesWithOk)
{
    AboutDialog dialog(&m_host.Frame());
    const int result = RunModal(dialog, [&] {
        wxButton& ok = OkButton(dialog);
        wxUIActionSimulator simulator;
        MoveRealPointer(simulator, ok.ClientToScreen(wxPoint(ok.GetSize().x / 2, ok.GetSize().y / 2)));
        simulator.MouseClick();
    });
    EXPECT_EQ(result, wxID_OK);
}

}  // namespace
