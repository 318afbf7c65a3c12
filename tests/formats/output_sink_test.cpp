// The delivered files: every format and rate read back by sndfile-info, sox
// and libsndfile with the promised format, length and a peak equal to the
// volume; the rounding rules; and the WAV stream for standard output.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <numbers>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/io/wave_frame_sink.h"
#include "measurement/delivery_level.h"
#include "tests/formats/delivery_level_applied.h"
#include "formats/frame_counts.h"
#include "formats/output_sink_factory.h"
#include "formats/wav_stream_sink.h"
#include "tests/formats/sound_file_kinds.h"
#include "tests/formats/sound_file_probe.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"
#include "wav/file_exception.h"

namespace {

constexpr double kVolume = 0.5;
constexpr std::size_t kSeconds = 2;

// Two seconds as level finishing leaves them: a 441 Hz sine on the left and a
// quieter 1000 Hz one on the right, peaking exactly at the volume.
std::vector<StereoFrame> FinishedSound()
{
    std::vector<StereoFrame> frames(kSeconds * 44100);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        frames[i] = {static_cast<float>(kVolume * std::sin(2 * std::numbers::pi * 441.0 * t + 0.25)),
                     static_cast<float>(0.3 * std::sin(2 * std::numbers::pi * 1000.0 * t))};
    }
    frames[12345].left = static_cast<float>(kVolume);
    return frames;
}

void WriteAll(FrameSink& sink, const std::string& path, const std::vector<StereoFrame>& frames,
              std::size_t pieceFrames = 1000)
{
    const auto failure = sink.Create(path);
    ASSERT_FALSE(failure) << failure->m_strText;
    for (std::size_t done = 0; done < frames.size(); done += pieceFrames)
        sink.Write(frames.data() + done, std::min(pieceFrames, frames.size() - done));
    sink.Finish(false);
}

std::unique_ptr<FrameSink> SinkFor(const OutputFormat& format, std::uint64_t frames)
{
    OutputRequest request;
    request.m_nFrames = frames;
    return MakeOutputSink(format, request, [] { return std::make_unique<WaveFrameSink>(); });
}

OutputFormat FormatFor(const std::string& path, int bits, int rate)
{
    return std::get<OutputFormat>(ChooseOutputFormat(path, bits, rate));
}

class Deliveries : public ::testing::TestWithParam<Delivery> {
protected:
    void SetUp() override
    {
        if (!ToolAvailable("sox") || !ToolAvailable("sndfile-info"))
            GTEST_SKIP() << "sox and sndfile-info are needed";
    }

    TempDir m_dir;
};

// The peak of the file as integers or floats, against the volume. At 44100 Hz
// the finished peak arrives exactly; after a rate conversion the re-peaked
// sound may land a float rounding below it, so one step less is allowed.
void ExpectPeakAtTheVolume(const SoundFileContents& file, int bits, bool converted)
{
    if (bits == 32) {
        double peak = 0.0;
        for (const float sample : file.m_samples)
            peak = std::max(peak, std::fabs(static_cast<double>(sample)));
        EXPECT_NEAR(peak, kVolume, converted ? 1e-6 : 0.0);
        return;
    }
    const std::int32_t expected = static_cast<std::int32_t>(std::trunc(kVolume * (bits == 16 ? 32767.0 : 8388607.0)));
    std::int32_t peak = 0;
    for (const std::int32_t value : file.m_integers)
        peak = std::max(peak, std::abs(value));
    EXPECT_LE(peak, expected);
    EXPECT_GE(peak, converted ? expected - 1 : expected);
}

}  // namespace

TEST_P(Deliveries, ReadBackWithThePromisedFormatLengthAndPeak)
{
    const Delivery& delivery = GetParam();
    const std::string path = m_dir.File(delivery.m_szFile);
    const OutputFormat format = FormatFor(path, delivery.m_nBits, delivery.m_nRate);
    std::vector<StereoFrame> frames = FinishedSound();
    ApplyDeliveryLevel(frames, DeliveryLevelPlan{kVolume, delivery.m_nRate, std::nullopt});
    WriteAll(*SinkFor(format, frames.size()), path, frames);

    const std::uint64_t expectedFrames = ConvertedFrameCount(frames.size(), 44100, delivery.m_nRate);
    ExpectToolsReadDelivery(path, delivery, expectedFrames, kVolume);

    const SoundFileContents file = ReadSoundFile(path);
    ASSERT_TRUE(file.m_bOpened);
    EXPECT_EQ(file.m_samples.size(), 2 * expectedFrames);
    ExpectPeakAtTheVolume(file, delivery.m_nBits, delivery.m_nRate != 44100);

    struct stat written {};
    ASSERT_EQ(stat(path.c_str(), &written), 0);
    EXPECT_LE(static_cast<std::uint64_t>(written.st_size), PredictedOutputBytes(format, frames.size()));
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, Deliveries, ::testing::ValuesIn(kDeliveries),
                         [](const ::testing::TestParamInfo<Delivery>& info) { return info.param.m_szName; });

// 24-bit: trunc(x × 8388607); 16-bit: trunc(x × 32767); past full scale the
// format's limit; float: the value itself, not clipped, not rounded.
TEST(OutputRounding, IntegersTruncateTowardZeroAndFloatsStayAsTheyAre)
{
    TempDir dir;
    const std::vector<float> values = {0.5f, -0.5f, 1.0f, -1.0f, 0.3f, -0.3f, 1e-7f, -1e-7f, 1.5f, -1.5f};
    std::vector<StereoFrame> frames;
    for (std::size_t i = 0; i + 1 < values.size(); i += 2)
        frames.push_back({values[i], values[i + 1]});

    struct Case {
        const char* m_szFile;
        int m_nBits;
        double m_dFullScale;
    };
    for (const Case& c : {Case{"r.wav", 24, 8388607.0}, Case{"r.flac", 24, 8388607.0}, Case{"r.flac", 16, 32767.0},
                          Case{"r.w64", 16, 32767.0}}) {
        const std::string path = dir.File(std::to_string(c.m_nBits) + c.m_szFile);
        WriteAll(*SinkFor(FormatFor(path, c.m_nBits, 44100), frames.size()), path, frames);
        const SoundFileContents file = ReadSoundFile(path);
        ASSERT_EQ(file.m_integers.size(), values.size()) << path;
        for (std::size_t i = 0; i < values.size(); ++i) {
            const double limited = std::clamp(std::trunc(values[i] * c.m_dFullScale), -c.m_dFullScale - 1.0,
                                               c.m_dFullScale);
            EXPECT_EQ(file.m_integers[i], static_cast<std::int32_t>(limited)) << path << " value " << values[i];
        }
    }
    const std::string path = dir.File("r32.w64");
    WriteAll(*SinkFor(FormatFor(path, 32, 44100), frames.size()), path, frames);
    const SoundFileContents file = ReadSoundFile(path);
    ASSERT_EQ(file.m_samples.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(file.m_samples[i], values[i]);
}

// The 16-bit 44100 Hz stream is byte for byte the file WaveFile writes.
TEST(WavStream, TheDefaultStreamIsTheDesktopFileByteForByte)
{
    TempDir dir;
    const std::vector<StereoFrame> frames = FinishedSound();
    WaveFrameSink fileSink;
    WriteAll(fileSink, dir.File("file.wav"), frames);
    const int fd = open(dir.File("stream.wav").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    OutputRequest request;
    request.m_nFrames = frames.size();
    request.m_nStandardOutputFd = fd;
    auto stream = MakeOutputSink(FormatFor("-", 16, 44100), request, {});
    WriteAll(*stream, "-", frames, 333);
    close(fd);
    EXPECT_EQ(ReadWholeFile(dir.File("stream.wav")), ReadWholeFile(dir.File("file.wav")));
}

// Piped into sox as it is written: sox reads the sizes from the header and
// takes every sample.
TEST(WavStream, PipedIntoSoxAtEveryDepthAndRate)
{
    if (!ToolAvailable("sox"))
        GTEST_SKIP() << "sox is not installed";
    TempDir dir;
    for (const auto& [bits, rate] : {std::pair{16, 48000}, std::pair{24, 44100}, std::pair{32, 96000}}) {
        std::vector<StereoFrame> frames = FinishedSound();
        ApplyDeliveryLevel(frames, DeliveryLevelPlan{kVolume, rate, std::nullopt});
        const std::string report = dir.File("stat.txt");
        FILE* sox = popen(("sox -t wav - -n stat 2> " + ShellQuote(report)).c_str(), "w");
        OutputRequest request;
        request.m_nFrames = frames.size();
        request.m_nStandardOutputFd = fileno(sox);
        auto stream = MakeOutputSink(FormatFor("-", bits, rate), request, {});
        WriteAll(*stream, "-", frames);
        stream.reset();
        ASSERT_EQ(pclose(sox), 0);
        const std::vector<unsigned char> bytes = ReadWholeFile(report);
        const std::string text(bytes.begin(), bytes.end());
        const std::uint64_t samples = 2 * ConvertedFrameCount(frames.size(), 44100, static_cast<std::uint32_t>(rate));
        EXPECT_EQ(ToolNumber(text, "Samples read:"), static_cast<double>(samples)) << bits << "-bit " << rate;
        const double peak = ToolNumber(text, "Maximum amplitude:");
        EXPECT_NEAR(peak, kVolume, 1e-4) << text;
    }
}

TEST(WavStream, RefusesATerminal)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        GTEST_SKIP() << "no pseudo-terminal here";
    const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
    WavStreamSink sink(terminal, FormatFor("-", 16, 44100), 10);
    const auto failure = sink.Create("-");
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->m_strText, "Cannot write standard output: it is a terminal; redirect it to a file or a pipe");
    close(terminal);
    close(master);
}

TEST(WavStream, HeaderSizesAreKnownBeforeTheFirstFrame)
{
    const std::vector<unsigned char> pcm = WavStreamHeader(FormatFor("-", 24, 96000), 1000);
    ASSERT_EQ(pcm.size(), 44u);
    EXPECT_EQ(pcm[40] | pcm[41] << 8 | pcm[42] << 16, 6000);  // data size: 1000 frames × 6 bytes
    EXPECT_EQ(pcm[34], 24);
    const std::vector<unsigned char> floats = WavStreamHeader(FormatFor("-", 32, 44100), 1000);
    ASSERT_EQ(floats.size(), 58u);
    EXPECT_EQ(floats[20], 3);  // IEEE float
    EXPECT_EQ(std::string(floats.begin() + 38, floats.begin() + 42), "fact");
    EXPECT_EQ(floats[54] | floats[55] << 8, 8000);
}

namespace {

// SIGPIPE ignored for the scope, so that a write to a pipe without a reader
// fails with EPIPE instead of ending the test program.
class PipeSignalIgnored {
public:
    PipeSignalIgnored() : m_previous(signal(SIGPIPE, SIG_IGN)) {}
    ~PipeSignalIgnored() { signal(SIGPIPE, m_previous); }

private:
    sighandler_t m_previous;
};

struct BrokenStreamReport {
    int m_nCalls = 0;
    int m_nError = 0;
};

StreamWatch WatchInto(BrokenStreamReport& report, CancelCheck cancelled = {})
{
    StreamWatch watch;
    watch.m_cancelled = std::move(cancelled);
    watch.m_onBroken = [&report](int error) {
        ++report.m_nCalls;
        report.m_nError = error;
    };
    return watch;
}

}  // namespace

// The program reading the stream has gone: its watcher hears of it once, and
// the rest of the sound is dropped rather than raised as a file error (the
// run made no file it could remove).
TEST(WavStream, AStreamWhoseReaderHasGoneTellsItsWatcherOnce)
{
    PipeSignalIgnored ignored;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]);
    BrokenStreamReport report;
    const std::vector<StereoFrame> frames = FinishedSound();
    WavStreamSink sink(fds[1], FormatFor("-", 16, 44100), frames.size(), WatchInto(report));
    EXPECT_NO_THROW(WriteAll(sink, "-", frames));
    close(fds[1]);
    EXPECT_EQ(report.m_nCalls, 1);
    EXPECT_EQ(report.m_nError, EPIPE);
}

TEST(WavStream, WithoutAWatcherABrokenStreamIsAFileError)
{
    PipeSignalIgnored ignored;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]);
    const std::vector<StereoFrame> frames = FinishedSound();
    WavStreamSink sink(fds[1], FormatFor("-", 16, 44100), frames.size());
    EXPECT_THROW(WriteAll(sink, "-", frames), FileException);
    close(fds[1]);
}

// A reader that takes nothing holds the stream only until the cancel: the
// writes give up within a step of the wait, and nothing is reported broken.
TEST(WavStream, AReaderThatTakesNothingIsLeftAtACancel)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    BrokenStreamReport report;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    const std::vector<StereoFrame> frames = FinishedSound();  // 350 kB, more than a pipe holds
    WavStreamSink sink(fds[1], FormatFor("-", 16, 44100), frames.size(),
                       WatchInto(report, [deadline] { return std::chrono::steady_clock::now() >= deadline; }));
    const auto start = std::chrono::steady_clock::now();
    WriteAll(sink, "-", frames);
    const std::chrono::duration<double> waited = std::chrono::steady_clock::now() - start;
    close(fds[0]);
    close(fds[1]);
    EXPECT_GE(waited.count(), 0.25);
    EXPECT_LT(waited.count(), 1.0);
    EXPECT_EQ(report.m_nCalls, 0);
}

// A length of 0 gives a file of no frames that readers open, in every format:
// libsndfile's FLAC encoder, which writes its header with the first frames,
// included.
TEST(EmptyOutputs, EveryFormatWithoutFramesIsAFileLibsndfileOpens)
{
    TempDir dir;
    std::vector<Delivery> kinds{{"DesktopWav", "desktop.wav", 16, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16, ""}};
    kinds.insert(kinds.end(), kDeliveries.begin(), kDeliveries.end());
    for (const Delivery& kind : kinds) {
        const std::string file = kind.m_szName;
        const std::string path = dir.File(kind.m_szFile);
        auto sink = SinkFor(FormatFor(path, kind.m_nBits, kind.m_nRate), 0);
        WriteAll(*sink, path, {});
        sink.reset();
        SF_INFO info{};
        SNDFILE* opened = sf_open(path.c_str(), SFM_READ, &info);
        ASSERT_NE(opened, nullptr) << file << ": " << sf_strerror(nullptr);
        float frame[2];
        EXPECT_EQ(sf_readf_float(opened, frame, 1), 0) << file;
        EXPECT_EQ(info.channels, 2) << file;
        sf_close(opened);
    }
}
