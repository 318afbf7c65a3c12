// A layer's sound shaped after its grains, end to end on sounds made by sox:
// width that holds at the defaults, the pan, the high and low cuts and a cut
// that moves in a score; neutral values that change nothing; values refused
// with what is allowed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "tests/cli/cli_process.h"
#include "tests/formats/sound_file_probe.h"
#include "tests/formats/spectrum.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"

namespace {

using testing::HasSubstr;

constexpr double kRate = 44100.0;

class CliShapingTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!ToolAvailable("sox"))
            GTEST_SKIP() << "sox makes the test sounds";
    }

    std::string Make(const std::string& name, const std::string& synth)
    {
        const std::string path = m_dir.File(name);
        // Repeatable (-R): the same noise every run, so that a figure measured on
        // it is that of one known sound, not of whichever noise sox drew.
        MakeWithTool("sox -R -n -r 44100 -c 1 -b 16 " + ShellQuote(path) + " synth " + synth);
        return path;
    }

    // A render of input without a fade, with extra's options.
    CliResult Render(const std::string& input, const std::string& output, const std::vector<std::string>& extra,
                     const std::string& length = "3")
    {
        std::vector<std::string> arguments{input, "-o", output, "--length", length, "--seed", "11", "--fade", "0"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return RunCli(arguments);
    }

    std::vector<float> Channel(const std::string& path, int channel)
    {
        const SoundFileContents contents = ReadSoundFile(path);
        EXPECT_TRUE(contents.m_bOpened) << path;
        std::vector<float> samples;
        for (std::size_t i = static_cast<std::size_t>(channel); i < contents.m_samples.size(); i += 2)
            samples.push_back(contents.m_samples[i]);
        return samples;
    }

    TempDir m_dir;
};

double Correlation(const std::vector<float>& a, const std::vector<float>& b)
{
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ab += static_cast<double>(a[i]) * b[i];
        aa += static_cast<double>(a[i]) * a[i];
        bb += static_cast<double>(b[i]) * b[i];
    }
    return ab / std::sqrt(aa * bb);
}

double Peak(const std::vector<float>& samples)
{
    double peak = 0.0;
    for (const float sample : samples)
        peak = std::max(peak, static_cast<double>(std::fabs(sample)));
    return peak;
}

std::string Bytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

// At the default density and grain length, thousands of grains overlap:
// spread alone would leave the channels nearly one. With the decorrelator
// they part smoothly: identical at 0, about halfway at 50, at most 0.3 at 100.
TEST_F(CliShapingTest, WidthHoldsAtTheDefaultsOnNoise)
{
    const std::string noise = Make("noise.wav", "4 pinknoise vol 0.5");
    double previous = 1.0;
    for (const std::string spread : {"0", "50", "100"}) {
        SCOPED_TRACE(spread);
        const std::string output = m_dir.File("spread" + spread + ".wav");
        const CliResult result = Render(noise, output, {"--pan-spread", spread});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const double correlation = Correlation(Channel(output, 0), Channel(output, 1));
        if (spread == std::string("0")) {
            EXPECT_EQ(Channel(output, 0), Channel(output, 1));
        } else {
            EXPECT_LT(correlation, previous - 0.2);
        }
        previous = correlation;
    }
    EXPECT_LE(previous, 0.3);
}

// Hard left leaves the right channel silent, hard right the left.
TEST_F(CliShapingTest, PanPlacesTheSound)
{
    const std::string tone = Make("tone.wav", "2 sine 440 vol 0.5");
    for (const auto& [pan, silent] : {std::pair{"-100", 1}, std::pair{"100", 0}}) {
        SCOPED_TRACE(pan);
        const std::string output = m_dir.File("pan.wav");
        const CliResult result = Render(tone, output, {"--density", "1000", "--grain-length", "200", "--pan", pan});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_LT(Peak(Channel(output, silent)), 1e-4);
        EXPECT_GT(Peak(Channel(output, 1 - silent)), 0.4);
    }
}

// White noise through the cuts: a high cut at 1 kHz keeps nearly all the
// power below 2 kHz, steeper at 24 dB per octave; a low cut at 2 kHz leaves
// almost none below 500 Hz.
TEST_F(CliShapingTest, CutsShapeTheTone)
{
    const std::string noise = Make("white.wav", "4 whitenoise vol 0.5");
    const std::vector<std::string> light{"--density", "1000", "--grain-length", "200"};
    const auto share = [&](std::vector<std::string> options, double below) {
        options.insert(options.end(), light.begin(), light.end());
        const std::string output = m_dir.File("cut.wav");
        const CliResult result = Render(noise, output, options);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return SpectrumOf(Channel(output, 0), kRate).PowerShareBelow(below);
    };
    const double gentle = share({"--high-cut", "1000"}, 2000);
    const double steep = share({"--high-cut", "1000", "--tone-slope", "24"}, 2000);
    EXPECT_GT(gentle, 0.9);
    EXPECT_GT(steep, 0.98);
    EXPECT_GT(steep, gentle);
    EXPECT_LT(share({"--tone-low-cut", "2000", "--tone-slope", "24"}, 500), 0.01);
    EXPECT_LT(share({}, 2000), 0.2);
}

// A score's high cut holds at 300 Hz for two seconds, then opens to 16 kHz
// over the next two: the first second is dark, the last bright.
TEST_F(CliShapingTest, AHighCutMovesInAScore)
{
    Make("white.wav", "2 whitenoise vol 0.5");
    const std::string score = m_dir.File("open.toml");
    std::ofstream(score) << "length = 4\nseed = 3\nfade = 0\n[[layer]]\nsource = \"white.wav\"\ndensity = 1000\n"
                            "grain_length = 200\nhigh_cut = 300\ntone_slope = 24\n[[layer.at]]\ntime = 2\n"
                            "high_cut = 300\n[[layer.at]]\ntime = 4\nhigh_cut = 16000\n";
    const std::string output = m_dir.File("open.wav");
    const CliResult result = RunCli({"-q", score, "-o", output});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::vector<float> left = Channel(output, 0);
    const std::vector<float> first(left.begin(), left.begin() + 44100);
    const std::vector<float> last(left.end() - 44100, left.end());
    EXPECT_GT(SpectrumOf(first, kRate).PowerShareBelow(2000), 0.99);
    EXPECT_LT(SpectrumOf(last, kRate).PowerShareBelow(2000), 0.3);
}

// The neutral values write today's bytes.
TEST_F(CliShapingTest, NeutralValuesChangeNoByte)
{
    const std::string tone = Make("tone.wav", "2 sine 440 vol 0.5");
    const std::vector<std::string> light{"--density", "1000", "--grain-length", "200"};
    ASSERT_EQ(Render(tone, m_dir.File("plain.wav"), light, "2").exitCode, 0);
    std::vector<std::string> neutral = light;
    neutral.insert(neutral.end(), {"--pan", "0", "--high-cut", "20000", "--tone-low-cut", "0", "--tone-slope", "24"});
    ASSERT_EQ(Render(tone, m_dir.File("neutral.wav"), neutral, "2").exitCode, 0);
    EXPECT_EQ(Bytes(m_dir.File("neutral.wav")), Bytes(m_dir.File("plain.wav")));
}

TEST_F(CliShapingTest, ValuesOutOfRangeAreRefusedWithTheirRange)
{
    const std::string tone = Make("tone.wav", "1 sine 440 vol 0.5");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--pan", "101"}, "-100 to 100"},
        {{"--high-cut", "10"}, "20 to 20000"},
        {{"--tone-low-cut", "2500"}, "0 to 2000"},
        {{"--tone-slope", "18"}, "12"},
    };
    for (const auto& [option, allowed] : cases) {
        const std::string output = m_dir.File("refused.wav");
        const CliResult result = Render(tone, output, option, "1");
        EXPECT_EQ(result.exitCode, 2) << option[0];
        EXPECT_THAT(result.err, HasSubstr(allowed)) << option[0];
        EXPECT_FALSE(std::filesystem::exists(output)) << option[0];
    }
}

// In a score too, each key out of its range is refused at its line with the
// range; the slope keeps to its two values, which do not move.
TEST_F(CliShapingTest, ScoreKeysOutOfRangeAreRefusedAtTheirLine)
{
    Make("tone.wav", "1 sine 440 vol 0.5");
    const std::tuple<std::string, int, std::string> cases[] = {
        {"pan = -120", 4, "pan is -120; use -100 to 100"},
        {"high_cut = 10", 4, "high_cut is 10; use 20 to 20000"},
        {"tone_low_cut = 3000", 4, "tone_low_cut is 3000; use 0 to 2000"},
        {"tone_slope = 18", 4, "tone_slope is 18; use 12 to 24 in steps of 12"},
        {"[[layer.at]]\ntime = 1\ntone_slope = 24", 6, "tone_slope"},
    };
    for (const auto& [line, number, message] : cases) {
        SCOPED_TRACE(line);
        const std::string score = m_dir.File("refused.toml");
        std::ofstream(score) << "length = 2\n[[layer]]\nsource = \"tone.wav\"\n" << line << "\n";
        const CliResult result = RunCli({score, "-o", m_dir.File("refused.wav")});
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_THAT(result.err, HasSubstr(score + ":" + std::to_string(number) + ": "));
        EXPECT_THAT(result.err, HasSubstr(message));
        EXPECT_FALSE(std::filesystem::exists(m_dir.File("refused.wav")));
    }
}
