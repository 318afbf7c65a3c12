// sonnelith-cli with the sound files people have and the formats they
// deliver, end to end: every common input kind (made by sox and sndfile-convert
// here) renders and says which way it was read; every delivery format is read
// back by sndfile-info and sox with its peak at the volume; a WAV stream on
// standard output goes into sox; --loudness is judged by an independent
// BS.1770 measurement.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/frame_counts.h"
#include "tests/cli/cli_process.h"
#include "tests/formats/reference_loudness.h"
#include "tests/formats/sound_file_kinds.h"
#include "tests/formats/sound_file_probe.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"

namespace {

using testing::HasSubstr;

constexpr int kSeconds = 2;
constexpr std::uint64_t kFrames = kSeconds * 44100;
constexpr double kVolume = 0.5;  // the default --volume

bool ToolsAvailable()
{
    return ToolAvailable("sox") && ToolAvailable("sndfile-convert") && ToolAvailable("sndfile-info");
}

// Two seconds without fades, so that the file's peak is the volume.
std::vector<std::string> ShortRun(const std::string& input, const std::string& output,
                                  std::vector<std::string> extra = {})
{
    std::vector<std::string> arguments{input, "-o", output, "--length", std::to_string(kSeconds), "--seed", "5",
                                       "--fade", "0"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
}

class CliInputKinds : public testing::TestWithParam<InputKind> {
protected:
    void SetUp() override
    {
        if (!ToolsAvailable())
            GTEST_SKIP() << "sox, sndfile-convert and sndfile-info are needed";
        MakeBaseTones(m_dir);
    }

    TempDir m_dir;
};

// What the program prints about the way an input of that kind was read.
std::string RouteText(const InputKind& kind)
{
    if (kind.m_route == InputRoute::WaveFile)
        return "; read as the desktop program reads it";
    return kind.m_nRate == 44100 ? "; read by libsndfile\n" : "; read by libsndfile, converted to 44100 Hz by libsoxr";
}

}  // namespace

TEST_P(CliInputKinds, RendersTheAskedLengthAndSaysHowTheInputWasRead)
{
    const InputKind& kind = GetParam();
    const std::string input = MakeInputKind(kind, m_dir);
    const std::string output = m_dir.File("out.wav");
    const CliResult result = RunCli(ShortRun(input, output));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(result.err, HasSubstr(input + ": "));
    EXPECT_THAT(result.err, HasSubstr(RouteText(kind)));

    const ToolResult info = RunTool("sndfile-info " + ShellQuote(output));
    EXPECT_EQ(ToolLine(info.output, "Frames      :"), "Frames      : " + std::to_string(kFrames));
    EXPECT_EQ(ToolLine(info.output, "Sample Rate :"), "Sample Rate : 44100");
    EXPECT_NEAR(SoxPeak(output), kVolume, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(EveryCommonKind, CliInputKinds, testing::ValuesIn(kInputKinds),
                         [](const testing::TestParamInfo<InputKind>& info) { return info.param.m_szName; });

namespace {

class CliDeliveries : public testing::TestWithParam<Delivery> {
protected:
    void SetUp() override
    {
        if (!ToolsAvailable())
            GTEST_SKIP() << "sox, sndfile-convert and sndfile-info are needed";
    }

    TempDir m_dir;
};

}  // namespace

TEST_P(CliDeliveries, AreReadBackWithThePromisedFormatAndThePeakAtTheVolume)
{
    const Delivery& delivery = GetParam();
    const std::string output = m_dir.File(delivery.m_szFile);
    const CliResult result = RunCli(ShortRun(SONNELITH_SAMPLE_PATH, output, {"--bits", std::to_string(delivery.m_nBits),
                                                                            "--rate", std::to_string(delivery.m_nRate)}));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::uint64_t frames = ConvertedFrameCount(kFrames, 44100, static_cast<std::uint32_t>(delivery.m_nRate));
    ExpectToolsReadDelivery(output, delivery, frames, kVolume);
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, CliDeliveries, testing::ValuesIn(kDeliveries),
                         [](const testing::TestParamInfo<Delivery>& info) { return info.param.m_szName; });

namespace {

class CliStreams : public testing::Test {
protected:
    void SetUp() override
    {
        if (!ToolsAvailable())
            GTEST_SKIP() << "sox, sndfile-convert and sndfile-info are needed";
    }

    // The program's command line for the shell, reading the sample sound.
    static std::string Command(const std::string& input, const std::string& output, const std::string& extra = "")
    {
        std::string command = ShellQuote(CliPath()) + " -q";
        // Appended in two steps: " " + word makes GCC 12's optimiser report
        // a false overflow (-Wstringop-overflow, as in GCC bug 105651) in
        // std::string's insert at the front.
        for (const std::string& word : ShortRun(input, output))
            command.append(" ").append(ShellQuote(word));
        return command + " " + extra;
    }

    TempDir m_dir;
};

}  // namespace

// "-o -" hands sox a WAV stream whose header already holds the right sizes.
TEST_F(CliStreams, StandardOutputPipedIntoSox)
{
    for (const auto& [bits, rate] : {std::pair{16, 44100}, std::pair{24, 48000}, std::pair{32, 96000}}) {
        const std::string delivery = "--bits " + std::to_string(bits) + " --rate " + std::to_string(rate);
        const ToolResult stat = RunTool(Command(SONNELITH_SAMPLE_PATH, "-", delivery) + " | sox -t wav - -n stat");
        ASSERT_EQ(stat.exitCode, 0) << stat.output;
        const auto frames = ConvertedFrameCount(kFrames, 44100, static_cast<std::uint32_t>(rate));
        const double samples = 2.0 * static_cast<double>(frames);
        EXPECT_EQ(ToolNumber(stat.output, "Samples read:"), samples) << delivery;
        EXPECT_NEAR(std::max(ToolNumber(stat.output, "Maximum amplitude:"),
                             -ToolNumber(stat.output, "Minimum amplitude:")),
                    kVolume, 1e-4)
            << delivery;
    }
}

// A file the desktop program accepts gives the same bytes whether it is named,
// redirected or piped into standard input, and whether the output is a file or
// the WAV stream on standard output.
TEST_F(CliStreams, AnInputFromStandardInputAndAnOutputToStandardOutputChangeNoByte)
{
    const std::string input = m_dir.File("in.wav");
    MakeWithTool("sox -n -r 22050 -c 1 -b 8 -e unsigned " + ShellQuote(input) + " synth 1 pinknoise vol 0.5");
    MakeWithTool(Command(input, m_dir.File("named.wav")));
    MakeWithTool(Command("-", m_dir.File("redirected.wav"), "< " + ShellQuote(input)));
    MakeWithTool("cat " + ShellQuote(input) + " | " + Command("-", m_dir.File("piped.wav")));
    MakeWithTool(Command(input, "-", "> " + ShellQuote(m_dir.File("stream.wav"))));
    const std::vector<unsigned char> named = ReadWholeFile(m_dir.File("named.wav"));
    ASSERT_EQ(named.size(), 44 + 4 * kFrames);
    EXPECT_TRUE(ReadWholeFile(m_dir.File("redirected.wav")) == named);
    EXPECT_TRUE(ReadWholeFile(m_dir.File("piped.wav")) == named);
    EXPECT_TRUE(ReadWholeFile(m_dir.File("stream.wav")) == named);
}

// --loudness -18 sets the integrated loudness, measured again here by the
// tests' own BS.1770 on the file as libsndfile reads it back (16-bit samples:
// their rounding moves the loudness by far less than the 0.5 LU allowed).
TEST_F(CliStreams, LoudnessIsSetToTheTargetAndPrinted)
{
    const std::string output = m_dir.File("loud.wav");
    const CliResult result =
        RunCli({"-o", output, "--length", "4", "--seed", "8", "--loudness", "-18", "--volume", "100"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(result.err, HasSubstr("Integrated loudness -18.0 LUFS, peak "));
    const SoundFileContents file = ReadSoundFile(output);
    ASSERT_TRUE(file.m_bOpened);
    EXPECT_NEAR(ReferenceIntegratedLoudness(StereoFramesOf(file), 44100.0), -18.0, 0.5);
    EXPECT_LE(SoxPeak(output), 1.0);
}

// A target out of reach below the volume: the volume holds the peak, and the
// program says so.
TEST_F(CliStreams, TheVolumeCapsThePeakOfALoudnessTarget)
{
    const std::string output = m_dir.File("capped.wav");
    const CliResult result = RunCli(
        {"-o", output, "--length", "4", "--seed", "8", "--fade", "0", "--loudness", "-3", "--volume", "20"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(result.err, HasSubstr("the peak ceiling of 20.0 % held it below the -3.0 LUFS target"));
    EXPECT_NEAR(SoxPeak(output), 0.2, 1e-4);
    const SoundFileContents file = ReadSoundFile(output);
    EXPECT_LT(ReferenceIntegratedLoudness(StereoFramesOf(file), 44100.0), -10.0);
}
