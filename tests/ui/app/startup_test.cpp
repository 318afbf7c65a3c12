// Start-up: the display check comes first and either refuses with message
// 61590 or runs the main window modally until it closes.
#include "ui/message_box/message_box_codes.h"
#include "resources/strings/resource_ids.h"
#include "resources/strings/string_table.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_sounds.h"
#include "tests/ui/support/window_test_support.h"
#include "ui/app/application_id.h"
#include "ui/app/generator_app.h"
#include "ui/dialog_template/main_window_ids.h"
#include "ui/main_window/generator_dialog.h"
#include "ui/panel/main_window_parts.h"

#include <gtest/gtest.h>

#include <glib.h>
#include <wx/stattext.h>
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
    EXPECT_EQ(box.m_strCaption, "gui_tests");  // the program file's name
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

TEST(StartUp, AFileNamedOnTheCommandLineIsTheInputAsIfChosenInTheOpenDialog)
{
    TempDir dir;
    const std::string take = dir.File("TAKE01.WAV");
    WriteToneWav(take, 44100 * 3, 44100);
    const std::string notSound = dir.File("notes.txt");
    WriteWholeFile(notSound, std::vector<unsigned char>(100, 'x'));

    struct Seen {
        std::string name, formatLine, timeLine;
    };
    const auto runWith = [](const std::string& startFile) {
        Seen seen;
        wxTheApp->CallAfter([&seen] {
            GeneratorDialog* main = FindMainWindow();
            ASSERT_NE(main, nullptr);
            // The file is taken once the window is up.
            WaitUntil([main] { return !main->GetParts().GetInputPath().empty(); }, 3000);
            const auto textOf = [main](int id) {
                return dynamic_cast<wxStaticText*>(main->FindWindow(id))->GetLabelText().utf8_string();
            };
            seen = {textOf(IDC_INPUT_NAME), textOf(IDC_INPUT_FORMAT_LINE), textOf(IDC_INPUT_TIME_LINE)};
            main->Close();
        });
        EXPECT_EQ(RunGenerator(DisplayFacts{800, 600, 24}, startFile), kExitNormal);
        return seen;
    };

    MessageBoxRecorder boxes;
    const Seen good = runWith(take);
    EXPECT_EQ(good.name, "TAKE01.WAV");
    EXPECT_EQ(good.formatLine, "Format  44100 16 bits stereo");
    EXPECT_EQ(good.timeLine, "Time  00:03     Size  0 MB");
    EXPECT_TRUE(boxes.Requests().empty());

    const Seen bad = runWith(notSound);
    ASSERT_EQ(boxes.Requests().size(), 1u);
    EXPECT_EQ(boxes.Requests()[0].m_strText, LoadResourceString(IDS_ERR_OPEN_INPUT));
    EXPECT_EQ(bad.name, "");
    EXPECT_EQ(bad.formatLine, "");
}

TEST(StartUp, TheProgramIsKnownToTheDesktopByItsApplicationIdAndBoxesByTheProgramFile)
{
    // What the program does first; the window class follows the application name.
    AdoptApplicationId(*wxTheApp);
    EXPECT_EQ(wxTheApp->GetAppName(), "com.korvatek.Sonnelith");
    EXPECT_STREQ(g_get_prgname(), "com.korvatek.Sonnelith");
    EXPECT_EQ(ApplicationName(), "gui_tests");
}
