// Reading frames: exact 16-bit samples, 8-bit conversion, mono doubling, the
// one-frame-late up-conversion, silence past the data, and the block cache.
#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "tests/support/wav_bytes.h"
#include "wav/wave_file.h"

namespace {

std::string WriteWav(const TempDir& dir, const WavLayout& layout, const std::vector<unsigned char>& samples)
{
    const std::string path = dir.File("input.wav");
    WriteWholeFile(path, MakeWav(layout, samples));
    return path;
}

std::vector<PcmFrame> ReadFrames(WaveFile& file, int count)
{
    std::vector<PcmFrame> frames(static_cast<std::size_t>(count));
    for (auto& frame : frames)
        EXPECT_EQ(file.ReadFrame(frame), 0);
    return frames;
}

WavLayout Layout(int channels, int rate, int bits)
{
    WavLayout layout;
    layout.channels = static_cast<std::int16_t>(channels);
    layout.sampleRate = static_cast<std::uint32_t>(rate);
    layout.bitsPerSample = static_cast<std::int16_t>(bits);
    return layout;
}

}  // namespace

TEST(WaveReader, Stereo16At44100DeliversTheStoredSamplesThenSilence)
{
    TempDir dir;
    const std::vector<std::int16_t> samples = {1, -1, 32767, -32768, 1234, -4321};
    WaveFile file;
    ASSERT_EQ(file.OpenForRead(WriteWav(dir, Layout(2, 44100, 16), Pcm16Bytes(samples)), 44100), 0);
    EXPECT_EQ(file.GetFrameCount(), 3);
    EXPECT_EQ(file.GetSampleRate(), 44100);
    EXPECT_EQ(file.GetChannels(), 2);
    EXPECT_EQ(file.GetBytesPerSample(), 2);
    const std::vector<PcmFrame> expected = {{1, -1}, {32767, -32768}, {1234, -4321}, {0, 0}, {0, 0}};
    EXPECT_EQ(ReadFrames(file, 5), expected);
}

TEST(WaveReader, MonoDeliversEqualLeftAndRight)
{
    TempDir dir;
    WaveFile file;
    ASSERT_EQ(file.OpenForRead(WriteWav(dir, Layout(1, 44100, 16), Pcm16Bytes({7, -300})), 44100), 0);
    const std::vector<PcmFrame> expected = {{7, 7}, {-300, -300}};
    EXPECT_EQ(ReadFrames(file, 2), expected);
}

TEST(WaveReader, EightBitSamplesAreCentredAndScaledSymmetrically)
{
    EXPECT_EQ(WaveFile::Conv8(0), -32767);
    EXPECT_EQ(WaveFile::Conv8(1), -32510);
    EXPECT_EQ(WaveFile::Conv8(127), -128);
    EXPECT_EQ(WaveFile::Conv8(128), 128);
    EXPECT_EQ(WaveFile::Conv8(129), 385);
    EXPECT_EQ(WaveFile::Conv8(254), 32510);
    EXPECT_EQ(WaveFile::Conv8(255), 32767);
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(WaveFile::Conv8(static_cast<unsigned char>(255 - b)), -WaveFile::Conv8(static_cast<unsigned char>(b)));
        EXPECT_NE(WaveFile::Conv8(static_cast<unsigned char>(b)), 0);
    }

    TempDir dir;
    WaveFile file;
    ASSERT_EQ(file.OpenForRead(WriteWav(dir, Layout(2, 44100, 8), {0, 255, 127, 128}), 44100), 0);
    const std::vector<PcmFrame> expected = {{-32767, 32767}, {-128, 128}};
    EXPECT_EQ(ReadFrames(file, 2), expected);
}

TEST(WaveReaderUpConversion, At22050RunsOneFrameLateWithHalfwayFrames)
{
    TempDir dir;
    WaveFile file;
    const auto samples = Pcm16Bytes({1000, -1000, 2000, -2000, 3000, -3000});
    ASSERT_EQ(file.OpenForRead(WriteWav(dir, Layout(2, 22050, 16), samples), 44100), 0);
    EXPECT_EQ(file.GetFrameCount(), 3);
    const std::vector<PcmFrame> expected = {{0, 0},       {500, -500},   {1000, -1000},
                                            {1500, -1500}, {2000, -2000}, {0, 0}};
    EXPECT_EQ(ReadFrames(file, 6), expected);
}

TEST(WaveReaderUpConversion, InterpolatedValuesTruncateTowardZero)
{
    TempDir dir;
    WaveFile file;
    ASSERT_EQ(file.OpenForRead(WriteWav(dir, Layout(2, 22050, 16), Pcm16Bytes({-3, 3, 5, 5})), 44100), 0);
    const auto frames = ReadFrames(file, 2);
    EXPECT_EQ(frames[1], (PcmFrame{-1, 1}));
}

TEST(WaveReaderUpConversion, At11025TheLastThreeOfFourNFramesAreSilent)
{
    TempDir dir;
    WaveFile file;
    const auto samples = Pcm16Bytes({400, 400, 800, -800, 1200, 1200});
    ASSERT_EQ(file.OpenForRead(WriteWav(dir, Layout(2, 11025, 16), samples), 44100), 0);
    const std::vector<PcmFrame> expected = {{0, 0},     {100, 100}, {200, 200},  {300, 300},
                                            {400, 400}, {500, 100}, {600, -200}, {700, -500},
                                            {800, -800}, {0, 0},    {0, 0},      {0, 0}, {0, 0}};
    EXPECT_EQ(ReadFrames(file, 13), expected);
}

TEST(WaveReader, AnEmptyDataChunkHasNoFramesAndReadsSilence)
{
    TempDir dir;
    WaveFile file;
    ASSERT_EQ(file.OpenForRead(WriteWav(dir, Layout(1, 22050, 8), {}), 44100), 0);
    EXPECT_EQ(file.GetFrameCount(), 0);
    EXPECT_EQ(ReadFrames(file, 3), std::vector<PcmFrame>(3));
}

TEST(WaveReader, APartialLastFrameIsNeitherCountedNorDelivered)
{
    TempDir dir;
    WaveFile file;
    auto samples = Pcm16Bytes({10, 20, 30});
    ASSERT_EQ(file.OpenForRead(WriteWav(dir, Layout(2, 44100, 16), samples), 44100), 0);
    EXPECT_EQ(file.GetFrameCount(), 1);
    const std::vector<PcmFrame> expected = {{10, 20}, {0, 0}};
    EXPECT_EQ(ReadFrames(file, 2), expected);
}

TEST(WaveReader, DataThatClaimsMoreThanTheFileHoldsCountsOnlyWhatIsThere)
{
    TempDir dir;
    WavLayout layout = Layout(2, 44100, 16);
    layout.declaredDataSize = 0x7FFFFFF0u;
    WaveFile file;
    ASSERT_EQ(file.OpenForRead(WriteWav(dir, layout, Pcm16Bytes({5, 6, 7, 8, 9})), 44100), 0);
    EXPECT_EQ(file.GetFrameCount(), 2);
    const std::vector<PcmFrame> expected = {{5, 6}, {7, 8}, {0, 0}};
    EXPECT_EQ(ReadFrames(file, 3), expected);
}

// After an 18-byte format chunk the data starts 2 bytes past a multiple of 4,
// so one stereo frame straddles the first 1024-byte block boundary.
TEST(WaveReaderBlockCache, FramesAcrossABlockBoundaryComeFromTheirOwnBytes)
{
    TempDir dir;
    WavLayout layout = Layout(2, 44100, 16);
    layout.formatSize = 18;
    std::vector<std::int16_t> samples;
    for (int i = 0; i < 1200; ++i)
        samples.push_back(static_cast<std::int16_t>(i * 7 - 4000));
    WaveFile file;
    ASSERT_EQ(file.OpenForRead(WriteWav(dir, layout, Pcm16Bytes(samples)), 44100), 0);
    const auto frames = ReadFrames(file, 600);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        ASSERT_EQ(frames[i].left, samples[2 * i]) << "frame " << i;
        ASSERT_EQ(frames[i].right, samples[2 * i + 1]) << "frame " << i;
    }
}

TEST(WaveReaderBlockCache, SixteenBitSamplesAtOddOffsetsStraddleBlocksCorrectly)
{
    TempDir dir;
    WavLayout layout = Layout(1, 44100, 16);
    layout.chunksBeforeData = {{"LIST", {'I', 'N', 'F', 'O', 'x'}}};  // odd size, padded to 6
    layout.formatSize = 17;
    std::vector<std::int16_t> samples;
    for (int i = 0; i < 1100; ++i)
        samples.push_back(static_cast<std::int16_t>(30000 - i * 53));
    WaveFile file;
    ASSERT_EQ(file.OpenForRead(WriteWav(dir, layout, Pcm16Bytes(samples)), 44100), 0);
    const auto frames = ReadFrames(file, 1100);
    for (std::size_t i = 0; i < frames.size(); ++i)
        ASSERT_EQ(frames[i].left, samples[i]) << "frame " << i;
}
