// Inputs that lie about their length, or don't know it: forged length fields
// in FLAC, Ogg Vorbis, Opus and MP3 files give the frames the file really
// holds; a FLAC encoded from a pipe and an Ogg stream cut short give what sox
// decodes from them; an uncompressed file's own size vouches for its count;
// counting stops at the run's limit and at a cancel; waits for a FIFO's writer
// and copies of a stream end on a cancel; and a WAV the desktop program's way
// that is too long for the run is refused with the length message.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include "formats/cancellable_source.h"
#include "formats/decoded_length.h"
#include "formats/frame_counts.h"
#include "formats/sound_file_opener.h"
#include "tests/formats/forged_sound_files.h"
#include "tests/formats/sound_file_probe.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_bytes.h"

namespace {

using Clock = std::chrono::steady_clock;

// Claims of a little under 2^31 frames at 44100 Hz: the largest a SourceBuffer
// holds, 16.8 GB of memory for a reader that believes them.
constexpr std::uint64_t kClaimedFlacFrames = 2'100'000'000;
constexpr std::uint32_t kClaimedMp3Frames = 1'800'000;  // × 1152 samples
constexpr std::uint64_t kClaimedGranule = std::uint64_t{1} << 40;
constexpr std::uint64_t kToneFrames = 3 * 44100;
// A lossy stream's last packet is cut to length by the very field forged
// here; without it the decoder gives the whole packet: up to one frame of the
// coder more (2048 samples of Vorbis, 1152 of MP3, 960 of Opus at 48000 Hz).
constexpr double kOnePacket = 2048;

struct Forgery {
    const char* m_szName;
    const char* m_szFile;
    int m_nFormat;
    int m_nRate;
    void (*m_forge)(std::vector<unsigned char>& bytes);
};

const Forgery kForgeries[] = {
    {"FlacClaimingTwoBillionFrames", "tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100,
     [](std::vector<unsigned char>& bytes) { SetFlacTotalSamples(bytes, kClaimedFlacFrames); }},
    {"FlacOfUnknownLength", "tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100,
     [](std::vector<unsigned char>& bytes) { SetFlacTotalSamples(bytes, 0); }},
    {"VorbisWithAFarGranule", "tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100,
     [](std::vector<unsigned char>& bytes) { SetLastOggGranule(bytes, kClaimedGranule); }},
    {"OpusWithAFarGranule", "tone.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000,
     [](std::vector<unsigned char>& bytes) { SetLastOggGranule(bytes, kClaimedGranule); }},
    {"Mp3WithAForgedXingCount", "tone.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100,
     [](std::vector<unsigned char>& bytes) { SetXingFrameCount(bytes, kClaimedMp3Frames); }},
};

class ForgedLengths : public ::testing::TestWithParam<Forgery> {
protected:
    TempDir m_dir;
};

// Every frame libsndfile's decoder gives for path, at the file's rate.
std::uint64_t FramesLibsndfileDecodes(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    std::vector<float> block(4096 * static_cast<std::size_t>(std::max(info.channels, 1)));
    std::uint64_t frames = 0;
    while (file != nullptr) {
        const sf_count_t got = sf_readf_float(file, block.data(), 4096);
        if (got <= 0)
            break;
        frames += static_cast<std::uint64_t>(got);
    }
    sf_close(file);
    return frames;
}

std::uint64_t FramesOf(const InputOpening& opening)
{
    return opening.m_opening.m_pSource ? opening.m_opening.m_pSource->GetFrameCount() : 0;
}

// How many frames sox decodes from path.
std::uint64_t SoxFrames(const std::string& path, int channels)
{
    const ToolResult stat = RunTool("sox " + ShellQuote(path) + " -n stat");
    return static_cast<std::uint64_t>(ToolNumber(stat.output, "Samples read:")) / static_cast<std::uint64_t>(channels);
}

}  // namespace

// The forged file reads as the genuine one, and its count is exactly what its
// decoder gives: nothing is sized by the claim, nothing padded with silence.
TEST_P(ForgedLengths, GiveTheFramesTheFileReallyHolds)
{
    const Forgery& forgery = GetParam();
    const std::string genuine = m_dir.File(forgery.m_szFile);
    std::vector<unsigned char> bytes = WriteToneFile(genuine, forgery.m_nFormat, forgery.m_nRate, kToneFrames);
    forgery.m_forge(bytes);
    const std::string forged = m_dir.File(std::string("forged-") + forgery.m_szFile);
    WriteWholeFile(forged, bytes);
    SF_INFO claimed{};
    SNDFILE* file = sf_open(forged.c_str(), SFM_READ, &claimed);
    ASSERT_NE(file, nullptr) << "libsndfile reads the forged file";
    sf_close(file);
    EXPECT_GT(static_cast<std::uint64_t>(claimed.frames), 100 * kToneFrames) << "the claim is a lie";

    InputOpening truth = OpenSoundFile(genuine, {});
    InputOpening lie = OpenSoundFile(forged, {});
    ASSERT_TRUE(lie.m_opening.m_pSource) << lie.m_opening.m_failure.m_strText;
    EXPECT_NEAR(static_cast<double>(FramesOf(lie)), static_cast<double>(FramesOf(truth)), kOnePacket);
    const std::vector<StereoFrame> expected = ReadAllFrames(*truth.m_opening.m_pSource);
    const std::vector<StereoFrame> got = ReadAllFrames(*lie.m_opening.m_pSource, 4096);
    EXPECT_EQ(FramesOf(lie), ConvertedFrameCount(FramesLibsndfileDecodes(forged), forgery.m_nRate, 44100));
    for (std::size_t i = 0; i < std::min(got.size(), expected.size()); i += 997) {
        EXPECT_EQ(got[i].left, expected[i].left) << i;
        EXPECT_EQ(got[i].right, expected[i].right) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCompressedKind, ForgedLengths, ::testing::ValuesIn(kForgeries),
                         [](const ::testing::TestParamInfo<Forgery>& info) { return info.param.m_szName; });

// sox writes a FLAC into a pipe without its total (it can't go back to
// patch it); a cut Ogg stream has no last page. Both give what sox decodes.
TEST(UnknownLengths, APipeEncodedFlacAndACutOggStreamGiveWhatSoxDecodes)
{
    if (!ToolAvailable("sox"))
        GTEST_SKIP() << "sox is not installed";
    TempDir dir;
    const std::string piped = dir.File("piped.flac");
    MakeWithTool("sox -n -r 44100 -c 2 -t flac - synth 2.5 sine 440 vol 0.5 | cat > " + ShellQuote(piped));
    const std::string whole = dir.File("whole.ogg");
    const std::string cut = dir.File("cut.ogg");
    MakeWithTool("sox -n -r 44100 -c 2 " + ShellQuote(whole) + " synth 20 sine 440 vol 0.5");
    WriteWholeFile(cut, CutShort(ReadWholeFile(whole), 0.6));
    for (const std::string& path : {piped, cut}) {
        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr);
        sf_close(file);
        EXPECT_EQ(info.frames, SF_COUNT_MAX) << path << ": libsndfile knows no length";
        const InputOpening opening = OpenSoundFile(path, InputRules{800});
        ASSERT_TRUE(opening.m_opening.m_pSource) << opening.m_opening.m_failure.m_strText;
        const std::uint64_t frames = SoxFrames(path, 2);
        EXPECT_GT(frames, 44100u) << path;
        EXPECT_EQ(FramesOf(opening), frames) << path;
        EXPECT_EQ(ReadAllFrames(*opening.m_opening.m_pSource).size(), frames) << path;
    }
}

TEST(DecodedLength, OnlyAnUncompressedCountThatTheFileSizeHoldsIsTrusted)
{
    const int wav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    EXPECT_TRUE(IsLengthBackedByBytes(wav16, 2, 1000, 4044));
    EXPECT_FALSE(IsLengthBackedByBytes(wav16, 2, 1000, 3999)) << "more frames than bytes for them";
    EXPECT_FALSE(IsLengthBackedByBytes(wav16, 2, SF_COUNT_MAX, 4044));
    EXPECT_TRUE(IsLengthBackedByBytes(SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 6, 10, 180));
    EXPECT_TRUE(IsLengthBackedByBytes(SF_FORMAT_W64 | SF_FORMAT_DOUBLE, 1, 10, 80));
    EXPECT_FALSE(IsLengthBackedByBytes(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 10, 1 << 20)) << "FLAC compresses";
    EXPECT_FALSE(IsLengthBackedByBytes(SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, 10, 1 << 20));
    EXPECT_FALSE(IsLengthBackedByBytes(SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 2, 10, 1 << 20));
}

// Counting stops as soon as the limit is passed, and at a cancel.
TEST(DecodedLength, CountingStopsPastTheLimitAndAtACancel)
{
    TempDir dir;
    const std::string path = dir.File("tone.flac");
    WriteToneFile(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, kToneFrames);
    const auto count = [&](std::uint64_t most, const CancelCheck& cancelled) {
        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        const DecodedLength length = CountDecodedFrames(file, info.channels, most, cancelled);
        sf_close(file);
        return length;
    };
    const DecodedLength all = count(kMaxSourceFrames, {});
    EXPECT_EQ(all.m_kind, DecodedLength::Kind::Counted);
    EXPECT_EQ(all.m_nFrames, kToneFrames);
    const DecodedLength limited = count(10000, {});
    EXPECT_EQ(limited.m_kind, DecodedLength::Kind::TooLong);
    EXPECT_LT(limited.m_nFrames, 20000u) << "not read to the end";
    int asked = 0;
    const DecodedLength cancelled = count(kMaxSourceFrames, [&asked] { return ++asked > 3; });
    EXPECT_EQ(cancelled.m_kind, DecodedLength::Kind::Cancelled);
    EXPECT_LT(cancelled.m_nFrames, kToneFrames);
}

TEST(CancelledOpenings, ACheckThatAlreadySaysStopOpensNothingAndSaysNothing)
{
    TempDir dir;
    const std::string path = dir.File("tone.ogg");
    WriteToneFile(path, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, kToneFrames);
    InputRules rules;
    rules.m_cancelled = [] { return true; };
    const InputOpening opening = OpenSoundFile(path, rules);
    EXPECT_TRUE(opening.m_bCancelled);
    EXPECT_FALSE(opening.m_opening.m_pSource);
    EXPECT_EQ(opening.m_opening.m_failure.m_strText, "");
}

namespace {

// A cancel check that says stop once milliseconds have passed.
CancelCheck StopAfter(int milliseconds)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    return [deadline] { return Clock::now() >= deadline; };
}

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

// No writer ever comes: the open neither blocks nor waits for longer than
// the check allows.
TEST(CancelledOpenings, AFifoWithoutAWriterEndsAtTheCancel)
{
    TempDir dir;
    const std::string fifo = dir.File("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    InputRules rules;
    rules.m_cancelled = StopAfter(300);
    const auto start = Clock::now();
    const InputOpening opening = OpenSoundFile(fifo, rules);
    EXPECT_TRUE(opening.m_bCancelled);
    EXPECT_LT(SecondsSince(start), 1.0);
}

// A writer that holds the pipe open and sends nothing.
TEST(CancelledOpenings, ACopyOfStandardInputEndsAtTheCancel)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const int saved = dup(STDIN_FILENO);
    dup2(fds[0], STDIN_FILENO);
    InputRules rules;
    rules.m_cancelled = StopAfter(300);
    const auto start = Clock::now();
    const InputOpening opening = OpenSoundFile("-", rules);
    const double seconds = SecondsSince(start);
    dup2(saved, STDIN_FILENO);
    close(saved);
    close(fds[0]);
    close(fds[1]);
    EXPECT_TRUE(opening.m_bCancelled);
    EXPECT_LT(seconds, 1.0);
}

namespace {

class CountingSource : public SoundSource {
public:
    std::uint64_t GetFrameCount() const override { return 1'000'000; }
    int GetFileRate() const override { return 44100; }
    void Read(StereoFrame* frames, std::size_t count) override
    {
        m_nRead += count;
        std::fill(frames, frames + count, StereoFrame{0.25f, -0.25f});
    }
    void Close() override { ++m_nClosed; }

    std::uint64_t m_nRead = 0;
    int m_nClosed = 0;
};

}  // namespace

// After a cancel the file is closed once and the rest is silence, at once.
TEST(CancellableSource, ReadsUntilTheCancelThenHandsOutSilence)
{
    auto inner = std::make_unique<CountingSource>();
    CountingSource& counting = *inner;
    bool stop = false;
    CancellableSource source(std::move(inner), [&stop] { return stop; });
    EXPECT_EQ(source.GetFrameCount(), 1'000'000u);
    std::vector<StereoFrame> frames(1000);
    source.Read(frames.data(), frames.size());
    EXPECT_EQ(frames.back().left, 0.25f);
    stop = true;
    source.Read(frames.data(), frames.size());
    EXPECT_EQ(frames.front().left, 0.0f);
    EXPECT_EQ(frames.back().right, 0.0f);
    source.Close();
    EXPECT_EQ(counting.m_nRead, 1000u);
    EXPECT_EQ(counting.m_nClosed, 1);
}

// 2^31 − 1 bytes of 8-bit mono at 11025 Hz, in a sparse file that takes no
// room: the data chunk is really there, and at 44100 Hz it is four times as
// many frames as the run can hold. The message is the one the other route
// gives, with the input's length.
TEST(DesktopRoute, AWavTooLongForTheRunIsRefusedWithTheLengthMessage)
{
    TempDir dir;
    const std::string path = dir.File("long.wav");
    constexpr std::uint32_t kDataBytes = 0x7FFFFF00;
    WavLayout layout;
    layout.channels = 1;
    layout.bitsPerSample = 8;
    layout.sampleRate = 11025;
    layout.declaredDataSize = kDataBytes;
    WriteWholeFile(path, MakeWav(layout, {128, 128}));
    ASSERT_EQ(truncate(path.c_str(), 44 + static_cast<off_t>(kDataBytes)), 0);
    const auto start = Clock::now();
    const InputOpening opening = OpenSoundFile(path, {});
    EXPECT_LT(SecondsSince(start), 2.0) << "refused without reading";
    EXPECT_FALSE(opening.m_opening.m_pSource);
    EXPECT_EQ(opening.m_opening.m_failure.m_strText,
              "Cannot read " + path + ": a 194783 s input is longer than the 48695 s the generator can hold");
}

// The silent FLAC the command-line tests load for seconds: libsndfile and sox
// read it as the frames it holds, and its claim of unknown length too.
TEST(SilentFlac, IsReadToItsLastFrame)
{
    TempDir dir;
    constexpr std::uint64_t kFrames = 10 * 44100 + 1234;
    for (const std::uint64_t declared : {kFrames, std::uint64_t{0}}) {
        const std::string path = dir.File("silence.flac");
        WriteWholeFile(path, SilentFlac(kFrames, declared));
        EXPECT_EQ(FramesLibsndfileDecodes(path), kFrames) << declared;
        if (ToolAvailable("sox")) {
            EXPECT_EQ(SoxFrames(path, 2), kFrames) << declared;
        }
        const InputOpening opening = OpenSoundFile(path, {});
        EXPECT_EQ(FramesOf(opening), kFrames) << declared;
    }
}
