// Hours of output from the real sonnelith-cli: the right length in a few
// megabytes of memory, and a WAV past 4 GiB written as an RF64 file that
// libsndfile reads to its last frame. Light settings (500 grains of 50 ms a
// second, 20 for the file past 4 GiB) keep each run to seconds.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <sndfile.h>
#include <string>
#include <linux/magic.h>
#include <sys/resource.h>
#include <sys/statfs.h>
#include <vector>

#include "tests/cli/cli_process.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"

namespace {

using testing::HasSubstr;

constexpr std::uint64_t kRate = 44100;
constexpr long kMemoryLimitKiB = 150 * 1024;

std::string LightRun(const std::string& length, const std::string& output, int density = 500)
{
    return ShellQuote(CliPath()) + " -q --seed 5 --density " + std::to_string(density) +
           " --grain-length 50 --length " + length + " --spill never -o " + output;
}

// The largest peak memory of any child this test process has waited for, KiB.
long LargestChildPeakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss;
}

// tmpfs or ramfs: files there take memory.
bool IsMemoryDisk(const std::filesystem::path& folder)
{
    struct statfs info {};
    return statfs(folder.c_str(), &info) == 0 && (info.f_type == TMPFS_MAGIC || info.f_type == RAMFS_MAGIC);
}

// Under the sanitizers hours of output take minutes, and the peak memory is
// mostly theirs; the normal build runs these tests.
#ifdef SONNELITH_SANITIZED
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

class CliLongOutput : public testing::Test {
protected:
    void SetUp() override
    {
        if (kSanitized)
            GTEST_SKIP() << "hours of output are for the build without sanitizers";
    }
};

}  // namespace

// Two hours go through a pipe: the header's data size, then the bytes counted.
TEST_F(CliLongOutput, TwoHoursHaveTheirLengthAndStayUnder150MegabytesOfMemory)
{
    const ToolResult counted = RunTool(LightRun("2:00:00", "-") + " | { head -c 44 | od -An -tu4 -j40; wc -c; }");
    ASSERT_EQ(counted.exitCode, 0) << counted.output;
    const std::uint64_t dataBytes = 2 * 3600 * kRate * 4;
    std::istringstream numbers(counted.output);
    std::uint64_t headerSize = 0;
    std::uint64_t rest = 0;
    numbers >> headerSize >> rest;
    EXPECT_EQ(headerSize, dataBytes) << counted.output;
    EXPECT_EQ(rest, dataBytes) << counted.output;
    EXPECT_LT(LargestChildPeakKiB(), kMemoryLimitKiB);
}

// 32-bit float passes 4 GiB after 3 h 23 min (8 bytes a frame). The file is
// what is tested, so the sound is made as cheaply as the program allows: 20
// grains of 50 ms a second, still sound throughout, on one synthesis thread
// (the output is the same on any thread count, and at light densities a second
// thread mostly waits for the next batch of grains, which on a loaded machine
// costs more than it saves). 17 s of processor time instead of 47 s.
TEST_F(CliLongOutput, AWavPastFourGibibytesIsAnRf64ThatLibsndfileReadsToTheEnd)
{
    if (!ToolAvailable("sndfile-info"))
        GTEST_SKIP() << "sndfile-info is needed";
    TempDir dir;
    constexpr std::uint64_t kFrames = (3 * 3600 + 23 * 60) * kRate;
    constexpr std::uintmax_t kNeeded = kFrames * 8 + (std::uintmax_t{1} << 30);  // and a margin of 1 GiB
    if (std::filesystem::space(dir.Path()).available < kNeeded)
        GTEST_SKIP() << "the disk of " << dir.Path() << " has no room for a 4.3 GB file";
    if (IsMemoryDisk(dir.Path()))
        GTEST_SKIP() << dir.Path() << " is kept in memory, which a 4.3 GB file would fill";
    const std::string output = dir.File("long.wav");
    const ToolResult run = RunTool(LightRun("3:23:00", ShellQuote(output), 20) + " --bits 32 --threads 1");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_GT(std::filesystem::file_size(output), std::uint64_t{1} << 32);
    EXPECT_LT(LargestChildPeakKiB(), kMemoryLimitKiB);

    const ToolResult info = RunTool("sndfile-info " + ShellQuote(output));
    EXPECT_THAT(info.output, HasSubstr("\nRF64\n"));
    EXPECT_EQ(ToolLine(info.output, "Frames      :"), "Frames      : " + std::to_string(kFrames)) << info.output;

    // The last frames are there, with sound in them.
    SF_INFO format{};
    SNDFILE* file = sf_open(output.c_str(), SFM_READ, &format);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(format.format & SF_FORMAT_TYPEMASK, SF_FORMAT_RF64);
    EXPECT_EQ(static_cast<std::uint64_t>(format.frames), kFrames);
    std::vector<float> last(2 * kRate);
    ASSERT_EQ(sf_seek(file, static_cast<sf_count_t>(kFrames - kRate), SEEK_SET),
              static_cast<sf_count_t>(kFrames - kRate));
    EXPECT_EQ(sf_readf_float(file, last.data(), static_cast<sf_count_t>(kRate)), static_cast<sf_count_t>(kRate));
    sf_close(file);
    float peak = 0.0f;
    for (const float sample : last)
        peak = std::max(peak, std::abs(sample));
    EXPECT_GT(peak, 0.01f);
}
