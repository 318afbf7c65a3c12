// sonnelith-cli as a user meets it: its exit statuses, what it prints (on
// standard error, so that standard output can carry a sound), and the files
// it writes, judged by sox and libsndfile's own tools.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "tests/cli/cli_process.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_sounds.h"

namespace {

using testing::HasSubstr;
using testing::Not;

constexpr std::uintmax_t kHeaderBytes = 44;
constexpr std::uintmax_t kBytesPerSecond = 44100 * 4;

class CliTest : public testing::Test {
protected:
    std::string Output(const std::string& name = "ambient.wav") const { return m_dir.File(name); }

    // A short run from the bundled sample with a fixed generator state.
    CliResult GenerateFromSample(const std::string& output, const std::string& seed,
                                 std::vector<std::string> extra = {}, const std::string& length = "3") const
    {
        std::vector<std::string> arguments{"-o", output, "--length", length, "--seed", seed};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return RunCli(arguments);
    }

    // The value sox's stat effect prints on the line starting with label.
    static double SoxStat(const std::string& path, const std::string& label)
    {
        const ToolResult stat = RunTool("sox " + ShellQuote(path) + " -n stat");
        EXPECT_EQ(stat.exitCode, 0) << stat.output;
        EXPECT_NE(stat.output.find(label), std::string::npos) << "sox printed no '" << label << "':\n" << stat.output;
        return ToolNumber(stat.output, label);
    }

    TempDir m_dir;
};

TEST_F(CliTest, SampleRunWritesAFileThatSoxAndLibsndfileAccept)
{
    // The peak is set before the fades, so without them it is the file's peak.
    const CliResult result = GenerateFromSample(Output(), "1", {"--fade", "0"}, "8");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(result.err, HasSubstr("sonnelith-sample.wav: 16-bit stereo PCM WAV, 44100 Hz; read as the desktop "
                                      "program reads it"));
    EXPECT_THAT(result.err, HasSubstr("Ambient sound generation completed successfully!"));
    EXPECT_THAT(result.err, HasSubstr("Generator state: 1 (--seed 1 repeats this run)"));
    EXPECT_EQ(result.out, "") << "standard output is kept for the sound";
    EXPECT_EQ(std::filesystem::file_size(Output()), kHeaderBytes + 8 * kBytesPerSecond);

    const ToolResult info = RunTool("sndfile-info " + ShellQuote(Output()));
    EXPECT_THAT(info.output, HasSubstr("Sample Rate : 44100"));
    EXPECT_THAT(info.output, HasSubstr("Channels    : 2"));
    EXPECT_THAT(info.output, Not(HasSubstr("Error")));
    // The default volume of 50 % puts the peak at half of full scale, and
    // grain sums of a tone without offset stay centred on zero.
    EXPECT_NEAR(SoxPeak(Output()), 0.5, 0.001);
    EXPECT_NEAR(SoxStat(Output(), "Mean    norm:"), 0.1, 0.1);
    EXPECT_NEAR(SoxStat(Output(), "Mean    amplitude:"), 0.0, 0.01);
}

TEST_F(CliTest, VolumeSetsThePeakLevel)
{
    const CliResult result = GenerateFromSample(Output(), "7", {"--volume", "80", "--fade", "0"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NEAR(SoxPeak(Output()), 0.8, 0.001);
}

TEST_F(CliTest, TheSameSeedGivesTheSameBytesAndAnotherSeedDoesNot)
{
    ASSERT_EQ(GenerateFromSample(Output("a.wav"), "12345").exitCode, 0);
    ASSERT_EQ(GenerateFromSample(Output("b.wav"), "12345").exitCode, 0);
    ASSERT_EQ(GenerateFromSample(Output("c.wav"), "12346").exitCode, 0);
    const auto first = ReadWholeFile(Output("a.wav"));
    EXPECT_EQ(first, ReadWholeFile(Output("b.wav")));
    EXPECT_NE(first, ReadWholeFile(Output("c.wav")));
}

TEST_F(CliTest, WithoutASeedItPrintsTheStateThatRepeatsTheRun)
{
    const CliResult first = RunCli({"-o", Output("a.wav"), "--length", "2"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const auto at = first.err.find("--seed ");
    ASSERT_NE(at, std::string::npos) << first.err;
    const std::string seed = first.err.substr(at + 7, first.err.find(' ', at + 7) - at - 7);
    ASSERT_EQ(RunCli({"-o", Output("b.wav"), "--length", "2", "--seed", seed}).exitCode, 0);
    EXPECT_EQ(ReadWholeFile(Output("a.wav")), ReadWholeFile(Output("b.wav")));
}

TEST_F(CliTest, ZeroLengthWritesAnEmptyWavFile)
{
    const CliResult result = GenerateFromSample(Output(), "1", {}, "00:00");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(std::filesystem::file_size(Output()), kHeaderBytes);
    EXPECT_THAT(RunTool("sndfile-info " + ShellQuote(Output())).output, HasSubstr("Channels    : 2"));
}

TEST_F(CliTest, PipedOutputHasOneFinishedLinePerPhaseAndQuietHasNone)
{
    const CliResult plain = GenerateFromSample(Output("a.wav"), "3");
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_THAT(plain.err, HasSubstr("Loading sound file"));
    EXPECT_THAT(plain.err, HasSubstr("Generating sound"));
    EXPECT_THAT(plain.err, HasSubstr("Writing sound file"));
    EXPECT_THAT(plain.err, HasSubstr("100%"));
    EXPECT_THAT(plain.err, Not(HasSubstr("\r")));

    const CliResult quiet = GenerateFromSample(Output("b.wav"), "3", {"--quiet"});
    ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, "");
}

// Each bad command line is refused with one line naming what is allowed,
// exit status 2, and no file.
struct UsageCase {
    std::string m_strName;
    std::vector<std::string> m_arguments;
    std::string m_strAllowed;
};

std::string UsageCaseName(const testing::TestParamInfo<UsageCase>& info)
{
    return info.param.m_strName;
}

class CliUsageTest : public CliTest, public testing::WithParamInterface<UsageCase> {};

TEST_P(CliUsageTest, IsRefusedWithExitTwoAndNothingWritten)
{
    std::vector<std::string> arguments{"-o", Output()};
    arguments.insert(arguments.end(), GetParam().m_arguments.begin(), GetParam().m_arguments.end());
    const CliResult result = RunCli(arguments);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_THAT(result.err, HasSubstr(GetParam().m_strAllowed));
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_FALSE(std::filesystem::exists(Output()));
}

INSTANTIATE_TEST_SUITE_P(
    BadArguments, CliUsageTest,
    testing::Values(UsageCase{"DensityOffStep", {"--density", "4025"}, "500 to 10000 grains per second in steps of 50"},
                    UsageCase{"GrainLengthOverMaximum", {"--grain-length", "2025"}, "50 to 2000 milliseconds in steps of 25"},
                    UsageCase{"VolumeZero", {"--volume", "0"}, "1 to 100"},
                    UsageCase{"FadeNegative", {"--fade", "-1"}, "0 to 10"},
                    UsageCase{"SegmentNotANumber", {"--segment", "six"}, "1 to 20"},
                    UsageCase{"LengthPastADay", {"--length", "24:00:01"}, "longer than the longest track, 24:00:00"},
                    UsageCase{"SecondsPastADay", {"--length", "86401"}, "longer than the longest track, 24:00:00"},
                    UsageCase{"MinutesPastAnHour", {"--length", "60:00"},
                              "minutes go up to 59; write an hour or more as H:MM:SS, here 1:00:00"},
                    UsageCase{"MinutesAndSecondsPastAnHour", {"--length", "90:30"}, "here 1:30:30"},
                    UsageCase{"NoLengthAtAll", {"--length", "1:2:3"}, "use H:MM:SS or MM:SS up to 24:00:00"},
                    UsageCase{"SeedPast32Bits", {"--seed", "4294967296"}, "0 to 4294967295"},
                    UsageCase{"LoudnessAboveZero", {"--loudness", "3"}, "LUFS from -70 to 0"},
                    UsageCase{"BitsOfNoFormat", {"--bits", "20"}, "use 16, 24 or 32"},
                    UsageCase{"RateNotOffered", {"--rate", "22050"}, "use 44100, 48000, 88200 or 96000"},
                    UsageCase{"UnknownOption", {"--colour", "red"}, "unknown option --colour; see sonnelith-cli --help"},
                    UsageCase{"MistypedOption", {"--grain-lenght", "400"},
                              "unknown option --grain-lenght; did you mean --grain-length?"},
                    UsageCase{"TwoInputs", {"a.wav", "b.wav"}, "unexpected argument b.wav: one input only"},
                    UsageCase{"AnOptionAfterTheirEnd", {"--", "a.wav", "--length", "3"},
                              "unexpected argument --length after --: one input only, and options go before --"},
                    UsageCase{"EmptyInput", {""}, "INPUT: the name is empty (an unset shell variable?)"}),
    UsageCaseName);

// --help fits a 100-column terminal, names each value by what it is, without
// the parser's own type labels, and says how each kind of file is handled.
TEST_F(CliTest, HelpFitsIn100ColumnsAndStatesTheRules)
{
    const CliResult help = RunCli({"--help"});
    ASSERT_EQ(help.exitCode, 0);
    std::istringstream lines(help.out);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 100u) << line;
    for (const char* label : {"TEXT", "INT", "FLOAT", "REQUIRED", "[OPTIONS]", "=00:15", "[50]"})
        EXPECT_THAT(help.out, Not(HasSubstr(label)));
    for (const char* text : {"Usage: sonnelith-cli [INPUT] -o FILE [options]", "  --length [H:]MM:SS",
                             "  --bits 16|24|32", "  --loudness LUFS", "50 to 2000 in steps of 25 (default 800)",
                             "is read as the desktop program reads it", "converted to 44100 Hz by libsoxr",
                             "ITU-R BS.775", "trunc(x * 8388607)", "hidden temporary name", "128 + the signal",
                             "whatever its header claims", "removes what a killed run left", "141 for SIGPIPE",
                             "-- ends the options"})
        EXPECT_THAT(help.out, HasSubstr(text));
}

TEST_F(CliTest, NoArgumentsAtAllPointToHelp)
{
    const CliResult result = RunCli({});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err,
              "sonnelith-cli: nothing to do; give at least an output file (-o FILE), or see sonnelith-cli --help\n");
    EXPECT_EQ(result.out, "");
}

TEST_F(CliTest, MissingOutputIsAUsageError)
{
    const CliResult result = RunCli({"--length", "3"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_THAT(result.err, HasSubstr("--output"));
}

TEST_F(CliTest, AnInputThatCannotBeReadFailsWithTheMessageAndExitOne)
{
    const CliResult result = RunCli({m_dir.File("missing.wav"), "-o", Output()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err,
                HasSubstr("sonnelith-cli: Cannot read " + m_dir.File("missing.wav") + ": No such file or directory"));
    EXPECT_THAT(result.out, Not(HasSubstr("completed successfully")));
    EXPECT_FALSE(std::filesystem::exists(Output()));
}

// The message names the longest grain the input allows, in the slider's steps:
// 0.3 s is 13230 frames, and a 300 ms grain spans 13230 frames too, one short.
TEST_F(CliTest, AnInputTooShortForTheGrainIsRefused)
{
    WriteToneWav(m_dir.File("short.wav"), 13230);
    const CliResult result = RunCli({m_dir.File("short.wav"), "-o", Output()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, HasSubstr("short.wav: a 0.3 s input is shorter than one 800 ms grain; use --grain-length "
                                      "275 or less"));
    EXPECT_FALSE(std::filesystem::exists(Output()));
}

// Two octaves up a grain reads four times its length: the pitch and the
// grain length that fits are named, and that grain length does fit.
TEST_F(CliTest, AnInputTooShortForTransposedGrainsNamesThePitch)
{
    WriteToneWav(m_dir.File("short.wav"), 3 * 44100);
    const CliResult result = RunCli({m_dir.File("short.wav"), "-o", Output(), "--pitch", "24", "--length", "1"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, HasSubstr("short.wav: a 3 s input is shorter than one 800 ms grain at a pitch 24 semitones "
                                      "up, which reads 3.199 s of it; use --grain-length 750 or less, or a lower "
                                      "pitch"));
    EXPECT_FALSE(std::filesystem::exists(Output()));
    const CliResult fits = RunCli({m_dir.File("short.wav"), "-o", Output(), "--pitch", "24", "--length", "1",
                                   "--grain-length", "750", "--density", "500", "-q"});
    EXPECT_EQ(fits.exitCode, 0) << fits.err;
}

// Ctrl+C cancels the run as a confirmed cancel would, with the shell's status
// for SIGINT; the file being written goes with it.
TEST_F(CliTest, InterruptCancelsTheRunWithExit130)
{
    TempDir logs;
    CliProcess process({"-o", Output(), "--length", "59:59", "--seed", "1"}, logs.Path().string());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (FolderEntries(m_dir.Path()).empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_FALSE(FolderEntries(m_dir.Path()).empty()) << "the output was never started";
    process.Signal(SIGINT);
    const CliResult result = process.Wait();
    EXPECT_EQ(result.exitCode, 130);
    EXPECT_THAT(result.err, HasSubstr("cancelled"));
    EXPECT_THAT(result.err, Not(HasSubstr("completed successfully")));
    EXPECT_TRUE(FolderEntries(m_dir.Path()).empty()) << "no partial file";
}

}  // namespace
