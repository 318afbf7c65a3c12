// sonnelith-cli renders every length in bounded memory: the sound waits in a
// temporary file or is synthesised twice (--spill), with the same bytes
// either way and in every output format; --loop makes a seamless loop that
// sox plays twice without a step or a dip, and libsndfile finds its loop.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/cli_process.h"
#include "tests/cli/loop_seam.h"
#include "tests/formats/sound_file_probe.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"

namespace {

using testing::HasSubstr;

// One channel of interleaved stereo samples.
std::vector<float> Channel(const std::vector<float>& interleaved, std::size_t channel)
{
    std::vector<float> samples;
    for (std::size_t i = channel; i < interleaved.size(); i += 2)
        samples.push_back(interleaved[i]);
    return samples;
}

bool HaveSoundTools()
{
    return ToolAvailable("sox") && ToolAvailable("sndfile-info");
}

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

// Played twice end to end (sox joins the file to itself), the seam is one
// step among the file's usual ones, and the sound keeps its level across it.
// A plain render of the same seed, which begins on the thin start of the
// grains, shows the dip this would catch.
TEST_F(CliStreamingTest, ALoopPlayedTwiceHasNoStepAndNoDipAtItsSeam)
{
    if (!HaveSoundTools())
        GTEST_SKIP() << "sox and sndfile-info are needed";
    constexpr std::size_t kFrames = 6 * 44100;
    constexpr std::size_t kTenth = 4410;
    for (const bool loop : {true, false}) {
        const std::string name = loop ? "loop.wav" : "plain.wav";
        std::vector<std::string> arguments{"-q",     "-o",   m_dir.File(name), "--length", "6",
                                           "--seed", "1",    "--bits",         "32",       "--fade",
                                           loop ? "1" : "0"};
        if (loop)
            arguments.push_back("--loop");
        ASSERT_EQ(RunCli(arguments).exitCode, 0);
        const std::string twice = m_dir.File("twice-" + name);
        ASSERT_EQ(RunTool("sox " + ShellQuote(m_dir.File(name)) + " " + ShellQuote(m_dir.File(name)) + " " +
                          ShellQuote(twice))
                      .exitCode,
                  0);
        const SoundFileContents contents = ReadSoundFile(twice);
        ASSERT_EQ(contents.m_samples.size(), 2 * 2 * kFrames);
        for (std::size_t c = 0; c < 2; ++c) {
            SCOPED_TRACE(testing::Message() << name << ", channel " << c);
            const std::vector<float> samples = Channel(contents.m_samples, c);
            const double whole = Rms(samples, 0, kFrames);
            const double before = Rms(samples, kFrames - kTenth, kTenth);
            const double after = Rms(samples, kFrames, kTenth);
            if (loop) {
                EXPECT_LT(StepRank(samples, kFrames - 1), 0.99);
                EXPECT_GT(before, 0.5 * whole);
                EXPECT_GT(after, 0.5 * whole);
            } else {
                EXPECT_LT(after, 0.4 * whole);
            }
        }
    }
}

// A WAV loop carries its loop points in a smpl chunk, at the delivered rate:
// the whole file, one forward loop.
TEST_F(CliStreamingTest, AWavLoopMarksItsLoopPointsForSndfileInfo)
{
    if (!HaveSoundTools())
        GTEST_SKIP() << "sox and sndfile-info are needed";
    const std::pair<const char*, std::uint64_t> rates[] = {{"44100", 3 * 44100}, {"48000", 3 * 48000}};
    for (const auto& [rate, frames] : rates) {
        const std::string name = std::string("loop-") + rate + ".wav";
        ASSERT_EQ(Generate(name, {"--loop", "--rate", rate}).exitCode, 0);
        const ToolResult info = RunTool("sndfile-info " + ShellQuote(m_dir.File(name)));
        EXPECT_EQ(ToolLine(info.output, "Frames      :"), "Frames      : " + std::to_string(frames)) << rate;
        EXPECT_EQ(ToolLine(info.output, "  Loop Count   :"), "  Loop Count   : 1") << info.output;
        EXPECT_THAT(info.output, testing::ContainsRegex("Start : +0 +End : +" + std::to_string(frames - 1) + " "))
            << info.output;
    }
}
