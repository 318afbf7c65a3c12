// Generate, Play, the user's guide and the web site.
#include <gtest/gtest.h>

#include "main_window_ids.h"
#include "install_location.h"
#include "panel_test_support.h"
#include "resource_ids.h"
#include "temp_dir.h"
#include "test_sounds.h"

namespace {

void WriteText(const std::string& path, const std::string& text)
{
    WriteWholeFile(path, std::vector<unsigned char>(text.begin(), text.end()));
}

}  // namespace

TEST(Generate, RefusesWithoutInputThenWithoutOutputThenWithoutDiskSpace)
{
    TempDir dir;
    const std::string input = dir.File("in.wav");
    WriteToneWav(input, 44100, 44100);
    PartsHost host;
    host.Click(IDC_GENERATE);
    EXPECT_EQ(host.TakeMessages(), std::vector<int>{IDS_SELECT_INPUT});
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
    EXPECT_EQ(settings.m_nGrainsPerSecond, 4000);
    EXPECT_EQ(settings.m_nGrainFrames, 35280);
    EXPECT_EQ(settings.m_nSegmentGrains, 24000);
    EXPECT_EQ(settings.m_nScanFrames, 133);
    EXPECT_EQ(settings.m_dVolume, 0.5);
    EXPECT_EQ(settings.m_nFadeSeconds, 3);
    EXPECT_TRUE(host.TakeMessages().empty());
}

TEST(Play, NeedsAnOutputAndReportsAFailedOpen)
{
    TempDir dir;
    PartsHost host;
    host.Click(IDC_PLAY);
    EXPECT_EQ(host.TakeMessages(), std::vector<int>{IDS_SELECT_OUTPUT});
    EXPECT_TRUE(host.Opener().m_targets.empty());

    host.ChooseOutput(dir.File("out.wav"));
    host.Opener().m_bSucceed = false;
    host.Click(IDC_PLAY);
    EXPECT_EQ(host.TakeMessages(), std::vector<int>{IDS_ERR_PLAY});
    host.Opener().m_bSucceed = true;
    host.Click(IDC_PLAY);
    EXPECT_TRUE(host.TakeMessages().empty());
    EXPECT_EQ(host.Opener().m_targets, (std::vector<std::string>{dir.File("out.wav"), dir.File("out.wav")}));
}

TEST(WebSite, OpensTheAddressAndNeverSaysAWord)
{
    PartsHost host;
    host.Opener().m_bSucceed = false;
    host.Click(IDC_WEB_SITE);
    host.Opener().m_bSucceed = true;
    host.Click(IDC_WEB_SITE);
    EXPECT_TRUE(host.TakeMessages().empty());
    EXPECT_EQ(host.Opener().m_targets, (std::vector<std::string>{kWebSiteAddress, kWebSiteAddress}));
}

TEST(UserGuide, OpensTheGuideInTheRecordedInstallFolder)
{
    TempDir dir;
    const std::string config = dir.File("sonnelith.conf");
    WriteText(config, "InstallPath=/opt/sonnelith/share/sonnelith\n");
    PartsHost host;
    host.Parts().SetInstallConfigFile(config);
    host.Parts().SetDataFolder(dir.Path().string());
    host.Click(IDC_USER_GUIDE);
    ASSERT_EQ(host.Opener().m_targets.size(), 1u);
    EXPECT_EQ(host.Opener().m_targets[0], "/opt/sonnelith/share/sonnelith/Sonnelith - User's Guide.pdf");
    EXPECT_TRUE(host.TakeMessages().empty());
}

TEST(UserGuide, FallsBackToTheDataFolderAndReportsAFailedOpen)
{
    TempDir dir;
    PartsHost host;
    host.Parts().SetInstallConfigFile(dir.File("absent.conf"));
    host.Parts().SetDataFolder("/usr/share/sonnelith");
    host.Opener().m_bSucceed = false;
    host.Click(IDC_USER_GUIDE);
    ASSERT_EQ(host.Opener().m_targets.size(), 1u);
    EXPECT_EQ(host.Opener().m_targets[0], "/usr/share/sonnelith/Sonnelith - User's Guide.pdf");
    EXPECT_EQ(host.TakeMessages(), std::vector<int>{IDS_ERR_USER_GUIDE});
}
