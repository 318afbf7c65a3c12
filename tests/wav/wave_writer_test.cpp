// Writing: the exact 44-byte header, frames appended little-endian, the size
// fields patched by FinishHeader, and what happens to files already there.
#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "wav/wave_file.h"

namespace {

std::uint32_t FieldAt(const std::vector<unsigned char>& bytes, std::size_t offset)
{
    return bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16) |
           (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

}  // namespace

TEST(WaveWriter, CreatingWritesTheCanonicalHeaderWithZeroSizes)
{
    TempDir dir;
    WaveFile file;
    ASSERT_EQ(file.CreateForWrite(dir.File("out.wav"), 44100), 0);
    EXPECT_EQ(file.CloseFile(), 0);
    const std::vector<unsigned char> expected = {
        0x52, 0x49, 0x46, 0x46, 0x00, 0x00, 0x00, 0x00, 0x57, 0x41, 0x56, 0x45, 0x66, 0x6D, 0x74,
        0x20, 0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x44, 0xAC, 0x00, 0x00, 0x10, 0xB1,
        0x02, 0x00, 0x04, 0x00, 0x10, 0x00, 0x64, 0x61, 0x74, 0x61, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(ReadWholeFile(dir.File("out.wav")), expected);
}

TEST(WaveWriter, OneFrameAndItsSizes)
{
    TempDir dir;
    WaveFile file;
    ASSERT_EQ(file.CreateForWrite(dir.File("out.wav"), 44100), 0);
    file.WriteFrame({1, -1});
    EXPECT_EQ(file.FinishHeader(1), 0);
    file.CloseFile();
    const auto bytes = ReadWholeFile(dir.File("out.wav"));
    ASSERT_EQ(bytes.size(), 48u);
    EXPECT_EQ(FieldAt(bytes, 4), 40u);
    EXPECT_EQ(FieldAt(bytes, 40), 4u);
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 44, bytes.end()),
              (std::vector<unsigned char>{0x01, 0x00, 0xFF, 0xFF}));
}

TEST(WaveWriter, FinishHeaderSizesForNoFramesAndForAMinute)
{
    TempDir dir;
    WaveFile file;
    ASSERT_EQ(file.CreateForWrite(dir.File("out.wav"), 44100), 0);
    file.FinishHeader(0);
    file.CloseFile();
    auto bytes = ReadWholeFile(dir.File("out.wav"));
    EXPECT_EQ(FieldAt(bytes, 4), 36u);
    EXPECT_EQ(FieldAt(bytes, 40), 0u);

    ASSERT_EQ(file.CreateForWrite(dir.File("out.wav"), 44100), 0);
    file.FinishHeader(44100 * 60);
    file.CloseFile();
    bytes = ReadWholeFile(dir.File("out.wav"));
    EXPECT_EQ(FieldAt(bytes, 4), 10584036u);
    EXPECT_EQ(FieldAt(bytes, 40), 10584000u);
}

TEST(WaveWriter, OnlyRateAndByteRateFollowTheRateGiven)
{
    TempDir dir;
    WaveFile file;
    ASSERT_EQ(file.CreateForWrite(dir.File("out.wav"), 22050), 0);
    file.CloseFile();
    const auto bytes = ReadWholeFile(dir.File("out.wav"));
    EXPECT_EQ(FieldAt(bytes, 24), 22050u);
    EXPECT_EQ(FieldAt(bytes, 28), 88200u);
    EXPECT_EQ(bytes[22], 2);
    EXPECT_EQ(bytes[32], 4);
    EXPECT_EQ(bytes[34], 16);
}

TEST(WaveWriter, AnExistingFileIsReplacedAtOnce)
{
    TempDir dir;
    WriteWholeFile(dir.File("out.wav"), std::vector<unsigned char>(5000, 0x55));
    WaveFile file;
    ASSERT_EQ(file.CreateForWrite(dir.File("out.wav"), 44100), 0);
    file.CloseFile();
    EXPECT_EQ(ReadWholeFile(dir.File("out.wav")).size(), 44u);
}

TEST(WaveWriter, AFileHeldByAReaderIsNotCreatedOverAndStaysIntact)
{
    TempDir dir;
    WaveFile writer, reader, second;
    ASSERT_EQ(writer.CreateForWrite(dir.File("in.wav"), 44100), 0);
    writer.WriteFrame({3, 4});
    writer.FinishHeader(1);
    writer.CloseFile();
    const auto before = ReadWholeFile(dir.File("in.wav"));

    ASSERT_EQ(reader.OpenForRead(dir.File("in.wav"), 44100), 0);
    EXPECT_EQ(second.CreateForWrite(dir.File("in.wav"), 44100), 1);
    EXPECT_EQ(ReadWholeFile(dir.File("in.wav")), before);
}

TEST(WaveWriter, AnOutputBeingWrittenCannotBeOpenedByAnother)
{
    TempDir dir;
    WaveFile writer, other;
    ASSERT_EQ(writer.CreateForWrite(dir.File("out.wav"), 44100), 0);
    EXPECT_EQ(other.CreateForWrite(dir.File("out.wav"), 44100), 1);
    EXPECT_EQ(other.OpenForRead(dir.File("out.wav"), 44100), 1);
}

TEST(WaveWriter, CreatingFailsForAnImpossiblePath)
{
    TempDir dir;
    WaveFile file;
    EXPECT_EQ(file.CreateForWrite(dir.File("no-such-folder/out.wav"), 44100), 1);
    EXPECT_EQ(file.CreateForWrite(dir.Path().string(), 44100), 1);
    EXPECT_FALSE(file.IsOpen());
}

TEST(WaveWriter, WhatIsWrittenReadsBackFrameForFrame)
{
    TempDir dir;
    std::vector<PcmFrame> frames;
    for (int i = 0; i < 5000; ++i)
        frames.push_back({static_cast<std::int16_t>(i * 13 - 32768), static_cast<std::int16_t>(32767 - i * 11)});
    WaveFile writer;
    ASSERT_EQ(writer.CreateForWrite(dir.File("out.wav"), 44100), 0);
    for (const auto& frame : frames)
        writer.WriteFrame(frame);
    writer.FinishHeader(static_cast<int>(frames.size()));
    writer.CloseFile();

    WaveFile reader;
    ASSERT_EQ(reader.OpenForRead(dir.File("out.wav"), 44100), 0);
    ASSERT_EQ(reader.GetFrameCount(), 5000);
    for (const auto& expected : frames) {
        PcmFrame frame;
        reader.ReadFrame(frame);
        ASSERT_EQ(frame, expected);
    }
}

// Frames handed over in bulk, in runs longer and shorter than its chunks,
// make the file that WriteFrame makes one frame at a time.
TEST(WaveWriter, FramesInBulkGiveTheBytesOfOneByOne)
{
    TempDir dir;
    std::vector<PcmFrame> frames;
    for (int i = 0; i < 10000; ++i)
        frames.push_back({static_cast<std::int16_t>(i * 7 - 30000), static_cast<std::int16_t>(-i * 3)});
    WaveFile single;
    ASSERT_EQ(single.CreateForWrite(dir.File("single.wav"), 44100), 0);
    for (const auto& frame : frames)
        single.WriteFrame(frame);
    single.FinishHeader(10000);
    single.CloseFile();

    WaveFile bulk;
    ASSERT_EQ(bulk.CreateForWrite(dir.File("bulk.wav"), 44100), 0);
    bulk.WriteFrames(frames.data(), 1);
    bulk.WriteFrames(frames.data() + 1, 9000);
    bulk.WriteFrames(frames.data() + 9001, 0);
    bulk.WriteFrames(frames.data() + 9001, 999);
    bulk.FinishHeader(10000);
    bulk.CloseFile();
    EXPECT_EQ(ReadWholeFile(dir.File("bulk.wav")), ReadWholeFile(dir.File("single.wav")));
}
