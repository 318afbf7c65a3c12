// Generate, Play, the user's guide and the web site.
#include <gtest/gtest.h>

#include <filesystem>

#include "ui/panel/install_location.h"
#include "ui/dialog_template/main_window_ids.h"
#include "tests/ui/panel/panel_test_support.h"
#include "resources/strings/resource_ids.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_sounds.h"

TEST(Generate, RefusesWithoutInputThenWithoutOutputThenWithoutDiskSpace)
{
    TempDir dir;
    const std::string input = dir.File("in.wav");
    WriteToneWav(input, 44100, 44100);
    PartsHost host;
    host.ChooseOutput(dir.File("out.wav"));
    host.Click(IDC_GENERATE);
    EXPECT_EQ(host.TakeMessages(), std::vector<int>{IDS_SELECT_INPUT});

    PartsHost second;
    second.ChooseInput(input);
    second.Click(IDC_GENERATE);
    EXPECT_EQ(second.TakeMessages(), std::vector<int>{IDS_SELECT_OUTPUT});
    // An output where no free space can be found: 0 MB available, 2 MB needed.
    second.ChooseOutput("/proc/sonnelith-test/out.wav");
    second.Click(IDC_GENERATE);
    EXPECT_EQ(second.TakeMessages(), std::vector<int>{IDS_ERR_DISK_SPACE});
    EXPECT_TRUE(second.Runs().empty());
    EXPECT_TRUE(host.Runs().empty());
}

TEST(Generate, StartsARunWithThePathsTheLengthAndTheSliders)
{
    TempDir dir;
    const std::string input = dir.File("in.wav");
    WriteToneWav(input, 44100, 44100);
    PartsHost host;
    host.ChooseInput(input);
    host.ChooseOutput(dir.File("out"));
    host.Click(IDC_GENERATE);
    ASSERT_EQ(host.Runs().size(), 1u);
    const GenerationSettings& settings = host.Runs()[0];
    EXPECT_EQ(settings.m_strInputPath, input);
    EXPECT_EQ(settings.m_strOutputPath, dir.File("out.wav"));
    EXPECT_EQ(settings.m_nDurationSeconds, 15);
    // The start positions; every position's mapping is checked in ParameterPanel.*.
    EXPECT_EQ(settings.m_nGrainsPerSecond, 4000);
    EXPECT_EQ(settings.m_nGrainFrames, 35280);
    EXPECT_EQ(settings.m_dVolume, 0.5);
    EXPECT_TRUE(host.TakeMessages().empty());
}

TEST(Generate, RefusesTheInputFileAsOutputUnderAnyOfItsNamesBeforeAnyRun)
{
    TempDir dir;
    const std::string input = dir.File("in.wav");
    WriteToneWav(input, 44100, 44100);
    const std::vector<unsigned char> before = ReadWholeFile(input);
    std::filesystem::create_symlink(input, dir.File("link.wav"));
    std::filesystem::create_hard_link(input, dir.File("hard.wav"));
    PartsHost host;
    host.ChooseInput(input);
    for (const char* name : {"in.wav", "link.wav", "hard.wav"}) {
        host.ChooseOutput(dir.File(name));
        host.Click(IDC_GENERATE);
        EXPECT_EQ(host.TakeMessages(), std::vector<int>{IDS_ERR_SAME_FILE}) << name;
    }
    EXPECT_TRUE(host.Runs().empty());
    EXPECT_EQ(ReadWholeFile(input), before);
}

TEST(Generate, ReadsTheAvailableDiskSpaceAgainJustBeforeItsCheck)
{
    TempDir dir;
    const std::string input = dir.File("in.wav");
    WriteToneWav(input, 44100, 44100);
    PartsHost host;
    host.ChooseInput(input);
    // No free space can be found while the folder does not exist ...
    host.ChooseOutput(dir.File("later/out.wav"));
    ASSERT_EQ(host.TextOf(IDC_AVAILABLE_DISK), "0 MB");
    // ... and it is there by the time Start is pressed.
    std::filesystem::create_directory(dir.File("later"));
    host.Click(IDC_GENERATE);
    EXPECT_TRUE(host.TakeMessages().empty());
    EXPECT_EQ(host.Runs().size(), 1u);
    EXPECT_NE(host.TextOf(IDC_AVAILABLE_DISK), "0 MB");
}

// A failed open of a chosen output: XdgOpener.PlayOfAnOutputNotYetGeneratedFailsWithTheMessage.
TEST(Play, NeedsAnOutput)
{
    PartsHost host;
    host.Click(IDC_PLAY);
    EXPECT_EQ(host.TakeMessages(), std::vector<int>{IDS_SELECT_OUTPUT});
    EXPECT_TRUE(host.Opener().m_targets.empty());
}

TEST(WebSite, OpensTheAddressAndNeverSaysAWord)
{
    PartsHost host;
    host.Opener().m_bSucceed = false;
    host.Click(IDC_WEB_SITE);
    EXPECT_TRUE(host.TakeMessages().empty());
    EXPECT_EQ(host.Opener().m_targets, std::vector<std::string>{kWebSiteAddress});
}

TEST(UserGuide, OpensInTheRecordedInstallFolderElseTheDataFolderAndReportsAFailedOpen)
{
    TempDir dir;
    const std::string config = dir.File("sonnelith.conf");
    const std::string text = "InstallPath=/opt/sonnelith/share/sonnelith\n";
    WriteWholeFile(config, std::vector<unsigned char>(text.begin(), text.end()));
    PartsHost host;
    host.Parts().SetInstallConfigFile(config);
    host.Parts().SetDataFolder("/usr/share/sonnelith");
    host.Click(IDC_USER_GUIDE);
    EXPECT_TRUE(host.TakeMessages().empty());

    host.Parts().SetInstallConfigFile(dir.File("absent.conf"));
    host.Opener().m_bSucceed = false;
    host.Click(IDC_USER_GUIDE);
    EXPECT_EQ(host.TakeMessages(), std::vector<int>{IDS_ERR_USER_GUIDE});
    EXPECT_EQ(host.Opener().m_targets, (std::vector<std::string>{
        "/opt/sonnelith/share/sonnelith/Sonnelith - User's Guide.pdf",
        "/usr/share/sonnelith/Sonnelith - User's Guide.pdf"}));
}
