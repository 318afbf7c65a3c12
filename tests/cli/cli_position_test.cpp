// The reading place end to end on a sweep made by sox, whose frequency tells
// where in it a stretch of the output was read: a position held with no
// spread reads that one place, a position moved by keyframes over the track
// within a small spread journeys through the sweep, and with the whole spread
// the position changes nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "tests/cli/cli_process.h"
#include "tests/formats/sound_file_probe.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"

namespace {

using testing::HasSubstr;

constexpr double kRate = 44100.0;
// The sweep rises linearly from 200 Hz by 400 Hz a second over 10 seconds.
constexpr double kSweepSeconds = 10.0;
// The places a grain of 100 ms may start from: the sweep less one grain and
// one frame.
constexpr double kSpanSeconds = (kSweepSeconds * kRate - 4410.0 - 1.0) / kRate;

double SweepSecondsAt(double hertz)
{
    return (hertz - 200.0) / 400.0;
}

class CliPositionTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!ToolAvailable("sox"))
            GTEST_SKIP() << "sox makes the sweep";
        m_strSweep = m_dir.File("sweep.wav");
        MakeWithTool("sox -n -r 44100 -c 1 -b 16 " + ShellQuote(m_strSweep) + " synth 10 sine 200:4200 vol 0.5");
    }

    // The left channel of the file a run writes to name.
    std::vector<float> Run(std::vector<std::string> arguments, const std::string& name)
    {
        arguments.insert(arguments.end(), {"-o", m_dir.File(name), "-q"});
        const CliResult result = RunCli(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        const SoundFileContents contents = ReadSoundFile(m_dir.File(name));
        std::vector<float> left;
        for (std::size_t i = 0; i < contents.m_samples.size(); i += 2)
            left.push_back(contents.m_samples[i]);
        return left;
    }

    // A plain run of the sweep: grains of 100 ms, 20 a second.
    std::vector<std::string> Plain(const std::vector<std::string>& extra) const
    {
        std::vector<std::string> arguments{m_strSweep, "--length", "4", "--fade", "0", "--seed", "3",
                                           "--density", "20", "--grain-length", "100"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    }

    TempDir m_dir;
    std::string m_strSweep;
};

// The frequency of samples [first, first + count), from their sign changes.
double ZeroCrossingHertz(const std::vector<float>& samples, std::size_t first, std::size_t count)
{
    int changes = 0;
    for (std::size_t i = first + 1; i < first + count && i < samples.size(); ++i)
        changes += (samples[i - 1] < 0.0f) != (samples[i] < 0.0f) ? 1 : 0;
    return changes * 0.5 * kRate / static_cast<double>(count);
}

}  // namespace

// With no spread every grain starts at 25 % of the places it may start
// from: the whole track is the sweep's tone there, a grain's length on.
TEST_F(CliPositionTest, APositionWithoutSpreadReadsThatPlace)
{
    const std::vector<float> left = Run(Plain({"--position", "25", "--position-spread", "0"}), "held.wav");
    ASSERT_EQ(left.size(), 4u * 44100u);
    const double expected = 200.0 + 400.0 * (0.25 * kSpanSeconds + 0.05);
    EXPECT_NEAR(ZeroCrossingHertz(left, 4410, left.size() - 4410), expected, 30.0);
}

// With the whole spread (the default) a position changes no byte.
TEST_F(CliPositionTest, TheWholeSpreadLeavesTheBytesAsTheyWere)
{
    Run(Plain({}), "plain.wav");
    Run(Plain({"--position", "10"}), "placed.wav");
    EXPECT_EQ(ReadWholeFile(m_dir.File("placed.wav")), ReadWholeFile(m_dir.File("plain.wav")));
}

// A line from 0 to 100 % over 8 seconds within a spread of 4 % (a window of
// 0.32 s of the sweep): each half second of the output sounds the part of the
// sweep the line has reached, around it rather than trailing behind it.
TEST_F(CliPositionTest, APositionMovedOverTheTrackJourneysThroughTheSource)
{
    const std::string score = m_dir.File("journey.toml");
    std::ofstream(score) << "length = 8\nfade = 0\nseed = 5\n[[layer]]\nsource = \"sweep.wav\"\ndensity = 20\n"
                            "grain_length = 100\nsegment = 1\nposition = 0\nposition_spread = 4\n"
                            "[[layer.at]]\ntime = \"0:08\"\nposition = 100\n";
    const std::vector<float> left = Run({score}, "journey.wav");
    ASSERT_EQ(left.size(), 8u * 44100u);
    double before = -1.0;
    double offsets = 0.0;
    for (int half = 1; half < 16; ++half) {
        const double middle = half * 0.5;
        const double read = SweepSecondsAt(ZeroCrossingHertz(left, static_cast<std::size_t>((middle - 0.25) * kRate),
                                                             static_cast<std::size_t>(0.5 * kRate)));
        // A grain sounding at the middle started about 50 ms before it, at
        // its place then, and sounds its sweep 50 ms on.
        const double expected = (middle - 0.05) / 8.0 * kSpanSeconds + 0.05;
        EXPECT_NEAR(read, expected, 0.3) << "at " << middle << " s";
        EXPECT_GT(read, before) << "at " << middle << " s";
        before = read;
        offsets += read - expected;
    }
    // A reading pinned to the window's trailing end would lie 0.16 s behind.
    EXPECT_LT(std::fabs(offsets / 15), 0.08);
}

TEST_F(CliPositionTest, PlacesOutOfRangeAreRefusedWithTheirRange)
{
    for (const char* option : {"--position", "--position-spread"}) {
        const CliResult result = RunCli({m_strSweep, "-o", m_dir.File("refused.wav"), option, "101"});
        EXPECT_EQ(result.exitCode, 2) << option;
        EXPECT_THAT(result.err, HasSubstr("0 to 100")) << option;
    }
    const std::string score = m_dir.File("refused.toml");
    std::ofstream(score) << "length = 2\n[[layer]]\nsource = \"sweep.wav\"\nposition = -1\n";
    const CliResult result = RunCli({score, "-o", m_dir.File("refused.wav")});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_THAT(result.err, HasSubstr(score + ":4: position is -1; use 0 to 100 %"));
}
