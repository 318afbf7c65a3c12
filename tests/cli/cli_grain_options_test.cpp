// The options that make grains differ from one another, end to end on sounds
// made by sox: transposition by an interval, a set of intervals and the
// frequencies they give; no aliasing from upward transposition; stereo
// placement; reversed reading; the low cut and the note that suggests it;
// neutral values that change nothing; values that are refused.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/cli/cli_process.h"
#include "tests/formats/sound_file_probe.h"
#include "tests/formats/spectrum.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"

namespace {

using testing::HasSubstr;
using testing::Not;

constexpr double kRate = 44100.0;

class CliGrainOptionsTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!ToolAvailable("sox"))
            GTEST_SKIP() << "sox makes the test sounds";
    }

    // A mono 16-bit sound made by sox's synth effect (and a mix of two), the
    // same on every run (-R): noise and dither otherwise differ from run to run.
    std::string Make(const std::string& name, const std::string& synth, const std::string& mixWith = {})
    {
        const std::string path = m_dir.File(name);
        if (mixWith.empty()) {
            MakeWithTool("sox -R -n -r 44100 -c 1 -b 16 " + ShellQuote(path) + " synth " + synth);
        } else {
            const std::string a = m_dir.File("a-" + name);
            const std::string b = m_dir.File("b-" + name);
            MakeWithTool("sox -R -n -r 44100 -c 1 -b 16 " + ShellQuote(a) + " synth " + synth);
            MakeWithTool("sox -R -n -r 44100 -c 1 -b 16 " + ShellQuote(b) + " synth " + mixWith);
            MakeWithTool("sox -R -m " + ShellQuote(a) + " " + ShellQuote(b) + " " + ShellQuote(path));
        }
        return path;
    }

    // A render of input with no fade, light settings unless extra gives
    // others, and extra's options.
    CliResult Render(const std::string& input, const std::string& output, std::vector<std::string> extra,
                     const std::string& length = "6")
    {
        std::vector<std::string> arguments{input, "-o", output, "--length", length, "--seed", "11", "--fade", "0"};
        const auto given = [&](const std::string& option) {
            return std::find(extra.begin(), extra.end(), option) != extra.end();
        };
        if (!given("--density"))
            arguments.insert(arguments.end(), {"--density", "1000"});
        if (!given("--grain-length"))
            arguments.insert(arguments.end(), {"--grain-length", "200"});
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return RunCli(arguments);
    }

    // One channel of a rendered file.
    std::vector<float> Channel(const std::string& path, int channel = 0)
    {
        const SoundFileContents contents = ReadSoundFile(path);
        EXPECT_TRUE(contents.m_bOpened) << path;
        std::vector<float> samples;
        for (std::size_t i = static_cast<std::size_t>(channel); i < contents.m_samples.size(); i += 2)
            samples.push_back(contents.m_samples[i]);
        return samples;
    }

    Spectrum SpectrumOfRender(const std::string& input, std::vector<std::string> extra)
    {
        const std::string output = m_dir.File("out.wav");
        const CliResult result = Render(input, output, extra);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return SpectrumOf(Channel(output), kRate);
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

// The skewness of the sound's steps from frame to frame: a sawtooth that
// rises slowly and falls at once has large negative steps, so a negative
// skewness; read backwards, a positive one.
double StepSkewness(const std::vector<float>& samples)
{
    std::vector<double> steps;
    for (std::size_t i = 1; i < samples.size(); ++i)
        steps.push_back(static_cast<double>(samples[i]) - samples[i - 1]);
    double mean = 0.0;
    for (const double step : steps)
        mean += step;
    mean /= static_cast<double>(steps.size());
    double m2 = 0.0, m3 = 0.0;
    for (const double step : steps) {
        m2 += (step - mean) * (step - mean);
        m3 += (step - mean) * (step - mean) * (step - mean);
    }
    m2 /= static_cast<double>(steps.size());
    m3 /= static_cast<double>(steps.size());
    return m3 / std::pow(m2, 1.5);
}

std::string Bytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

// A 1000 Hz tone an octave up is 2000 Hz, a fifth down 667 Hz; the peak lies
// within a few hertz (the grains' own envelope widens the line by that much)
// and nothing else comes within 40 dB of it.
TEST_F(CliGrainOptionsTest, PitchTransposesEveryGrain)
{
    const std::string tone = Make("tone.wav", "4 sine 1000 vol 0.5");
    for (const auto& [pitch, expected] : {std::pair{"12", 2000.0}, {"-7", 1000.0 * std::exp2(-7.0 / 12.0)}}) {
        const Spectrum spectrum = SpectrumOfRender(tone, {"--pitch", pitch});
        const double peak = spectrum.LargestBetween(expected - 5, expected + 5);
        EXPECT_NEAR(spectrum.PeakFrequencyBetween(50, 20000), expected, 3.0) << "--pitch " << pitch;
        EXPECT_LT(spectrum.LargestBetween(50, expected - 30), peak * 0.01) << "--pitch " << pitch;
        EXPECT_LT(spectrum.LargestBetween(expected + 30, 20000), peak * 0.01) << "--pitch " << pitch;
    }
}

// Each grain takes one of the set's intervals: both 1000 and 2000 Hz, of
// about equal strength, and nothing else of note.
TEST_F(CliGrainOptionsTest, PitchSetGivesEachOfItsIntervals)
{
    const Spectrum spectrum = SpectrumOfRender(Make("tone.wav", "4 sine 1000 vol 0.5"), {"--pitch-set", "0,12"});
    const double unison = spectrum.LargestBetween(995, 1005);
    const double octave = spectrum.LargestBetween(1995, 2005);
    EXPECT_GT(std::min(unison, octave), 0.3 * std::max(unison, octave));  // within about 10 dB
    const double strongest = std::max(unison, octave);
    EXPECT_LT(spectrum.LargestBetween(50, 970), strongest * 0.01);
    EXPECT_LT(spectrum.LargestBetween(1030, 1970), strongest * 0.01);
    EXPECT_LT(spectrum.LargestBetween(2030, 20000), strongest * 0.01);
}

// A 15 kHz tone an octave up would be 30 kHz, above what 44100 Hz can hold:
// read from the source's band-limited octave it is gone, rather than folded
// back to 14100 Hz. Beside a 1 kHz tone (2 kHz when transposed), nothing in
// the audible band comes within 60 dB of the wanted tone.
TEST_F(CliGrainOptionsTest, UpwardTranspositionDoesNotAlias)
{
    const std::string tones = Make("tones.wav", "4 sine 1000 vol 0.8", "4 sine 15000 vol 0.8");
    const Spectrum spectrum = SpectrumOfRender(tones, {"--pitch", "12"});
    const double wanted = spectrum.LargestBetween(1990, 2010);
    EXPECT_LT(spectrum.LargestBetween(14050, 14150), wanted * 1e-3);
    EXPECT_LT(spectrum.LargestBetween(20, 1950), wanted * 1e-3);
    EXPECT_LT(spectrum.LargestBetween(2050, 20000), wanted * 1e-3);
}

// A mono source placed at random across the field: the channels part ways;
// without a spread they stay one and the same.
TEST_F(CliGrainOptionsTest, PanSpreadWidensAMonoSource)
{
    const std::string noise = Make("noise.wav", "4 whitenoise vol 0.5");
    const std::string centred = m_dir.File("centred.wav");
    const std::string spread = m_dir.File("spread.wav");
    ASSERT_EQ(Render(noise, centred, {"--pan-spread", "0"}, "3").exitCode, 0);
    ASSERT_EQ(Render(noise, spread, {"--pan-spread", "100"}, "3").exitCode, 0);
    EXPECT_EQ(Channel(centred, 0), Channel(centred, 1));
    // Equal-power gains at uniform places correlate at 2/π ≈ 0.64.
    EXPECT_LT(Correlation(Channel(spread, 0), Channel(spread, 1)), 0.85);
}

TEST_F(CliGrainOptionsTest, ReverseReadsEveryGrainBackwards)
{
    const std::string saw = Make("saw.wav", "4 sawtooth 110 vol 0.5");
    const std::string forwards = m_dir.File("forwards.wav");
    const std::string backwards = m_dir.File("backwards.wav");
    ASSERT_EQ(Render(saw, forwards, {"--density", "500", "--grain-length", "50"}, "3").exitCode, 0);
    ASSERT_EQ(Render(saw, backwards, {"--density", "500", "--grain-length", "50", "--reverse", "100"}, "3").exitCode, 0);
    const double forwardSkew = StepSkewness(Channel(forwards));
    const double backwardSkew = StepSkewness(Channel(backwards));
    EXPECT_LT(forwardSkew, -0.3);
    EXPECT_GT(backwardSkew, 0.3);
}

// Pink noise under a tone: without the low cut most of the output's power
// lies below 20 Hz and the program says so; with it, under 5 % does, the
// tone comes out louder for the same peak, and nothing is said.
TEST_F(CliGrainOptionsTest, LowCutTakesOutTheSubAudioBuildUp)
{
    const std::string source = Make("rumble.wav", "8 sine 1000 vol 0.3", "8 pinknoise vol 0.6");
    const std::string plain = m_dir.File("plain.wav");
    const std::string cut = m_dir.File("cut.wav");
    const CliResult plainRun = Render(source, plain, {"--density", "4000", "--grain-length", "800"});
    const CliResult cutRun = Render(source, cut, {"--density", "4000", "--grain-length", "800", "--low-cut", "20"});
    ASSERT_EQ(plainRun.exitCode, 0) << plainRun.err;
    ASSERT_EQ(cutRun.exitCode, 0) << cutRun.err;
    const Spectrum plainSpectrum = SpectrumOf(Channel(plain), kRate);
    const Spectrum cutSpectrum = SpectrumOf(Channel(cut), kRate);
    EXPECT_GT(plainSpectrum.PowerShareBelow(20), 0.3);
    EXPECT_LT(cutSpectrum.PowerShareBelow(20), 0.05);
    EXPECT_GT(cutSpectrum.LargestBetween(995, 1005), 1.4 * plainSpectrum.LargestBetween(995, 1005));  // 3 dB
    EXPECT_THAT(plainRun.err, HasSubstr("--low-cut 20"));
    EXPECT_THAT(cutRun.err, Not(HasSubstr("below 20 Hz")));
    const CliResult quiet = Render(source, plain, {"--density", "4000", "--grain-length", "800", "-q"});
    EXPECT_THAT(quiet.err, Not(HasSubstr("--low-cut")));
}

// Every new option at its neutral value writes today's bytes.
TEST_F(CliGrainOptionsTest, NeutralValuesChangeNoByte)
{
    const std::string tone = Make("tone.wav", "4 sine 440 vol 0.5");
    const std::string plain = m_dir.File("plain.wav");
    const std::string neutral = m_dir.File("neutral.wav");
    ASSERT_EQ(Render(tone, plain, {}, "2").exitCode, 0);
    ASSERT_EQ(Render(tone, neutral,
                     {"--pitch", "0", "--pitch-spread", "0", "--pitch-set", "0", "--pan-spread", "0", "--reverse", "0",
                      "--window", "hann", "--low-cut", "off", "--gain-spread", "0"},
                     "2")
                  .exitCode,
              0);
    EXPECT_EQ(Bytes(neutral), Bytes(plain));
}

// A value out of range or of the wrong form is refused before anything is
// written, with what is allowed.
TEST_F(CliGrainOptionsTest, BadValuesAreRefusedWithWhatIsAllowed)
{
    const std::string tone = Make("tone.wav", "1 sine 440 vol 0.5");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--pitch", "30"}, "-24 to 24"},
        {{"--pan-spread", "-1"}, "0 to 100"},
        {{"--pitch-set", "0,,7"}, "separated by commas"},
        {{"--window", "foo"}, "hann, tukey, gaussian, triangle, decay or swell"},
        {{"--low-cut", "2"}, "5 to 200 Hz, or off"},
        {{"--reverse", "101"}, "0 to 100"},
        {{"--gain-spread", "41"}, "0 to 40 dB"},
    };
    for (const auto& [option, allowed] : cases) {
        const std::string output = m_dir.File("refused.wav");
        const CliResult result = Render(tone, output, option, "1");
        EXPECT_EQ(result.exitCode, 2) << option[0];
        EXPECT_THAT(result.err, HasSubstr(allowed)) << option[0];
        EXPECT_FALSE(std::filesystem::exists(output)) << option[0];
    }
}
