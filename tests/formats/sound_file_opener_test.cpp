// Opening every common kind of input: files made by sox and libsndfile's own
// sndfile-convert, each read at 44100 Hz with the right length and pitch; the
// desktop program's files through WaveFile; rate conversion that keeps the
// pitch and lets nothing alias; standard input and pipes; and a message that
// names the file and the fault for each kind of unusable input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include "formats/frame_counts.h"
#include "formats/sound_file_opener.h"
#include "resources/strings/resource_ids.h"
#include "tests/formats/signal_measures.h"
#include "tests/formats/sound_file_kinds.h"
#include "tests/formats/sound_file_probe.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"
#include "wav/wave_file.h"

namespace {

constexpr double kToneHz = 1000.0;

class InputKinds : public ::testing::TestWithParam<InputKind> {
protected:
    void SetUp() override
    {
        if (!ToolAvailable("sox") || !ToolAvailable("sndfile-convert"))
            GTEST_SKIP() << "sox and sndfile-convert are needed";
        MakeBaseTones(m_dir);
    }

    TempDir m_dir;
};

// The desktop program's files by the same path as in the desktop program:
// WaveFile's frames, each 16-bit value scaled by 1/32767.
std::vector<StereoFrame> ReadWithWaveFile(const std::string& path)
{
    WaveFile file;
    EXPECT_EQ(file.OpenForRead(path, 44100), 0);
    const auto count = static_cast<std::size_t>(44100 / file.GetSampleRate() * file.GetFrameCount());
    std::vector<StereoFrame> frames(count);
    for (StereoFrame& frame : frames) {
        PcmFrame pcm;
        file.ReadFrame(pcm);
        frame = {static_cast<float>(pcm.left * static_cast<double>(1.0f / 32767.0f)),
                 static_cast<float>(pcm.right * static_cast<double>(1.0f / 32767.0f))};
    }
    return frames;
}

}  // namespace

TEST_P(InputKinds, OpensAtTheRunsRateWithTheRightLengthAndPitch)
{
    const InputKind& kind = GetParam();
    const std::string path = MakeInputKind(kind, m_dir);

    InputOpening opening = OpenSoundFile(path, InputRules{800});
    ASSERT_TRUE(opening.m_opening.m_pSource) << opening.m_opening.m_failure.m_strText;
    SoundSource& source = *opening.m_opening.m_pSource;
    EXPECT_EQ(opening.m_route, kind.m_route);
    EXPECT_EQ(source.GetFileRate(), kind.m_nRate);
    EXPECT_NE(opening.m_strRoute.find(path), std::string::npos) << opening.m_strRoute;

    const double seconds = static_cast<double>(source.GetFrameCount()) / 44100.0;
    if (kind.m_dSecondsTolerance == 0.0)
        EXPECT_EQ(source.GetFrameCount(), 44100u) << seconds << " s";
    else
        EXPECT_NEAR(seconds, 1.0, kind.m_dSecondsTolerance);

    const std::vector<StereoFrame> frames = ReadAllFrames(source);
    source.Close();
    // Lossy coders add noise that shifts single crossings; the tone stays within 2 Hz.
    const double tolerance = kind.m_dSecondsTolerance == 0.0 ? 0.5 : 2.0;
    EXPECT_NEAR(ZeroCrossingFrequency(LeftChannel(frames), 44100.0), kToneHz, tolerance);
    EXPECT_GT(SamplePeak(frames), 0.1);
}

INSTANTIATE_TEST_SUITE_P(EveryCommonKind, InputKinds, ::testing::ValuesIn(kInputKinds),
                         [](const ::testing::TestParamInfo<InputKind>& info) { return info.param.m_szName; });

class SoundFileOpener : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!ToolAvailable("sox"))
            GTEST_SKIP() << "sox is not installed";
    }

    TempDir m_dir;
};

// A 1000 Hz tone recorded at 48000 Hz and at 8000 Hz is still 1000 Hz at
// 44100 Hz: the rate converter changes the sampling, not the pitch.
TEST_F(SoundFileOpener, RateConversionKeepsThePitch)
{
    for (const int rate : {48000, 8000}) {
        const std::string path = m_dir.File("tone" + std::to_string(rate) + ".wav");
        MakeWithTool("sox -n -r " + std::to_string(rate) + " -c 1 -b 16 " + ShellQuote(path) +
                     " synth 3 sine 1000 vol 0.5");
        InputOpening opening = OpenSoundFile(path, {});
        ASSERT_TRUE(opening.m_opening.m_pSource);
        const std::vector<float> left = LeftChannel(ReadAllFrames(*opening.m_opening.m_pSource));
        ASSERT_EQ(left.size(), 3u * 44100u);
        // One crossing's timing error is a fraction of a sample; over 3000 periods that is far below 0.01 Hz.
        EXPECT_NEAR(ZeroCrossingFrequency(left, 44100.0), 1000.0, 0.01) << rate;
        EXPECT_NEAR(ToneAmplitude(left, 1000.0, 44100.0), 0.5, 0.005) << rate;
    }
}

// A 30 kHz tone in a 96 kHz file lies above the new Nyquist frequency; a poor
// converter would fold it down to 44100 - 30000 = 14100 Hz. (The file is
// written with libsndfile: sox's synth makes 18 kHz when asked for 30 kHz at 96 kHz.)
TEST_F(SoundFileOpener, AToneAboveTheNewNyquistFrequencyLeavesNoAlias)
{
    const std::string path = m_dir.File("high.wav");
    std::vector<float> samples(2 * 96000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / 96000.0;
        const double twoPiT = 2.0 * std::numbers::pi * t;
        samples[i] = static_cast<float>(0.4 * std::sin(twoPiT * 1000.0) + 0.4 * std::sin(twoPiT * 30000.0));
    }
    WriteSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 96000, 1, samples);
    const SoundFileContents original = ReadSoundFile(path);
    ASSERT_TRUE(original.m_bOpened);
    const double highTone = ToneAmplitude(original.m_samples, 30000.0, 96000.0);
    ASSERT_GT(highTone, 0.1) << "the file must hold the 30 kHz tone";

    InputOpening opening = OpenSoundFile(path, {});
    ASSERT_TRUE(opening.m_opening.m_pSource);
    const std::vector<float> left = LeftChannel(ReadAllFrames(*opening.m_opening.m_pSource));
    const double wanted = ToneAmplitude(left, 1000.0, 44100.0);
    const double alias = LargestToneBetween(left, 13900.0, 14300.0, 5.0, 44100.0);
    EXPECT_GT(wanted, 0.1);
    EXPECT_LT(ToDecibels(alias / wanted), -80.0) << "alias at " << ToDecibels(alias / wanted) << " dB";
}

// The pass band is flat: tones across it keep their amplitude to within
// 0.05 dB (the converter promises 0.01 dB; the rest is the measurement's).
TEST_F(SoundFileOpener, RateConversionKeepsThePassBandFlat)
{
    const std::string path = m_dir.File("band.flac");
    MakeWithTool("sox -n -r 48000 -c 1 -b 24 " + ShellQuote(path) +
                 " synth 2 sine 500 sine mix 10000 sine mix 19000 vol 0.9");
    const SoundFileContents original = ReadSoundFile(path);
    InputOpening opening = OpenSoundFile(path, {});
    ASSERT_TRUE(opening.m_opening.m_pSource);
    const std::vector<float> left = LeftChannel(ReadAllFrames(*opening.m_opening.m_pSource));
    for (const double frequency : {500.0, 10000.0, 19000.0}) {
        const double before = ToneAmplitude(original.m_samples, frequency, 48000.0);
        ASSERT_GT(before, 0.1) << "the file must hold the " << frequency << " Hz tone";
        const double after = ToneAmplitude(left, frequency, 44100.0);
        EXPECT_NEAR(ToDecibels(after / before), 0.0, 0.05) << frequency << " Hz";
    }
}

// The desktop program's files keep WaveFile's frames, bit for bit.
TEST_F(SoundFileOpener, DesktopFilesGiveWaveFilesOwnFrames)
{
    const std::string path = m_dir.File("desk.wav");
    MakeWithTool("sox -n -r 22050 -c 2 -b 16 " + ShellQuote(path) + " synth 1 pinknoise vol 0.5");
    InputOpening opening = OpenSoundFile(path, {});
    ASSERT_EQ(opening.m_route, InputRoute::WaveFile);
    EXPECT_EQ(opening.m_strRoute, path + ": 16-bit stereo PCM WAV, 22050 Hz; read as the desktop program reads it");
    const std::vector<StereoFrame> frames = ReadAllFrames(*opening.m_opening.m_pSource, 777);
    const std::vector<StereoFrame> expected = ReadWithWaveFile(path);
    ASSERT_EQ(frames.size(), expected.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        ASSERT_EQ(frames[i].left, expected[i].left) << i;
        ASSERT_EQ(frames[i].right, expected[i].right) << i;
    }
}

// Reading in pieces of any size gives the same frames.
TEST_F(SoundFileOpener, PiecesOfAnySizeGiveTheSameFrames)
{
    const std::string path = m_dir.File("noise.flac");
    MakeWithTool("sox -n -r 48000 -c 2 -b 24 " + ShellQuote(path) + " synth 1 whitenoise vol 0.5");
    InputOpening whole = OpenSoundFile(path, {});
    InputOpening pieces = OpenSoundFile(path, {});
    const std::vector<StereoFrame> a = ReadAllFrames(*whole.m_opening.m_pSource, 44100);
    const std::vector<StereoFrame> b = ReadAllFrames(*pieces.m_opening.m_pSource, 333);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        ASSERT_TRUE(a[i].left == b[i].left && a[i].right == b[i].right) << i;
}

// The same SourceOpening through the run's SourceOpener, with the route told.
TEST_F(SoundFileOpener, TheRunsOpenerTellsTheRoute)
{
    const std::string path = m_dir.File("a.flac");
    MakeWithTool("sox -n -r 48000 -c 2 -b 16 " + ShellQuote(path) + " synth 1 sine 1000");
    std::string route;
    const SourceOpener opener = MakeSoundFileOpener({}, [&](const std::string& text) { route = text; });
    const SourceOpening opening = opener(path);
    ASSERT_TRUE(opening.m_pSource);
    EXPECT_EQ(route, path + ": FLAC, Signed 16 bit PCM, 48000 Hz, stereo; read by libsndfile, converted to 44100 Hz "
                            "by libsoxr");
}

namespace {

// Standard input replaced by fd for the scope.
class StandardInputFrom {
public:
    explicit StandardInputFrom(int fd) : m_nSaved(dup(STDIN_FILENO)) { dup2(fd, STDIN_FILENO); }
    ~StandardInputFrom()
    {
        dup2(m_nSaved, STDIN_FILENO);
        close(m_nSaved);
    }

private:
    int m_nSaved;
};

}  // namespace

// "-" reads standard input, from a pipe (copied first) or from a redirected file.
TEST_F(SoundFileOpener, StandardInputFromAPipeOrAFile)
{
    const std::string wave = m_dir.File("in.wav");
    const std::string flac = m_dir.File("in.flac");
    MakeWithTool("sox -n -r 44100 -c 2 -b 16 " + ShellQuote(wave) + " synth 1 sine 1000 vol 0.5");
    MakeWithTool("sox -n -r 96000 -c 2 -b 24 " + ShellQuote(flac) + " synth 1 sine 1000 vol 0.5");
    {
        FILE* pipe = popen(("cat " + ShellQuote(flac)).c_str(), "r");
        InputOpening opening;
        {
            StandardInputFrom input(fileno(pipe));
            opening = OpenSoundFile("-", {});
        }
        pclose(pipe);
        ASSERT_TRUE(opening.m_opening.m_pSource) << opening.m_opening.m_failure.m_strText;
        EXPECT_EQ(opening.m_route, InputRoute::Sndfile);
        EXPECT_EQ(opening.m_strRoute.rfind("standard input: FLAC", 0), 0u) << opening.m_strRoute;
        EXPECT_EQ(ReadAllFrames(*opening.m_opening.m_pSource).size(), 44100u);
    }
    {
        const int fd = open(wave.c_str(), O_RDONLY);
        StandardInputFrom input(fd);
        close(fd);
        InputOpening opening = OpenSoundFile("-", {});
        ASSERT_TRUE(opening.m_opening.m_pSource);
        EXPECT_EQ(opening.m_route, InputRoute::WaveFile);
        EXPECT_EQ(opening.m_opening.m_pSource->GetFrameCount(), 44100u);
    }
}

// A named pipe (or a shell's <(...)) is read to its end like standard input.
TEST_F(SoundFileOpener, ANamedPipeIsReadAsAStream)
{
    const std::string flac = m_dir.File("in.flac");
    const std::string fifo = m_dir.File("pipe");
    MakeWithTool("sox -n -r 48000 -c 1 -b 16 " + ShellQuote(flac) + " synth 1 sine 1000 vol 0.5");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    FILE* writer = popen(("cat " + ShellQuote(flac) + " > " + ShellQuote(fifo)).c_str(), "r");
    InputOpening opening = OpenSoundFile(fifo, {});
    pclose(writer);
    ASSERT_TRUE(opening.m_opening.m_pSource) << opening.m_opening.m_failure.m_strText;
    EXPECT_EQ(opening.m_opening.m_pSource->GetFrameCount(), 44100u);
}

namespace {

struct Refusal {
    const char* m_szName;
    const char* m_szMake;  // shell command making {out}; empty: nothing is made
    const char* m_szFile;
    const char* m_szReason;
};

const Refusal kRefusals[] = {
    {"Missing", "", "missing.wav", "No such file or directory"},
    {"Folder", "mkdir {out}", "folder", "Is a directory"},
    {"Empty", ": > {out}", "empty.wav", "the file is empty"},
    {"Text", "echo 'just some words, no sound' > {out}", "text.wav", "not a sound file libsndfile can read"},
    {"TwelveChannels", "sox -n -r 44100 -c 12 {out} synth 0.5 sine 1000", "twelve.wav", "unsupported: 12 channels"},
    {"Rate500", "sox -n -r 500 -c 1 {out} synth 1 sine 100", "slow.wav", "rate 500 Hz is below 8000 Hz"},
    {"Rate768000", "sox -n -r 768000 -c 1 {out} synth 0.1 sine 1000", "fast.wav", "rate 768000 Hz is above 384000 Hz"},
};

class Refusals : public ::testing::TestWithParam<Refusal> {
protected:
    TempDir m_dir;
};

}  // namespace

TEST_P(Refusals, SayWhatIsWrongWithTheFile)
{
    const Refusal& refusal = GetParam();
    const std::string path = m_dir.File(refusal.m_szFile);
    if (*refusal.m_szMake != '\0')
        MakeWithTool(FillCommand(refusal.m_szMake, m_dir, refusal.m_szFile));
    const InputOpening opening = OpenSoundFile(path, InputRules{800});
    EXPECT_FALSE(opening.m_opening.m_pSource);
    EXPECT_EQ(opening.m_opening.m_failure.m_nStringId, IDS_ERR_READ_INPUT);
    EXPECT_EQ(opening.m_opening.m_failure.m_strText, "Cannot read " + path + ": " + refusal.m_szReason);
}

INSTANTIATE_TEST_SUITE_P(UnusableInputs, Refusals, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<Refusal>& info) { return info.param.m_szName; });

TEST(SoundFileOpenerRefusal, AnEmptyNameIsAnError)
{
    const InputOpening opening = OpenSoundFile("", {});
    EXPECT_FALSE(opening.m_opening.m_pSource);
    EXPECT_EQ(opening.m_opening.m_failure.m_strText, "Cannot read : the name is empty");
}

// Too short for one grain: the message names the longest grain length (in the
// slider's 25 ms steps) that the input allows, on either route.
TEST_F(SoundFileOpener, AnInputShorterThanAGrainNamesTheGrainLengthThatFits)
{
    const std::string wave = m_dir.File("short.wav");
    const std::string flac = m_dir.File("short.flac");
    MakeWithTool("sox -n -r 44100 -c 2 -b 16 " + ShellQuote(wave) + " synth 0.3 sine 1000");
    MakeWithTool("sox -n -r 48000 -c 2 -b 16 " + ShellQuote(flac) + " synth 0.3 sine 1000");
    for (const std::string& path : {wave, flac}) {
        const InputOpening opening = OpenSoundFile(path, InputRules{800});
        EXPECT_FALSE(opening.m_opening.m_pSource);
        EXPECT_EQ(opening.m_opening.m_failure.m_nStringId, IDS_ERR_INPUT_SHORTER_THAN_GRAIN);
        EXPECT_EQ(opening.m_opening.m_failure.m_strText,
                  path + ": a 0.3 s input is shorter than one 800 ms grain; use --grain-length 275 or less");
        EXPECT_TRUE(OpenSoundFile(path, InputRules{275}).m_opening.m_pSource) << "275 ms fits, as promised";
    }
    // An octave up, a grain of 175 ms reads more than 0.3 s.
    InputRules octaveUp{125};
    octaveUp.m_transposition = {0.0, 12.0};
    EXPECT_TRUE(OpenSoundFile(wave, octaveUp).m_opening.m_pSource);
    octaveUp.m_nGrainMilliseconds = 175;
    EXPECT_EQ(OpenSoundFile(wave, octaveUp).m_opening.m_failure.m_nStringId, IDS_ERR_INPUT_SHORTER_THAN_TRANSPOSED_GRAIN);
    const std::string tiny = m_dir.File("tiny.wav");
    MakeWithTool("sox -n -r 44100 -c 1 -b 16 " + ShellQuote(tiny) + " synth 0.02 sine 1000");
    const InputOpening opening = OpenSoundFile(tiny, InputRules{50});
    EXPECT_EQ(opening.m_opening.m_failure.m_nStringId, IDS_ERR_INPUT_SHORTER_THAN_ANY_GRAIN);
    EXPECT_EQ(opening.m_opening.m_failure.m_strText,
              tiny + ": a 0.02 s input is shorter than the shortest grain (50 ms); use a longer input");
}

// An input longer than the SourceBuffer can hold is refused before anything is
// allocated: here 500 million 8-bit frames at 8000 Hz (a sparse file that
// takes no room), 2.76 billion frames at 44100 Hz.
TEST(SoundFileOpenerRefusal, AnInputTooLongForTheSourceBufferIsRefusedBeforeLoading)
{
    TempDir dir;
    const std::string path = dir.File("long.wav");
    {
        SF_INFO info{};
        info.samplerate = 8000;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_U8;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr);
        const float silence[8] = {};
        sf_writef_float(file, silence, 8);
        sf_close(file);
    }
    constexpr off_t kFileBytes = 500'000'044;
    ASSERT_EQ(truncate(path.c_str(), kFileBytes), 0);
    {
        // The data chunk's size field, at byte 40 of libsndfile's 44-byte header.
        const int fd = open(path.c_str(), O_WRONLY);
        const std::uint32_t dataSize = 500'000'000;
        const unsigned char field[4] = {static_cast<unsigned char>(dataSize), static_cast<unsigned char>(dataSize >> 8),
                                        static_cast<unsigned char>(dataSize >> 16),
                                        static_cast<unsigned char>(dataSize >> 24)};
        ASSERT_EQ(pwrite(fd, field, 4, 40), 4);
        close(fd);
    }
    const InputOpening opening = OpenSoundFile(path, {});
    EXPECT_FALSE(opening.m_opening.m_pSource);
    EXPECT_EQ(opening.m_opening.m_failure.m_strText,
              "Cannot read " + path + ": a 62500 s input is longer than the 48695 s the generator can hold");
}

// A stream longer than the bound is refused rather than copied without end.
TEST_F(SoundFileOpener, AStreamBeyondTheBoundIsRefused)
{
    const std::string flac = m_dir.File("in.wav");
    MakeWithTool("sox -n -r 48000 -c 2 -b 16 " + ShellQuote(flac) + " synth 8 whitenoise");  // 1.5 MB
    FILE* pipe = popen(("cat " + ShellQuote(flac)).c_str(), "r");
    InputRules rules;
    rules.m_nMaxStreamBytes = 1 << 20;
    InputOpening opening;
    {
        StandardInputFrom input(fileno(pipe));
        opening = OpenSoundFile("-", rules);
    }
    pclose(pipe);  // closes the pipe first, so a writer still blocked on it ends
    EXPECT_FALSE(opening.m_opening.m_pSource);
    EXPECT_EQ(opening.m_opening.m_failure.m_strText,
              "Cannot read standard input: standard input holds more than 1 MB; give the sound as a file");
}
