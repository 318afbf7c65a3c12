#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "tests/support/external_tool.h"
#include "ui/panel/resource_estimate.h"
#include "tests/support/temp_dir.h"

// The figures for lengths alone are checked in the window (OutputLength.*).
TEST(RequiredMemory, CountsTheInputAtTheRunRate)
{
    // Ten seconds of input: 441000 frames at 44100 Hz, 3528000 bytes in memory.
    const std::int32_t withInput = RequiredMemoryMB(15, 441000, 44100);
    EXPECT_EQ(withInput, (5292000 + 3528000 + 352800) / 1048576);
    // The same ten seconds at 11025 Hz become four times as many frames.
    EXPECT_EQ(RequiredMemoryMB(15, 110250, 11025), withInput);
    // An hour of 8-bit mono at 11025 Hz (a 38 MiB file) needs 32 times its size.
    EXPECT_EQ(RequiredMemoryMB(0, 3600 * 11025, 11025), (3600LL * 44100 * 8 + 352800) / 1048576);
}

TEST(FigureText, MegabytesBelowAThousandThenTenthsOfGigabytes)
{
    for (auto [mb, text] : {std::pair{0, "0 MB"}, {999, "999 MB"}, {1000, "1.0 GB"}, {1024, "1.0 GB"},
                            {1536, "1.5 GB"}})
        EXPECT_EQ(FigureText(mb), text);
}

TEST(OutputDisk, IsTheOutputFoldersDiskOrTheCurrentDirectorysWhileNoneIsChosen)
{
    EXPECT_EQ(OutputDiskFolder(""), std::filesystem::current_path().string());
    EXPECT_EQ(OutputDiskFolder("/media/card/take.wav"), "/media/card");
    EXPECT_EQ(OutputDiskFolder("take.wav"), std::filesystem::current_path().string());
}

TEST(OutputDisk, FreeSpaceIsWhatThisUserCanWriteAsStatSaysIt)
{
    ASSERT_TRUE(ToolAvailable("stat"));
    TempDir dir;
    // %a: free blocks open to this user (not those kept for the superuser), %S: block size.
    const ToolResult stat = RunTool("stat -f -c '%a %S' " + ShellQuote(dir.Path().string()));
    ASSERT_EQ(stat.exitCode, 0) << stat.output;
    std::istringstream fields(stat.output);
    unsigned long long blocks = 0, blockSize = 0;
    fields >> blocks >> blockSize;
    const long long expected = static_cast<long long>(blocks * blockSize >> 20);
    // Other programs write to the same disk meanwhile: allow some drift.
    EXPECT_NEAR(FreeDiskMegabytes(dir.Path().string()), std::min<long long>(expected, INT32_MAX), 64);
    EXPECT_EQ(FreeDiskMegabytes(""), 0);
}
