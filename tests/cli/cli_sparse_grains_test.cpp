// Sparse grains end to end on a tone made by sox: at a few grains a second
// each grain is heard on its own, on the even grid, with silence between;
// gain_spread gives each grain a level of its own; densities between the
// allowed ones are refused, on the command line and in a score.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/cli/cli_process.h"
#include "tests/formats/sound_file_probe.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"

namespace {

using testing::HasSubstr;

class CliSparseGrainsTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!ToolAvailable("sox"))
            GTEST_SKIP() << "sox makes the test sounds";
        m_strTone = m_dir.File("tone.wav");
        MakeWithTool("sox -n -r 44100 -c 1 -b 16 " + ShellQuote(m_strTone) + " synth 2 sine 440 vol 0.5");
    }

    // The left channel of a render of the tone, without a fade, at 4 grains
    // of 100 ms a second.
    std::vector<float> Render(const std::vector<std::string>& extra)
    {
        const std::string output = m_dir.File("sparse.wav");
        std::vector<std::string> arguments{m_strTone, "-o",    output, "--length", "3", "--seed",
                                           "11",      "--fade", "0",   "--density", "4", "--grain-length",
                                           "100",     "-q"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const CliResult result = RunCli(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        const SoundFileContents contents = ReadSoundFile(output);
        std::vector<float> left;
        for (std::size_t i = 0; i < contents.m_samples.size(); i += 2)
            left.push_back(contents.m_samples[i]);
        return left;
    }

    TempDir m_dir;
    std::string m_strTone;
};

struct Burst {
    std::size_t m_nFirst = 0;
    std::size_t m_nEnd = 0;
    double m_dPeak = 0.0;
};

// Stretches of sound (samples above a thousandth of full scale) parted by at
// least 10 ms of silence.
std::vector<Burst> Bursts(const std::vector<float>& samples)
{
    constexpr std::size_t kGap = 441;
    std::vector<Burst> bursts;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double level = std::fabs(samples[i]);
        if (level < 0.001)
            continue;
        if (bursts.empty() || i > bursts.back().m_nEnd + kGap)
            bursts.push_back({i, i + 1, 0.0});
        bursts.back().m_nEnd = i + 1;
        bursts.back().m_dPeak = std::max(bursts.back().m_dPeak, level);
    }
    return bursts;
}

double Decibels(double ratio)
{
    return 20.0 * std::log10(ratio);
}

}  // namespace

// Grains 0 and 1 start together at frame 0, then one every 11025 frames: 12
// bursts of about 100 ms in 3 s, each starting on the grid, silent between.
TEST_F(CliSparseGrainsTest, FewGrainsASecondAreHeardOneByOneOnTheGrid)
{
    const std::vector<Burst> bursts = Bursts(Render({}));
    ASSERT_EQ(bursts.size(), 12u);
    for (std::size_t i = 0; i < bursts.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(static_cast<double>(bursts[i].m_nFirst), static_cast<double>(i * 11025), 150.0);
        EXPECT_NEAR(static_cast<double>(bursts[i].m_nEnd - bursts[i].m_nFirst), 4410.0, 300.0);
    }
}

// Alone, every grain of a steady tone peaks alike; with a spread of 24 dB
// each has its own level, all within the spread of the loudest. (The first
// burst, two grains together, is left out.)
TEST_F(CliSparseGrainsTest, GainSpreadGivesEachGrainItsOwnLevel)
{
    const auto peaksInDb = [](const std::vector<Burst>& bursts) {
        std::vector<double> peaks;
        for (std::size_t i = 1; i < bursts.size(); ++i)
            peaks.push_back(Decibels(bursts[i].m_dPeak));
        return peaks;
    };
    const std::vector<double> even = peaksInDb(Bursts(Render({})));
    ASSERT_EQ(even.size(), 11u);
    EXPECT_LT(*std::max_element(even.begin(), even.end()) - *std::min_element(even.begin(), even.end()), 0.5);
    // The quietest may fall under the bursts' threshold: fewer bursts then.
    const std::vector<double> spread = peaksInDb(Bursts(Render({"--gain-spread", "24"})));
    ASSERT_GE(spread.size(), 9u);
    const double range = *std::max_element(spread.begin(), spread.end()) - *std::min_element(spread.begin(), spread.end());
    EXPECT_GT(range, 10.0);
    EXPECT_LT(range, 24.5);
}

TEST_F(CliSparseGrainsTest, DensitiesBetweenTheAllowedOnesAreRefused)
{
    const std::string steps = "1 to 499, or 500 to 10000 grains per second in steps of 50";
    for (const char* density : {"0", "2.5", "4025"}) {
        const std::string output = m_dir.File("refused.wav");
        const CliResult result = RunCli({m_strTone, "-o", output, "--length", "1", "--density", density});
        EXPECT_EQ(result.exitCode, 2) << density;
        EXPECT_THAT(result.err, HasSubstr(steps)) << density;
        EXPECT_FALSE(std::filesystem::exists(output)) << density;
    }
    const std::tuple<std::string, std::string> cases[] = {
        {"density = 0.5", "density is 0.5; use 1 to 10000 grains per second"},
        {"gain_spread = 41", "gain_spread is 41; use 0 to 40 dB"},
    };
    for (const auto& [line, message] : cases) {
        SCOPED_TRACE(line);
        const std::string score = m_dir.File("refused.toml");
        std::ofstream(score) << "length = 2\n[[layer]]\nsource = \"tone.wav\"\n" << line << "\n";
        const CliResult result = RunCli({score, "-o", m_dir.File("refused.wav")});
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_THAT(result.err, HasSubstr(score + ":4: " + message));
    }
    // One grain a second renders, in a score too.
    const std::string score = m_dir.File("sparse.toml");
    std::ofstream(score) << "length = 2\n[[layer]]\nsource = \"tone.wav\"\ndensity = 1\ngrain_length = 200\n";
    const CliResult result = RunCli({"-q", score, "-o", m_dir.File("one.wav")});
    EXPECT_EQ(result.exitCode, 0) << result.err;
}
