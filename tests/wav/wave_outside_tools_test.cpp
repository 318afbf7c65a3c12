// Real audio tools as judges: sox writes inputs in every accepted layout for our
// reader, and sox and libsndfile read back what our writer produced.
#include <cmath>
#include <gtest/gtest.h>

#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"
#include "wav/wave_file.h"

namespace {

struct Layout {
    int channels;
    int rate;
    int bits;
};

std::string LayoutName(const ::testing::TestParamInfo<Layout>& info)
{
    return std::to_string(info.param.bits) + "bit" + (info.param.channels == 1 ? "Mono" : "Stereo") +
           std::to_string(info.param.rate);
}

// Raw little-endian sample bytes from a fixed pseudo-random sequence.
std::vector<unsigned char> RawSamples(std::size_t byteCount)
{
    std::vector<unsigned char> bytes(byteCount);
    std::uint32_t state = 12345;
    for (auto& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<unsigned char>(state >> 16);
    }
    return bytes;
}

// The source frames as 16-bit pairs: 8-bit samples converted, mono doubled.
std::vector<PcmFrame> SourceFrames(const std::vector<unsigned char>& raw, const Layout& layout)
{
    const std::size_t sampleBytes = static_cast<std::size_t>(layout.bits / 8);
    const std::size_t frameBytes = sampleBytes * static_cast<std::size_t>(layout.channels);
    auto sampleAt = [&](std::size_t offset) -> std::int16_t {
        if (sampleBytes == 1)
            return WaveFile::Conv8(raw[offset]);
        return static_cast<std::int16_t>(raw[offset] | (raw[offset + 1] << 8));
    };
    std::vector<PcmFrame> frames;
    for (std::size_t offset = 0; offset + frameBytes <= raw.size(); offset += frameBytes) {
        const std::int16_t left = sampleAt(offset);
        frames.push_back({left, layout.channels == 2 ? sampleAt(offset + sampleBytes) : left});
    }
    return frames;
}

// Output frame j at ratio r: a straight line from source frame k-1 to frame k
// (k = j / r), one source frame late, and silence after the last source frame.
// At the file's own rate the output is the source itself.
PcmFrame ExpectedOutput(const std::vector<PcmFrame>& source, std::size_t j, int ratio)
{
    if (ratio == 1)
        return j < source.size() ? source[j] : PcmFrame{};
    const std::size_t k = j / static_cast<std::size_t>(ratio);
    if (k >= source.size() || (k + 1 == source.size() && j % static_cast<std::size_t>(ratio) != 0))
        return {};
    const double x = static_cast<double>(j % static_cast<std::size_t>(ratio)) / ratio;
    const PcmFrame previous = k > 0 ? source[k - 1] : PcmFrame{};
    auto line = [x](int from, int to) { return static_cast<std::int16_t>(std::trunc(from + x * (to - from))); };
    return {line(previous.left, source[k].left), line(previous.right, source[k].right)};
}

}  // namespace

class WaveReaderOnSoxFiles : public ::testing::TestWithParam<Layout> {
protected:
    void SetUp() override
    {
        if (!ToolAvailable("sox"))
            GTEST_SKIP() << "sox is not installed";
    }
};

TEST_P(WaveReaderOnSoxFiles, DeliversTheSamplesSoxStored)
{
    const Layout layout = GetParam();
    TempDir dir;
    const auto raw = RawSamples(static_cast<std::size_t>(700 * layout.channels * layout.bits / 8));
    WriteWholeFile(dir.File("in.raw"), raw);
    const std::string encoding = layout.bits == 8 ? "unsigned-integer" : "signed-integer";
    const ToolResult sox = RunTool("sox -t raw -r " + std::to_string(layout.rate) + " -e " + encoding + " -b " +
                                   std::to_string(layout.bits) + " -c " + std::to_string(layout.channels) +
                                   " -L " + ShellQuote(dir.File("in.raw")) + " " + ShellQuote(dir.File("in.wav")));
    ASSERT_EQ(sox.exitCode, 0) << sox.output;

    WaveFile reader;
    ASSERT_EQ(reader.OpenForRead(dir.File("in.wav"), 44100), 0);
    const auto source = SourceFrames(raw, layout);
    ASSERT_EQ(reader.GetFrameCount(), static_cast<int>(source.size()));
    const int ratio = 44100 / layout.rate;
    for (std::size_t j = 0; j < source.size() * static_cast<std::size_t>(ratio) + 5; ++j) {
        PcmFrame frame;
        reader.ReadFrame(frame);
        ASSERT_EQ(frame, ExpectedOutput(source, j, ratio)) << "output frame " << j;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryAcceptedLayout, WaveReaderOnSoxFiles,
                         ::testing::Values(Layout{1, 11025, 8}, Layout{2, 11025, 8}, Layout{1, 22050, 8},
                                           Layout{2, 22050, 8}, Layout{1, 44100, 8}, Layout{2, 44100, 8},
                                           Layout{1, 11025, 16}, Layout{2, 11025, 16}, Layout{1, 22050, 16},
                                           Layout{2, 22050, 16}, Layout{1, 44100, 16}, Layout{2, 44100, 16}),
                         LayoutName);

TEST(WaveReaderOnSoxFiles, RefusesFloat24BitAnd48000HzFiles)
{
    if (!ToolAvailable("sox"))
        GTEST_SKIP() << "sox is not installed";
    TempDir dir;
    for (const std::string options : {"-r 44100 -e floating-point -b 32", "-r 44100 -b 24", "-r 48000 -b 16"}) {
        const std::string path = dir.File("refused.wav");
        const ToolResult sox = RunTool("sox -n -c 2 " + options + " " + ShellQuote(path) + " synth 0.1 sine 440");
        ASSERT_EQ(sox.exitCode, 0) << sox.output;
        WaveFile reader;
        EXPECT_EQ(reader.OpenForRead(path, 44100), 1) << options;
    }
}

class WrittenFileJudgedByTools : public ::testing::Test {
protected:
    void SetUp() override
    {
        WaveFile writer;
        ASSERT_EQ(writer.CreateForWrite(m_dir.File("out.wav"), 44100), 0);
        for (int i = 0; i < kFrames; ++i) {
            const auto value = static_cast<std::int16_t>(std::lround(16000 * std::sin(i * 0.05)));
            writer.WriteFrame({value, static_cast<std::int16_t>(-value)});
        }
        writer.FinishHeader(kFrames);
        writer.CloseFile();
    }

    static constexpr int kFrames = 44100 * 2 + 7;
    TempDir m_dir;
};

TEST_F(WrittenFileJudgedByTools, SndfileInfoReadsStereo16Bit44100)
{
    if (!ToolAvailable("sndfile-info"))
        GTEST_SKIP() << "sndfile-info is not installed";
    const ToolResult info = RunTool("sndfile-info " + ShellQuote(m_dir.File("out.wav")));
    ASSERT_EQ(info.exitCode, 0) << info.output;
    EXPECT_NE(info.output.find("Channels      : 2"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("Sample Rate   : 44100"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("Bit Width     : 16"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("Frames      : " + std::to_string(kFrames)), std::string::npos) << info.output;
    // The major format WAV (0x10000) with 16-bit signed PCM (0x0002).
    EXPECT_NE(info.output.find("Format      : 0x00010002"), std::string::npos) << info.output;
    EXPECT_EQ(info.output.find("Should be"), std::string::npos) << "libsndfile found a size mismatch:\n"
                                                                << info.output;
}

TEST_F(WrittenFileJudgedByTools, SoxReadsTheLengthAndTheSamples)
{
    if (!ToolAvailable("sox"))
        GTEST_SKIP() << "sox is not installed";
    const ToolResult samples = RunTool("sox --i -s " + ShellQuote(m_dir.File("out.wav")));
    EXPECT_EQ(samples.output, std::to_string(kFrames) + "\n");
    const ToolResult rate = RunTool("sox --i -r " + ShellQuote(m_dir.File("out.wav")));
    EXPECT_EQ(rate.output, "44100\n");
    const ToolResult bits = RunTool("sox --i -b " + ShellQuote(m_dir.File("out.wav")));
    EXPECT_EQ(bits.output, "16\n");

    // Left and right are mirror images, so their sum mixed to mono is silence.
    const ToolResult mix = RunTool("sox " + ShellQuote(m_dir.File("out.wav")) + " -n remix 1,2 stat");
    EXPECT_NE(mix.output.find("Maximum amplitude:     0.000000"), std::string::npos) << mix.output;
}
