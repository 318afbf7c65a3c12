// Which headers the reader accepts, and that every refusal leaves the file closed.
#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "tests/support/wav_bytes.h"
#include "wav/wave_file.h"

namespace {

const std::vector<unsigned char> kSamples = Pcm16Bytes({100, -100, 200, -200});

// Opens bytes as a WAV file; on success reports the frame count and first frame.
struct OpenResult {
    int result = -1;
    bool stillOpen = false;
    int frameCount = 0;
    PcmFrame firstFrame;
};

OpenResult OpenBytes(const std::vector<unsigned char>& bytes)
{
    TempDir dir;
    WriteWholeFile(dir.File("x.wav"), bytes);
    WaveFile file;
    OpenResult outcome;
    outcome.result = file.OpenForRead(dir.File("x.wav"), 44100);
    outcome.stillOpen = file.IsOpen();
    if (outcome.result == 0) {
        outcome.frameCount = file.GetFrameCount();
        file.ReadFrame(outcome.firstFrame);
    }
    return outcome;
}

void ExpectRefused(const std::vector<unsigned char>& bytes)
{
    const OpenResult outcome = OpenBytes(bytes);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_FALSE(outcome.stillOpen);
}

std::vector<unsigned char> WithLayout(void (*change)(WavLayout&))
{
    WavLayout layout;
    change(layout);
    return MakeWav(layout, kSamples);
}

}  // namespace

TEST(WaveHeaderRefused, WrongFormatChannelsRateOrSampleWidth)
{
    ExpectRefused(WithLayout([](WavLayout& l) { l.formatTag = 3; }));
    ExpectRefused(WithLayout([](WavLayout& l) { l.formatTag = 0xFFFE; }));
    ExpectRefused(WithLayout([](WavLayout& l) { l.channels = 3; }));
    ExpectRefused(WithLayout([](WavLayout& l) { l.channels = 0; }));
    ExpectRefused(WithLayout([](WavLayout& l) { l.channels = -1; }));
    ExpectRefused(WithLayout([](WavLayout& l) { l.sampleRate = 48000; }));
    ExpectRefused(WithLayout([](WavLayout& l) { l.sampleRate = 0; }));
    ExpectRefused(WithLayout([](WavLayout& l) { l.bitsPerSample = 24; }));
    ExpectRefused(WithLayout([](WavLayout& l) { l.bitsPerSample = 32; }));
    ExpectRefused(WithLayout([](WavLayout& l) { l.bitsPerSample = 4; }));
    ExpectRefused(WithLayout([](WavLayout& l) { l.bitsPerSample = 0; }));
}

TEST(WaveHeaderRefused, WrongIdentifiersOrAChunkBeforeTheFormat)
{
    auto bytes = MakeWav({}, kSamples);
    bytes[0] = 'r';
    ExpectRefused(bytes);
    bytes = MakeWav({}, kSamples);
    bytes[15] = 'X';
    ExpectRefused(bytes);

    // RIFF/WAVE, then a LIST chunk, then "fmt ": the format must come first.
    std::vector<unsigned char> listFirst = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    const auto list = ChunkBytes("LIST", {'I', 'N', 'F', 'O'});
    listFirst.insert(listFirst.end(), list.begin(), list.end());
    const auto wellFormed = MakeWav({}, kSamples);
    listFirst.insert(listFirst.end(), wellFormed.begin() + 12, wellFormed.end());
    ExpectRefused(listFirst);
}

TEST(WaveHeaderRefused, FilesThatEndInsideTheHeader)
{
    const auto bytes = MakeWav({}, kSamples);
    for (std::size_t length : {0u, 4u, 15u, 16u, 19u, 20u, 35u, 36u, 39u, 40u, 43u})
        ExpectRefused(std::vector<unsigned char>(bytes.begin(), bytes.begin() + static_cast<long>(length)));
}

TEST(WaveHeaderRefused, FactChunkOfAnotherSizeOrNotFollowedByData)
{
    ExpectRefused(WithLayout([](WavLayout& l) { l.chunksBeforeData = {{"fact", {1, 0, 0, 0, 0, 0}}}; }));
    ExpectRefused(WithLayout([](WavLayout& l) {
        l.chunksBeforeData = {{"fact", {1, 0, 0, 0}}, {"LIST", {'I', 'N', 'F', 'O'}}};
    }));
}

TEST(WaveHeaderRefused, FormatChunkTooSmallOrDataTooLargeOrNoDataAtAll)
{
    ExpectRefused(WithLayout([](WavLayout& l) { l.formatSize = 14; }));
    auto hugeFormat = MakeWav({}, kSamples);
    for (int i = 0; i < 4; ++i)
        hugeFormat[16 + i] = i == 0 ? 0xF0 : 0xFF;
    ExpectRefused(hugeFormat);
    ExpectRefused(WithLayout([](WavLayout& l) { l.declaredDataSize = 0x80000000u; }));

    auto noData = MakeWav({}, {});
    noData.resize(36);
    const auto list = ChunkBytes("LIST", {'I', 'N', 'F', 'O'});
    noData.insert(noData.end(), list.begin(), list.end());
    ExpectRefused(noData);
}

TEST(WaveHeaderRefused, AFileWhoseChunksNeverEnd)
{
    auto bytes = MakeWav({}, {});
    bytes.resize(36);
    for (int i = 0; i < 2000; ++i) {
        const auto empty = ChunkBytes("junk", {});
        bytes.insert(bytes.end(), empty.begin(), empty.end());
    }
    const auto data = ChunkBytes("data", kSamples);
    bytes.insert(bytes.end(), data.begin(), data.end());
    ExpectRefused(bytes);
}

TEST(WaveHeaderAccepted, FactChunkOfFourBytesIsSkipped)
{
    const OpenResult outcome = OpenBytes(WithLayout([](WavLayout& l) { l.chunksBeforeData = {{"fact", {9, 0, 0, 0}}}; }));
    ASSERT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.frameCount, 2);
    EXPECT_EQ(outcome.firstFrame, (PcmFrame{100, -100}));
}

TEST(WaveHeaderAccepted, OtherChunksBeforeTheDataAreSkippedWithTheirPadByte)
{
    const OpenResult outcome = OpenBytes(WithLayout([](WavLayout& l) {
        l.chunksBeforeData = {{"LIST", {'I', 'N', 'F', 'O', 'a'}}, {"cue ", {}}, {"fact", {2, 0, 0, 0}}};
    }));
    ASSERT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.frameCount, 2);
    EXPECT_EQ(outcome.firstFrame, (PcmFrame{100, -100}));
}

TEST(WaveHeaderAccepted, ALongerFormatChunkMovesTheNextChunk)
{
    const OpenResult outcome = OpenBytes(WithLayout([](WavLayout& l) { l.formatSize = 18; }));
    ASSERT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.frameCount, 2);
    EXPECT_EQ(outcome.firstFrame, (PcmFrame{100, -100}));
}

TEST(WaveHeaderAccepted, TheRiffSizeByteRateAndBlockAlignAreIgnored)
{
    auto bytes = MakeWav({}, kSamples);
    for (std::size_t offset : {4u, 5u, 28u, 29u, 32u})
        bytes[offset] = 0xEE;
    const OpenResult outcome = OpenBytes(bytes);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.frameCount, 2);
}

TEST(WaveHeaderRefused, PathsThatAreNotReadableWaveFiles)
{
    TempDir dir;
    WaveFile file;
    EXPECT_EQ(file.OpenForRead(dir.File("missing.wav"), 44100), 1);
    EXPECT_EQ(file.OpenForRead(dir.Path().string(), 44100), 1);
    EXPECT_FALSE(file.IsOpen());
}
