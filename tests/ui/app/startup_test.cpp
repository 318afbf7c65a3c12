// Start-up: the display check comes first and either refuses with message
// 61590 or runs the main window modally until it closes.
#include "ui/app/generator_app.h"
#include "ui/main_window/generator_dialog.h"
#include "engine/message_box.h"
#include "resources/strings/string_table.h"
#include "tests/ui/support/window_test_support.h"

#include <gtest/gtest.h>

#include <wx/toplevel.h>

namespace {

GeneratorDialog* FindMainWindow()
{
    for (wxWindow* window : wxTopLevelWindows) {
        if (auto* dialog = dynamic_cast<GeneratorDialog*>(window))
            return dialog;
    }
    return nullptr;
}

}  // namespace

TEST(DisplayCheck, NeedsAtLeast800By600PixelsAnd15BitsPerPixel)
{
    struct Case {
        int width, height, depth;
        bool usable;
    };
    const Case cases[] = {
        {799, 600, 24, false}, {800, 599, 24, false}, {800, 600, 14, false}, {1024, 768, 8, false},
        {800, 600, 15, true},  {800, 600, 24, true},  {1920, 1080, 24, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsDisplayUsable(c.width, c.height, c.depth), c.usable) << c.width << "x" << c.height << "x" << c.depth;
}

TEST(DisplayCheck, ReadsTheVirtualScreensSizeAndDepth)
{
    // The tests run on a virtual X server started with -screen 0 1280x1024x24.
    const DisplayFacts facts = ReadDisplayFacts();
    EXPECT_EQ(facts.m_nWidth, 1280);
    EXPECT_EQ(facts.m_nHeight, 1024);
    EXPECT_EQ(facts.m_nDepth, 24);
}

TEST(StartUp, ASmallDisplayShowsTheScreenMessageAndNoMainWindow)
{
    bool mainWindowSeen = false;
    MessageBoxRecorder boxes([&](const MessageBoxRequest&) {
        mainWindowSeen = FindMainWindow() != nullptr;
        return IDOK;
    });

    EXPECT_EQ(RunGenerator(DisplayFacts{799, 600, 24}), kExitDisplayTooSmall);

    ASSERT_EQ(boxes.Requests().size(), 1u);
    const MessageBoxRequest& box = boxes.Requests()[0];
    EXPECT_EQ(box.m_strText, LoadResourceString(IDS_ERR_SCREEN));
    EXPECT_EQ(box.m_nStyle, MB_OK | MB_ICONERROR);
    EXPECT_EQ(box.m_strCaption, wxTheApp->GetAppName().utf8_string());
    EXPECT_FALSE(mainWindowSeen);
    EXPECT_EQ(FindMainWindow(), nullptr);
}

TEST(StartUp, TheSmallestUsableDisplayRunsTheMainWindowUntilItCloses)
{
    MessageBoxRecorder boxes;
    bool wasModal = false;
    wxString caption;
    wxTheApp->CallAfter([&] {
        GeneratorDialog* main = FindMainWindow();
        ASSERT_NE(main, nullptr);
        wasModal = main->IsModal();
        caption = main->GetTitle();
        EXPECT_EQ(wxTheApp->GetTopWindow(), main);
        main->Close();
    });

    EXPECT_EQ(RunGenerator(DisplayFacts{800, 600, 15}), kExitNormal);

    EXPECT_TRUE(wasModal);
    EXPECT_EQ(caption, "   Sonnelith");
    EXPECT_TRUE(boxes.Requests().empty());
    // The window object lived on the stack of the start-up and is gone.
    PumpEvents();
    EXPECT_EQ(FindMainWindow(), nullptr);
}
