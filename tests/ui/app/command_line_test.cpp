// The command line: at most one sound file, taken as the input.
#include "ui/app/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(CommandLine, TheFirstArgumentThatIsNoOptionIsTheStartFileMadeAbsolute)
{
    const std::string here = std::filesystem::current_path().string();
    EXPECT_EQ(StartInputFile({}), "");
    EXPECT_EQ(StartInputFile({"/a/take.wav"}), "/a/take.wav");
    EXPECT_EQ(StartInputFile({"take.wav", "/b/other.wav"}), here + "/take.wav");
    EXPECT_EQ(StartInputFile({"--sync", "-x", "/a/../b/take.wav"}), "/b/take.wav");
    // After "--" a name may start with a dash.
    EXPECT_EQ(StartInputFile({"--", "-take.wav"}), here + "/-take.wav");
    EXPECT_EQ(StartInputFile({"--", ""}), "");
}

TEST(CommandLine, AFileAddressGivesItsLocalPath)
{
    EXPECT_EQ(StartInputFile({"file:///home/ann/My%20Takes/TAKE01.WAV"}), "/home/ann/My Takes/TAKE01.WAV");
}
