// Outputs of any length and loops: a WAV past 4 GiB becomes RF64 (its 64-bit
// sizes read back by libsndfile and sndfile-info, on a small file that uses
// the same headers), and a WAV loop carries its loop points in a smpl chunk.
#include <gtest/gtest.h>

#include <cmath>
#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>
#include <variant>

#include "formats/output_format.h"
#include "formats/output_sink_factory.h"
#include "formats/sndfile_sink.h"
#include "formats/wav_stream_sink.h"
#include "tests/formats/sound_file_probe.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"

namespace {

// The longest desktop WAV: 44 + 4 × frames bytes, its RIFF size 36 + 4 × frames ≤ 2³² − 1.
constexpr std::uint64_t kLongestPlainWavFrames = (0xFFFFFFFFu - 36) / 4;

OutputFormat FormatFor(const std::string& path, int bits = 16, int rate = 44100)
{
    return std::get<OutputFormat>(ChooseOutputFormat(path, bits, rate));
}

std::vector<StereoFrame> Sine(std::size_t frames)
{
    std::vector<StereoFrame> sound(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const auto value = static_cast<float>(0.5 * std::sin(static_cast<double>(i) * 0.0627));
        sound[i] = {value, -value};
    }
    return sound;
}

void WriteAll(FrameSink& sink, const std::string& path, const std::vector<StereoFrame>& frames)
{
    const auto failure = sink.Create(path);
    ASSERT_FALSE(failure) << failure->m_strText;
    sink.Write(frames.data(), frames.size());
    sink.Finish(false);
}

}  // namespace

TEST(LongOutput, WavPastFourGibibytesBecomesRf64)
{
    const OutputFormat desktop = FormatFor("a.wav");
    EXPECT_EQ(FitToLength(desktop, kLongestPlainWavFrames).m_container, OutputContainer::Wav);
    EXPECT_TRUE(FitToLength(desktop, kLongestPlainWavFrames).IsDesktopWav());
    const OutputFormat large = FitToLength(desktop, kLongestPlainWavFrames + 1);
    EXPECT_EQ(large.m_container, OutputContainer::Rf64);
    EXPECT_FALSE(large.IsDesktopWav());
    EXPECT_EQ(large.Describe(), "16-bit RF64 WAV, 44100 Hz");
    // 32-bit float at 96 kHz passes 4 GiB after about 93 minutes.
    EXPECT_EQ(FitToLength(FormatFor("a.wav", 32, 96000), 90 * 60 * 44100).m_container, OutputContainer::Wav);
    EXPECT_EQ(FitToLength(FormatFor("a.wav", 32, 96000), 94 * 60 * 44100).m_container, OutputContainer::Rf64);
    EXPECT_EQ(FitToLength(FormatFor("-"), 7ULL * 3600 * 44100).m_container, OutputContainer::Rf64);
    // Other containers hold any length as they are.
    EXPECT_EQ(FitToLength(FormatFor("a.w64"), 24ULL * 3600 * 44100).m_container, OutputContainer::W64);
    EXPECT_EQ(FitToLength(FormatFor("a.flac"), 24ULL * 3600 * 44100).m_container, OutputContainer::Flac);
}

// A score stored after the sound counts toward the 4 GiB of a plain WAV: a
// sound that fits alone becomes RF64 when its score would not fit beside it.
TEST(LongOutput, AStoredScoreCountsTowardTheFourGibibytes)
{
    const OutputFormat desktop = FormatFor("a.wav");
    const std::uint64_t frames = kLongestPlainWavFrames - 1000;
    EXPECT_EQ(FitToLength(desktop, frames, 3000).m_container, OutputContainer::Wav);
    EXPECT_EQ(FitToLength(desktop, frames, 5000).m_container, OutputContainer::Rf64);
}

// libsndfile writes the RF64 file; a small one has the same layout.
TEST(LongOutput, Rf64FileIsReadBackWithItsFrames)
{
    TempDir dir;
    OutputFormat format = FormatFor("a.wav", 24);
    format.m_container = OutputContainer::Rf64;
    SndfileSink sink(format);
    const std::vector<StereoFrame> sound = Sine(10000);
    WriteAll(sink, dir.File("a.wav"), sound);
    const SoundFileContents contents = ReadSoundFile(dir.File("a.wav"));
    ASSERT_TRUE(contents.m_bOpened);
    EXPECT_EQ(contents.m_nFormat & SF_FORMAT_TYPEMASK, SF_FORMAT_RF64);
    EXPECT_EQ(contents.m_nFormat & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_24);
    EXPECT_EQ(contents.m_samples.size(), 2 * sound.size());
}

// The stream's header is written before its frames: with a ds64 chunk, every
// size is known up front. Read back as a file, it is the RF64 it claims.
TEST(LongOutput, Rf64StreamHeaderDescribesItsFrames)
{
    TempDir dir;
    for (const int bits : {16, 32}) {
        OutputFormat format = FormatFor("-", bits);
        format.m_container = OutputContainer::Rf64;
        const std::vector<StereoFrame> sound = Sine(5000);
        const std::string path = dir.File("stream" + std::to_string(bits) + ".wav");
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        WavStreamSink sink(fd, format, sound.size());
        WriteAll(sink, "stream", sound);
        close(fd);

        const SoundFileContents contents = ReadSoundFile(path);
        ASSERT_TRUE(contents.m_bOpened) << bits;
        EXPECT_EQ(contents.m_nFormat & SF_FORMAT_TYPEMASK, SF_FORMAT_RF64) << bits;
        EXPECT_EQ(contents.m_samples.size(), 2 * sound.size()) << bits;
        EXPECT_NEAR(contents.m_samples[2 * 100], sound[100].left, 1e-4) << bits;
        if (ToolAvailable("sndfile-info")) {
            const ToolResult info = RunTool("sndfile-info " + ShellQuote(path));
            EXPECT_NE(info.output.find("ds64"), std::string::npos) << info.output;
            EXPECT_NE(info.output.find("Frames      : 5000"), std::string::npos) << info.output;
        }
    }
}

// A loop written as WAV says where it loops: from frame 0 to its last frame,
// at the delivered rate; sndfile-info and libsndfile both read it so.
TEST(LongOutput, WavLoopHasASmplChunkWithItsLoopPoints)
{
    TempDir dir;
    for (const int rate : {44100, 48000}) {
        const std::string path = dir.File("loop" + std::to_string(rate) + ".wav");
        OutputRequest request;
        request.m_nFrames = 44100;
        request.m_bLoop = true;
        std::unique_ptr<FrameSink> sink =
            MakeOutputSink(FormatFor(path, 16, rate), request, [] { return std::unique_ptr<FrameSink>(); });
        WriteAll(*sink, path, Sine(44100));

        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr);
        SF_INSTRUMENT instrument{};
        EXPECT_EQ(sf_command(file, SFC_GET_INSTRUMENT, &instrument, sizeof instrument), SF_TRUE);
        sf_close(file);
        EXPECT_EQ(info.frames, rate);
        EXPECT_EQ(instrument.loop_count, 1);
        EXPECT_EQ(instrument.loops[0].mode, SF_LOOP_FORWARD);
        EXPECT_EQ(instrument.loops[0].start, 0u);
        EXPECT_EQ(instrument.loops[0].end, static_cast<unsigned>(rate));  // libsndfile's ends are exclusive
        if (ToolAvailable("sndfile-info")) {
            const ToolResult report = RunTool("sndfile-info " + ShellQuote(path));
            EXPECT_NE(report.output.find("Start :     0  End : " + std::to_string(rate - 1)), std::string::npos)
                << report.output;
        }
    }
}
