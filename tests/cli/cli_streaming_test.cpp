// sonnelith-cli renders every length in bounded memory: the sound waits in a
// temporary file or is synthesised twice (--spill), with the same bytes
// either way and in every output format.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/cli_process.h"
#include "tests/support/temp_dir.h"

namespace {

using testing::HasSubstr;

class CliStreamingTest : public testing::Test {
protected:
    // A few seconds from the bundled sample, with its timings.
    CliResult Generate(const std::string& name, std::vector<std::string> extra, const ChildSetup& setup = {}) const
    {
        std::vector<std::string> arguments{"-q", "--timings", "-o", m_dir.File(name), "--length", "3",
                                           "--seed",  "99"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return RunCli(arguments, setup);
    }

    std::vector<unsigned char> Bytes(const std::string& name) const { return ReadWholeFile(m_dir.File(name)); }

    TempDir m_dir;
};

}  // namespace

TEST_F(CliStreamingTest, TheSoundKeptOnDiskOrSynthesisedTwiceGivesTheSameBytes)
{
    const std::vector<std::vector<std::string>> deliveries = {
        {}, {"--loudness", "-20", "--rate", "48000"}, {"--bits", "24", "--fade", "1"}};
    for (std::size_t i = 0; i < deliveries.size(); ++i) {
        const std::string disk = "disk" + std::to_string(i) + ".wav";
        const std::string twice = "twice" + std::to_string(i) + ".wav";
        std::vector<std::string> always = deliveries[i];
        always.insert(always.end(), {"--spill", "always"});
        std::vector<std::string> never = deliveries[i];
        never.insert(never.end(), {"--spill", "never", "--threads", "1"});
        const CliResult kept = Generate(disk, always);
        const CliResult again = Generate(twice, never);
        ASSERT_EQ(kept.exitCode, 0) << kept.err;
        ASSERT_EQ(again.exitCode, 0) << again.err;
        EXPECT_THAT(kept.err, HasSubstr("; sound kept on disk)"));
        EXPECT_THAT(again.err, HasSubstr("; sound synthesised twice)"));
        EXPECT_GT(Bytes(disk).size(), 3u * 44100u * 4u);
        EXPECT_TRUE(Bytes(disk) == Bytes(twice)) << i;
    }
}

// auto synthesises twice where no temporary file can be made; always then fails.
TEST_F(CliStreamingTest, AFolderForTemporaryFilesThatIsMissingIsUsedOnlyWhenAskedFor)
{
    const std::string missing = m_dir.File("no-such-folder");
    const ChildSetup elsewhere = [missing] { setenv("TMPDIR", missing.c_str(), 1); };
    const CliResult automatic = Generate("auto.wav", {}, elsewhere);
    ASSERT_EQ(automatic.exitCode, 0) << automatic.err;
    EXPECT_THAT(automatic.err, HasSubstr("; sound synthesised twice)"));
    const CliResult always = Generate("always.wav", {"--spill", "always"}, elsewhere);
    EXPECT_EQ(always.exitCode, 1);
    EXPECT_THAT(always.err, HasSubstr(missing));
    EXPECT_THAT(always.err, HasSubstr("No such file or directory"));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("always.wav")));
}

TEST_F(CliStreamingTest, AnUnknownSpillChoiceIsAUsageError)
{
    const CliResult result = Generate("refused.wav", {"--spill", "sometimes"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_THAT(result.err, HasSubstr("auto, always or never"));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("refused.wav")));
}
