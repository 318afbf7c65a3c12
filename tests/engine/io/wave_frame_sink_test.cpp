// The WAV output seam: trunc(value × 32767) as 16 bits, the header's sizes set
// only when frames were written, the bare header of a sink left unfinished,
// and no file after Discard.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <vector>

#include "engine/io/wave_frame_sink.h"
#include "resources/strings/resource_ids.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_sounds.h"
#include "wav/file_exception.h"

TEST(WaveFrameSink, SamplesAreTruncatedTowardZero)
{
    EXPECT_EQ(WaveFrameSink::ToPcmSample(0.5f), 16383);  // 16383.5
    EXPECT_EQ(WaveFrameSink::ToPcmSample(-0.5f), -16383);
    EXPECT_EQ(WaveFrameSink::ToPcmSample(1.0f), 32767);
    EXPECT_EQ(WaveFrameSink::ToPcmSample(-1.0f), -32767);
    EXPECT_EQ(WaveFrameSink::ToPcmSample(1.0f / 32767.0f), 0);  // just under 1 after rounding to float
    EXPECT_EQ(WaveFrameSink::ToPcmSample(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(WaveFrameSink::ToPcmSample(std::numeric_limits<float>::infinity()), 0);
}

TEST(WaveFrameSink, WrittenFramesAndTheirSizesMakeAValidFile)
{
    TempDir dir;
    const std::string path = dir.File("out.wav");
    {
        WaveFrameSink sink;
        ASSERT_FALSE(sink.Create(path));
        const std::vector<StereoFrame> frames = {{0.5f, -0.5f}, {0.25f, 1.0f}, {0.0f, -1.0f}};
        sink.Write(frames.data(), 1);
        sink.Write(frames.data() + 1, 2);
        sink.Finish(false);
    }
    const std::vector<unsigned char> bytes = ReadWholeFile(path);
    EXPECT_EQ(bytes.size(), 44u + 12u);
    EXPECT_EQ(ReadHeaderSizes(bytes).m_nData, 12u);
    EXPECT_EQ(ReadHeaderSizes(bytes).m_nRiff, 48u);
    EXPECT_EQ(DataSamples(bytes), (std::vector<std::int16_t>{16383, -16383, 8191, 32767, 0, -32767}));
    if (!ToolAvailable("sndfile-info"))
        GTEST_SKIP() << "sndfile-info is not installed";
    const ToolResult info = RunTool("sndfile-info " + ShellQuote(path));
    EXPECT_THAT(info.output, testing::ContainsRegex("Frames +: 3"));
    EXPECT_THAT(info.output, testing::Not(testing::HasSubstr("Error")));
}

// Finished without a frame (a cancel before the first) or never finished (a
// run that ended before writing): the header with sizes 0.
TEST(WaveFrameSink, WithoutFramesTheBareHeaderStays)
{
    TempDir dir;
    for (const bool finished : {true, false}) {
        const std::string path = dir.File(finished ? "finished.wav" : "unfinished.wav");
        {
            WaveFrameSink sink;
            ASSERT_FALSE(sink.Create(path));
            if (finished)
                sink.Finish(true);
        }
        const std::vector<unsigned char> bytes = ReadWholeFile(path);
        ASSERT_EQ(bytes.size(), 44u) << finished;
        EXPECT_EQ(ReadHeaderSizes(bytes).m_nRiff, 0u);
        EXPECT_EQ(ReadHeaderSizes(bytes).m_nData, 0u);
    }
}

TEST(WaveFrameSink, DiscardRemovesTheFileItCreated)
{
    TempDir dir;
    const std::string path = dir.File("out.wav");
    WaveFrameSink sink;
    ASSERT_FALSE(sink.Create(path));
    const StereoFrame frame{0.5f, 0.5f};
    sink.Write(&frame, 1);
    sink.Discard();
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(WaveFrameSink, AnOutputThatCannotBeCreatedGivesTheCreateOutputMessage)
{
    TempDir dir;
    WaveFrameSink sink;
    const std::optional<RunMessage> refusal = sink.Create(dir.File("no-such-folder/out.wav"));
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->m_nStringId, IDS_ERR_CREATE_OUTPUT);
    EXPECT_EQ(refusal->m_strText.rfind("Cannot create the output sound file on disk.", 0), 0u);
    sink.Discard();  // removes nothing it did not create
    EXPECT_FALSE(std::filesystem::exists(dir.File("no-such-folder")));
}

// 36 + 4 × frames must fit the RIFF size field: one frame more than that is
// refused before anything of it is written (the frames are not even read).
TEST(WaveFrameSink, MoreFramesThanItsSizeFieldsHoldAreRefused)
{
    TempDir dir;
    WaveFrameSink sink;
    ASSERT_FALSE(sink.Create(dir.File("out.wav")));
    const StereoFrame frame{0.0f, 0.0f};
    EXPECT_THROW(sink.Write(&frame, (0xFFFFFFFFull - 36) / 4 + 1), FileException);
    sink.Write(&frame, 1);
    sink.Finish(false);
    EXPECT_EQ(std::filesystem::file_size(dir.File("out.wav")), 48u);
}
