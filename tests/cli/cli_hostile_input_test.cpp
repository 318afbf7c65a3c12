// sonnelith-cli against hostile inputs, end to end: files whose length fields
// lie render their real frames in little memory and time; a WAV too long for
// the run is refused with the length message; a cancel during a long load,
// a wait for a FIFO's writer or a copy of standard input ends the program
// within a second with 128 + the signal; inputs of unknown length are read
// for what they hold; the decoders' own notes stay off standard error unless
// --verbose; names with control characters are shown escaped.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sndfile.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "tests/cli/cli_process.h"
#include "tests/formats/forged_sound_files.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_sounds.h"
#include "tests/support/wav_bytes.h"

namespace {

using Clock = std::chrono::steady_clock;
using testing::HasSubstr;

// The bounds a forged input must stay within: a run of a few seconds from a
// sound of 3 s needs about 20 MB; trusting a claim took 16 GB and a minute.
constexpr long kMemoryBoundKiB = 100 * 1024;
constexpr double kTimeBoundSeconds = 10.0;
constexpr std::uint64_t kToneFrames = 3 * 44100;

// Light settings, so that the run itself takes little of the bounds.
const std::vector<std::string> kLightRun = {"--length", "5", "--seed", "1", "--density", "500",
                                            "--grain-length", "50", "--spill", "never"};

#ifdef SONNELITH_SANITIZED
// The sanitizers' shadow memory and slower code are no measure of the program's.
constexpr bool kMeasured = false;
#else
constexpr bool kMeasured = true;
#endif

// A cancel takes effect within a second; under the sanitizers the program
// runs several times slower.
constexpr double kCancelBoundSeconds = kMeasured ? 1.0 : 5.0;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Whether the process has a handler for signal (the SigCgt mask of /proc).
bool Catches(pid_t pid, int signal)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) == 0)
            return ((std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1) != 0;
    }
    return false;
}

// Waits until the program has set up its cancelling signals (it starts slowly
// under the sanitizers), and then a little longer, so that it is at work.
void WaitUntilCancellable(pid_t pid, int signal)
{
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (!Catches(pid, signal) && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
}

struct ForgedInput {
    const char* m_szName;
    const char* m_szFile;
    // Writes the forged file at path.
    void (*m_make)(const std::string& path);
};

void MakeForged(const std::string& path, int format, int rate, void (*forge)(std::vector<unsigned char>&))
{
    std::vector<unsigned char> bytes = WriteToneFile(path, format, rate, kToneFrames);
    forge(bytes);
    WriteWholeFile(path, bytes);
}

const ForgedInput kForgedInputs[] = {
    {"FlacClaimingTwoBillionFrames", "in.flac",
     [](const std::string& path) {
         MakeForged(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100,
                    [](std::vector<unsigned char>& bytes) { SetFlacTotalSamples(bytes, 2'100'000'000); });
     }},
    {"VorbisWithAFarGranule", "in.ogg",
     [](const std::string& path) {
         MakeForged(path, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100,
                    [](std::vector<unsigned char>& bytes) { SetLastOggGranule(bytes, std::uint64_t{1} << 40); });
     }},
    {"OpusWithAFarGranule", "in.opus",
     [](const std::string& path) {
         MakeForged(path, SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000,
                    [](std::vector<unsigned char>& bytes) { SetLastOggGranule(bytes, std::uint64_t{1} << 40); });
     }},
    {"Mp3WithAForgedXingCount", "in.mp3",
     [](const std::string& path) {
         MakeForged(path, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100,
                    [](std::vector<unsigned char>& bytes) { SetXingFrameCount(bytes, 1'800'000); });
     }},
    {"WavWhoseDataChunkClaimsTwoGigabytes", "in.wav",
     [](const std::string& path) {
         WavLayout layout;
         layout.declaredDataSize = 0x7FFFFF00;
         WriteWholeFile(path, MakeWav(layout, Pcm16Bytes(ToneSamples(kToneFrames, 44100, 441.0, 0.5))));
     }},
};

class CliForgedInputs : public testing::TestWithParam<ForgedInput> {
protected:
    TempDir m_dir;
};

}  // namespace

TEST_P(CliForgedInputs, RenderTheirRealFramesInLittleMemoryAndTime)
{
    const std::string input = m_dir.File(GetParam().m_szFile);
    GetParam().m_make(input);
    const std::string output = m_dir.File("out.wav");
    std::vector<std::string> arguments{input, "-o", output};
    arguments.insert(arguments.end(), kLightRun.begin(), kLightRun.end());
    const auto start = Clock::now();
    const CliResult result = RunCli(arguments);
    const double seconds = SecondsSince(start);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(result.err, HasSubstr("completed successfully"));
    EXPECT_EQ(ReadHeaderSizes(ReadWholeFile(output)).m_nData, 5u * 44100 * 4);
    if (kMeasured) {
        EXPECT_LT(result.peakKiB, kMemoryBoundKiB);
        EXPECT_LT(seconds, kTimeBoundSeconds);
    }
}

INSTANTIATE_TEST_SUITE_P(LengthFieldsThatLie, CliForgedInputs, testing::ValuesIn(kForgedInputs),
                         [](const testing::TestParamInfo<ForgedInput>& info) { return info.param.m_szName; });

// A WAV the desktop program's way whose data really is there (a sparse file)
// but holds four times as many frames at 44100 Hz as the run can: the length
// message, not "allocation failed", and before any memory is taken.
TEST(CliTooLongInput, AWavBeyondTheLimitIsRefusedWithTheLengthMessage)
{
    TempDir dir;
    const std::string input = dir.File("long.wav");
    WavLayout layout;
    layout.channels = 1;
    layout.bitsPerSample = 8;
    layout.sampleRate = 11025;
    layout.declaredDataSize = 0x7FFFFF00;
    WriteWholeFile(input, MakeWav(layout, {128, 128}));
    ASSERT_EQ(truncate(input.c_str(), 44 + 0x7FFFFF00L), 0);
    const CliResult result = RunCli({input, "-o", dir.File("out.wav")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err,
                HasSubstr("Cannot read " + input + ": a 194783 s input is longer than the 48695 s the generator can hold"));
    EXPECT_THAT(result.err, testing::Not(HasSubstr("allocation failed")));
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"long.wav"});
    if (kMeasured) {
        EXPECT_LT(result.peakKiB, kMemoryBoundKiB);
    }
}

namespace {

// Each cancelling signal ends a run that waits or loads within a second.
struct Waiting {
    const char* m_szName;
    int m_nSignal;
};

const Waiting kSignals[] = {{"Sigint", SIGINT}, {"Sigterm", SIGTERM}, {"Sighup", SIGHUP}};

class CliCancelledWaits : public testing::TestWithParam<Waiting> {
protected:
    // Sends the signal once the program is at work and answers how long it
    // took to end after it.
    double SignalAndTime(CliProcess& process, CliResult& result) const
    {
        WaitUntilCancellable(process.Pid(), GetParam().m_nSignal);
        const auto sent = Clock::now();
        process.Signal(GetParam().m_nSignal);
        result = process.Wait();
        return SecondsSince(sent);
    }

    void ExpectEndedBySignal(const CliResult& result, double seconds) const
    {
        EXPECT_EQ(result.signal, 0);
        EXPECT_EQ(result.exitCode, 128 + GetParam().m_nSignal) << result.err;
        EXPECT_THAT(result.err, HasSubstr("sonnelith-cli: cancelled"));
        EXPECT_LT(seconds, kCancelBoundSeconds);
    }

    TempDir m_dir;
    TempDir m_logs;
};

}  // namespace

// No writer ever opens the FIFO: the program neither hangs nor ignores the signal.
TEST_P(CliCancelledWaits, AFifoWithoutAWriter)
{
    const std::string fifo = m_dir.File("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    CliProcess process({fifo, "-o", m_dir.File("out.wav")}, m_logs.Path().string());
    CliResult result;
    const double seconds = SignalAndTime(process, result);
    ExpectEndedBySignal(result, seconds);
    EXPECT_EQ(FolderEntries(m_dir.Path()), std::vector<std::string>{"pipe"});
}

// Standard input is a pipe whose writer stays but sends nothing.
TEST_P(CliCancelledWaits, ACopyOfStandardInput)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    CliProcess process({"-", "-o", m_dir.File("out.wav")}, m_logs.Path().string(), [&fds] {
        dup2(fds[0], STDIN_FILENO);
        close(fds[0]);
        close(fds[1]);
    });
    close(fds[0]);
    CliResult result;
    const double seconds = SignalAndTime(process, result);
    close(fds[1]);
    ExpectEndedBySignal(result, seconds);
    EXPECT_TRUE(FolderEntries(m_dir.Path()).empty());
}

namespace {

// The resident memory of a process, in bytes; 0 once it has gone.
std::uint64_t ResidentBytes(pid_t pid)
{
    std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
    std::uint64_t size = 0;
    std::uint64_t resident = 0;
    statm >> size >> resident;
    return resident * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

}  // namespace

// Two hours of silence in a FLAC file: seconds of decoding to count its
// frames before anything is allocated. The signal comes while it counts.
TEST_P(CliCancelledWaits, ALongCountOfACompressedInput)
{
    const std::string flac = m_dir.File("silence.flac");
    WriteWholeFile(flac, SilentFlac(2 * 3600 * 44100, 0));
    CliProcess process({flac, "-o", m_dir.File("out.wav")}, m_logs.Path().string());
    CliResult result;
    const double seconds = SignalAndTime(process, result);
    ExpectEndedBySignal(result, seconds);
    EXPECT_EQ(FolderEntries(m_dir.Path()), std::vector<std::string>{"silence.flac"});
}

// A quarter of an hour of a WAV the desktop program's way (a sparse file, all
// silence): once the run holds its SourceBuffer it reads for seconds, and
// Ctrl+C comes then. Allocating the buffer itself is one step that a signal
// does not cut short. (One signal: they all take the same way.)
TEST(CliCancelledLoad, ALongLoadOfAWavTheDesktopProgramsWay)
{
    TempDir dir;
    TempDir logs;
    constexpr std::uint64_t kFrames = 900 * 44100;
    const std::string wav = dir.File("silence.wav");
    WavLayout layout;
    layout.declaredDataSize = static_cast<std::uint32_t>(kFrames * 4);
    WriteWholeFile(wav, MakeWav(layout, {0, 0, 0, 0}));
    ASSERT_EQ(truncate(wav.c_str(), static_cast<off_t>(44 + kFrames * 4)), 0);
    CliProcess process({wav, "-o", dir.File("out.wav")}, logs.Path().string());
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (ResidentBytes(process.Pid()) < kFrames * 8 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto sent = Clock::now();
    process.Signal(SIGINT);
    const CliResult result = process.Wait();
    EXPECT_EQ(result.exitCode, 130) << result.err;
    EXPECT_LT(SecondsSince(sent), kCancelBoundSeconds);
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"silence.wav"});
}

INSTANTIATE_TEST_SUITE_P(BySignal, CliCancelledWaits, testing::ValuesIn(kSignals),
                         [](const testing::TestParamInfo<Waiting>& info) { return info.param.m_szName; });

// Inputs that don't know their length are read for what they hold: the
// short-input message gives the length read, as sox counts it.
TEST(CliUnknownLengths, APipeEncodedFlacAndACutOggStreamAreReadForWhatTheyHold)
{
    if (!ToolAvailable("sox"))
        GTEST_SKIP() << "sox is not installed";
    TempDir dir;
    const std::string piped = dir.File("piped.flac");
    const ToolResult made =
        RunTool("sox -n -r 44100 -c 2 -t flac - synth 0.3 sine 440 vol 0.5 | cat > " + ShellQuote(piped));
    ASSERT_EQ(made.exitCode, 0) << made.output;
    const CliResult tooShort = RunCli({piped, "-o", dir.File("out.wav")});
    EXPECT_EQ(tooShort.exitCode, 1);
    EXPECT_THAT(tooShort.err, HasSubstr(piped + ": a 0.3 s input is shorter than one 800 ms grain"));

    const std::string whole = dir.File("whole.ogg");
    ASSERT_EQ(RunTool("sox -n -r 44100 -c 2 " + ShellQuote(whole) + " synth 20 sine 440 vol 0.5").exitCode, 0);
    const std::string cut = dir.File("cut.ogg");
    WriteWholeFile(cut, CutShort(ReadWholeFile(whole), 0.6));
    const CliResult rendered = RunCli({cut, "-o", dir.File("out.wav"), "--length", "2", "--seed", "3"});
    EXPECT_EQ(rendered.exitCode, 0) << rendered.err;
    EXPECT_EQ(ReadHeaderSizes(ReadWholeFile(dir.File("out.wav"))).m_nData, 2u * 44100 * 4);
    const CliResult grainTooLong = RunCli({cut, "-o", dir.File("out.wav"), "--grain-length", "2000", "--length", "1"});
    EXPECT_EQ(grainTooLong.exitCode, 0) << "a cut stream of 12 s holds a 2 s grain: " << grainTooLong.err;
}

// libmpg123 writes notes about damaged frames to standard error of its own
// accord; they appear only with --verbose.
TEST(CliLibraryNotes, StayOffStandardErrorUnlessVerbose)
{
    TempDir dir;
    const std::string input = dir.File("damaged.mp3");
    std::vector<unsigned char> bytes =
        WriteToneFile(input, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, kToneFrames);
    std::uint32_t noise = 3;
    for (std::size_t i = 3000; i < 9000 && i < bytes.size(); i += 7) {
        noise = noise * 1103515245u + 12345u;
        bytes[i] = static_cast<unsigned char>(noise >> 16);
    }
    WriteWholeFile(input, bytes);
    const std::vector<std::string> run{input, "-q", "-o", dir.File("out.wav"), "--length", "1", "--grain-length", "50"};
    std::vector<std::string> verboseRun = run;
    verboseRun.push_back("--verbose");
    const CliResult verbose = RunCli(verboseRun);
    if (verbose.err.empty())
        GTEST_SKIP() << "this libmpg123 says nothing about the damage";
    const CliResult quiet = RunCli(run);
    EXPECT_EQ(quiet.exitCode, verbose.exitCode);
    EXPECT_EQ(quiet.err, "");
}

// A name may hold a line break and an escape sequence; both are shown as
// `ls -b` shows them, so the message stays one line and the terminal's
// colours stay as they were.
TEST(CliNames, ControlCharactersInANameAreShownEscaped)
{
    TempDir dir;
    const std::string input = dir.File("a\nb\x1b[31mred.wav");
    const CliResult result = RunCli({input, "-o", dir.File("out.wav")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "sonnelith-cli: Cannot read " + dir.File("a\\nb\\033[31mred.wav") +
                              ": No such file or directory\n");
}
