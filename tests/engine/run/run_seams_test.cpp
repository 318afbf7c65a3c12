// A run through its seams: the blocks it reads and writes, the messages of a
// source or sink that fails, and how the output ends after a file error.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "engine/run/generation_run.h"
#include "engine/parameters/parameter_table.h"
#include "resources/strings/resource_ids.h"
#include "tests/engine/fake_host.h"
#include "tests/engine/memory_seams.h"

namespace {

using testing::HasSubstr;
using Phase = GenerationHost::Phase;
using Stage = FakeHost::Stage;

std::vector<StereoFrame> Tone(std::size_t frames)
{
    std::vector<StereoFrame> tone(frames);
    for (std::size_t j = 0; j < frames; ++j) {
        const auto value = static_cast<float>(0.5 * std::sin(6.283185307179586 * j / 100.0));
        tone[j] = {value, -value};
    }
    return tone;
}

// 500 grains of 50 ms (2205 frames) per second, a 2-second output.
class RunSeamsTest : public testing::Test {
protected:
    RunSeamsTest()
    {
        ParameterValues panel;
        panel.Set(ParameterId::Density, 500);
        panel.Set(ParameterId::GrainLength, 50);
        panel.Set(ParameterId::Fade, 0);
        ApplyParameters(panel, m_settings);
        m_settings.m_strInputPath = "input";
        m_settings.m_strOutputPath = "output";
        m_settings.m_nDurationSeconds = 2;
    }

    RunOutcome Generate(std::size_t sourceFrames = 2500, int fileRate = 44100)
    {
        GenerationRun run(m_host);
        run.SetSettings(m_settings);
        run.SetRandomState(1);
        run.SetSourceOpener(m_opener ? m_opener : MemoryOpener(Tone(sourceFrames), m_pLog, fileRate));
        run.SetSink(std::move(m_pSink));
        return run.Run();
    }

    std::vector<double> Fractions(Phase phase) const
    {
        std::vector<double> fractions;
        for (const GenerationHost::Progress& progress : m_host.m_progress) {
            if (progress.m_phase == phase)
                fractions.push_back(progress.m_dFraction);
        }
        return fractions;
    }

    FakeHost m_host;
    GenerationSettings m_settings;
    std::shared_ptr<SeamLog> m_pLog = std::make_shared<SeamLog>();
    std::unique_ptr<MemorySink> m_pSink = std::make_unique<MemorySink>(m_pLog);
    SourceOpener m_opener;
};

}  // namespace

// Progress points at frames 0, 1000 and 2000: blocks end just after each.
TEST_F(RunSeamsTest, LoadingReadsBlocksThatEndAtTheProgressPoints)
{
    EXPECT_EQ(Generate(2500), RunOutcome::Completed());
    EXPECT_EQ(m_pLog->m_readBlocks, (std::vector<std::size_t>{1, 1000, 1000, 499}));
    EXPECT_EQ(Fractions(Phase::Loading), (std::vector<double>{0.0, 0.4, 0.8}));
    EXPECT_TRUE(m_pLog->m_bSourceClosed);
    EXPECT_EQ(m_pLog->m_strCreatedPath, "output");
}

// 88200 frames: frame 0, then 88 blocks of 1000 up to frame 88000, then the
// last 199. Each progress point counts the frames handed over.
TEST_F(RunSeamsTest, WritingHandsOverBlocksThatEndAtTheProgressPoints)
{
    EXPECT_EQ(Generate(), RunOutcome::Completed());
    ASSERT_EQ(m_pLog->m_writeBlocks.size(), 90u);
    EXPECT_EQ(m_pLog->m_writeBlocks.front(), 1u);
    EXPECT_EQ(std::count(m_pLog->m_writeBlocks.begin(), m_pLog->m_writeBlocks.end(), 1000u), 88);
    EXPECT_EQ(m_pLog->m_writeBlocks.back(), 199u);
    EXPECT_EQ(m_pLog->m_written.size(), 88200u);
    EXPECT_EQ(m_pLog->m_nFinishes, 1);
    EXPECT_FALSE(m_pLog->m_bFinishedCancelled);
    std::vector<std::uint64_t> written;
    for (const GenerationHost::Progress& progress : m_host.m_progress) {
        if (progress.m_phase == Phase::Writing)
            written.push_back(progress.m_nFramesWritten);
    }
    ASSERT_EQ(written.size(), 89u);
    EXPECT_EQ(written[0], 1u);
    EXPECT_EQ(written[1], 1001u);
    EXPECT_EQ(written.back(), 88001u);
}

// Cancelled at the progress point of frame 2000: frames 0 to 2000 are written.
TEST_F(RunSeamsTest, CancelWhileWritingLeavesTheFramesUpToThatPoint)
{
    m_host.CancelAt(Stage::Writing, 3);
    EXPECT_EQ(Generate(), RunOutcome::Cancelled());
    EXPECT_EQ(m_pLog->m_written.size(), 2001u);
    EXPECT_EQ(m_pLog->m_nFinishes, 1);
    EXPECT_TRUE(m_pLog->m_bFinishedCancelled);
    EXPECT_EQ(m_host.m_bars[Phase::Writing].back(), 100);
    EXPECT_TRUE(m_host.m_messages.empty());
}

// The shortest input is named at the input's own rate, also at a rate that
// does not divide 44100: one more than a 2205-frame grain is 2206 frames at
// 44100 Hz, 2401.09 at 48000 Hz, so 2402 frames, 51 ms.
TEST_F(RunSeamsTest, ShortInputAtAnyRateIsRefusedWithTheShortestLengthThatWouldDo)
{
    EXPECT_EQ(Generate(2205, 48000), RunOutcome::Failed(RunFailure::Kind::SourceTooShort));
    ASSERT_EQ(m_host.m_messages.size(), 1u);
    EXPECT_THAT(m_host.m_messages[0].m_strText,
                HasSubstr("at least 51 milliseconds (2402 sample frames at 48000 Hz)"));
    EXPECT_TRUE(m_pLog->m_bSourceClosed);
    EXPECT_EQ(m_pLog->m_strCreatedPath, "");
    EXPECT_TRUE(m_pLog->m_readBlocks.empty());
}

TEST_F(RunSeamsTest, FailuresOfTheSeamsShowTheirOwnMessages)
{
    m_opener = [](const std::string& path) { return SourceOpening{nullptr, {4242, "no such sound: " + path}}; };
    EXPECT_EQ(Generate(), RunOutcome::Failed(RunFailure::Kind::Refused));
    ASSERT_EQ(m_host.m_messages.size(), 1u);
    EXPECT_EQ(m_host.m_messages[0].m_strText, "no such sound: input");
    EXPECT_EQ(m_host.m_messages[0].m_nId, 4242);
    EXPECT_EQ(m_host.m_messages[0].m_kind, GenerationHost::MessageKind::Error);
    EXPECT_EQ(m_pLog->m_strCreatedPath, "");

    m_opener = nullptr;
    m_host = FakeHost();
    m_pSink = std::make_unique<MemorySink>(m_pLog);
    m_pSink->m_refusal = {IDS_ERR_CREATE_OUTPUT, "refused"};
    EXPECT_EQ(Generate(), RunOutcome::Failed(RunFailure::Kind::Refused));
    ASSERT_EQ(m_host.m_messages.size(), 1u);
    EXPECT_EQ(m_host.m_messages[0].m_nId, IDS_ERR_CREATE_OUTPUT);
    EXPECT_TRUE(m_pLog->m_readBlocks.empty());
    EXPECT_FALSE(m_pLog->m_bDiscarded);
}

// A file error below the sink ends the run with the reason, and the sink
// drops the output it can no longer complete.
TEST_F(RunSeamsTest, FileErrorWhileWritingDiscardsTheOutput)
{
    m_pSink->m_nFailAfterFrames = 5000;
    EXPECT_EQ(Generate(), RunOutcome::Failed(RunFailure::Kind::FileFailure));
    ASSERT_EQ(m_host.m_messages.size(), 1u);
    EXPECT_THAT(m_host.m_messages[0].m_strText, HasSubstr("No space left on device"));
    EXPECT_TRUE(m_pLog->m_bDiscarded);
    EXPECT_EQ(m_pLog->m_nFinishes, 0);
}
