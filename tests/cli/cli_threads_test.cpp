// sonnelith-cli's --threads, --kernel and --timings: how the grains are added
// never changes a byte of the file, and bad values are refused like any other.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/cli_process.h"
#include "tests/support/temp_dir.h"

namespace {

using testing::HasSubstr;
using testing::MatchesRegex;

class CliThreadsTest : public testing::Test {
protected:
    // Four seconds from the bundled sample at the panel's start values.
    CliResult Generate(const std::string& name, std::vector<std::string> extra) const
    {
        std::vector<std::string> arguments{"-q", "-o", m_dir.File(name), "--length", "4", "--seed", "4242"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return RunCli(arguments);
    }

    std::vector<unsigned char> Bytes(const std::string& name) const { return ReadWholeFile(m_dir.File(name)); }

    TempDir m_dir;
};

}  // namespace

TEST_F(CliThreadsTest, OneTwoAndManyThreadsWriteTheSameFileAsTheReferenceKernel)
{
    ASSERT_EQ(Generate("reference.wav", {"--kernel", "reference"}).exitCode, 0);
    ASSERT_EQ(Generate("one.wav", {"--threads", "1"}).exitCode, 0);
    ASSERT_EQ(Generate("two.wav", {"--threads", "2"}).exitCode, 0);
    ASSERT_EQ(Generate("seven.wav", {"--threads", "7", "--kernel", "portable"}).exitCode, 0);
    const std::vector<unsigned char> reference = Bytes("reference.wav");
    ASSERT_EQ(reference.size(), 44u + 4u * 4u * 44100u);
    EXPECT_TRUE(Bytes("one.wav") == reference);
    EXPECT_TRUE(Bytes("two.wav") == reference);
    EXPECT_TRUE(Bytes("seven.wav") == reference);
}

TEST_F(CliThreadsTest, TimingsNameTheKernelAndEveryPhaseEvenWhenQuiet)
{
    const CliResult result = Generate("timed.wav", {"--threads", "2", "--timings"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(result.err, MatchesRegex("Timings \\((avx512|avx2|portable) kernel, 2 threads; "
                                         "sound (kept on disk|synthesised twice)\\):\n"
                                         "  loading +[0-9.]+ s +[0-9.]+ %\n"
                                         "  allocating +[0-9.]+ s +[0-9.]+ %\n"
                                         "  synthesis +[0-9.]+ s +[0-9.]+ %\n"
                                         "  finishing +[0-9.]+ s +[0-9.]+ %\n"
                                         "  writing +[0-9.]+ s +[0-9.]+ %\n"
                                         "  total +[0-9.]+ s\n"));
    EXPECT_EQ(result.out, "");
}

TEST_F(CliThreadsTest, ThreadCountsOutsideOneTo256AreUsageErrors)
{
    for (const char* threads : {"0", "257", "-1", "two", ""}) {
        const CliResult result = Generate("refused.wav", {"--threads", threads});
        EXPECT_EQ(result.exitCode, 2) << threads;
        EXPECT_THAT(result.err, HasSubstr("1 to 256")) << threads;
        EXPECT_FALSE(std::filesystem::exists(m_dir.File("refused.wav"))) << threads;
    }
    EXPECT_EQ(Generate("most.wav", {"--threads", "256"}).exitCode, 0);
}

TEST_F(CliThreadsTest, UnknownKernelIsAUsageError)
{
    const CliResult result = Generate("refused.wav", {"--kernel", "sse9"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_THAT(result.err, HasSubstr("auto, reference, portable, avx2 or avx512"));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("refused.wav")));
}
