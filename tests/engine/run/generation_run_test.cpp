// Whole runs driven by a fake host: what the host sees and what the output
// file holds at each end of a run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "resources/strings/resource_ids.h"
#include "tests/engine/run_fixture.h"
#include "tests/support/external_tool.h"
#include "tests/support/test_sounds.h"
#include "tests/support/wav_bytes.h"

namespace {

using Phase = GenerationHost::Phase;
using Stage = FakeHost::Stage;

constexpr std::uint32_t kInputFrames = 44100;
constexpr std::uint32_t kTwoSecondFrames = 2 * 44100;

class GenerationRunTest : public testing::Test, public RunFixture {
protected:
    void SetUp() override { WriteToneWav(InputPath(), kInputFrames); }

    int PeakSample()
    {
        int peak = 0;
        for (const std::int16_t sample : DataSamples(*OutputBytes()))
            peak = std::max(peak, std::abs(static_cast<int>(sample)));
        return peak;
    }
};

// "hh:mm:ss" as seconds; "..." (under 2 seconds left) as 0.
int SecondsOf(const std::string& text)
{
    if (text == "...")
        return 0;
    return std::stoi(text.substr(0, 2)) * 3600 + std::stoi(text.substr(3, 2)) * 60 + std::stoi(text.substr(6, 2));
}

}  // namespace

// The peak sample is the volume: 0.5 by default, then 100 %.
TEST_F(GenerationRunTest, CompletedRunWritesEveryFrameAtTheVolumeAndReportsSuccess)
{
    Generate();
    EXPECT_EQ(m_outcome, RunOutcome::Completed());
    ASSERT_EQ(MessageIds(), std::vector<int>{IDS_GENERATION_DONE});
    EXPECT_EQ(m_host.m_messages[0].m_strText, "Ambient sound generation completed successfully!");
    EXPECT_EQ(m_host.m_messages[0].m_kind, GenerationHost::MessageKind::Information);
    const auto bytes = OutputBytes();
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size(), 44u + 4u * kTwoSecondFrames);
    EXPECT_EQ(ReadHeaderSizes(*bytes).m_nData, 4u * kTwoSecondFrames);
    EXPECT_EQ(ReadHeaderSizes(*bytes).m_nRiff, 36u + 4u * kTwoSecondFrames);
    EXPECT_EQ(PeakSample(), 16383);  // trunc(0.5 × 32767)
    m_panel.Set(ParameterId::Volume, 100);
    Generate();
    EXPECT_EQ(PeakSample(), 32767);
}

TEST_F(GenerationRunTest, ProgressPointsComeAtEvery1000thIteration)
{
    Generate();
    EXPECT_EQ(m_host.m_pumps[Stage::Loading], 45);     // frames 0, 1000, ..., 44000
    EXPECT_EQ(m_host.m_pumps[Stage::Generating], 2);   // grains 0 and 1000 of 0 to 1000
    EXPECT_EQ(m_host.m_pumps[Stage::Finishing], 4);    // frame 0 of each of four passes
    EXPECT_EQ(m_host.m_pumps[Stage::Writing], 89);     // frames 0, 1000, ..., 88000
    EXPECT_EQ(m_host.m_pumps[Stage::Allocating], 0);
}

TEST_F(GenerationRunTest, EveryBarAndPercentageRisesTo100)
{
    Generate();
    for (const Phase phase : {Phase::Loading, Phase::Generating, Phase::Writing}) {
        const std::vector<int>& bars = m_host.m_bars[phase];
        ASSERT_FALSE(bars.empty());
        EXPECT_EQ(bars.front(), 0);
        EXPECT_TRUE(std::is_sorted(bars.begin(), bars.end()));
        EXPECT_EQ(bars.back(), 100);
        EXPECT_EQ(m_host.m_percentTexts[phase].front(), "0%");
        EXPECT_EQ(m_host.m_percentTexts[phase].back(), "100%");
    }
}

TEST_F(GenerationRunTest, WrittenSizeIsShownWhileWritingOnly)
{
    m_settings.m_nDurationSeconds = 10;  // 441000 frames: past 1 MiB from frame 262133
    Generate();
    ASSERT_EQ(m_host.m_writtenTexts.size(), 441u);
    EXPECT_EQ(m_host.m_writtenTexts.front(), "0 MB");
    EXPECT_EQ(m_host.m_writtenTexts[262], "0 MB");  // frame 262000
    EXPECT_EQ(m_host.m_writtenTexts[263], "1 MB");  // frame 263000
    EXPECT_EQ(m_host.m_writtenTexts.back(), "1 MB");
}

// The clock moves one second per pump, so at the writing phase's mth progress
// point m seconds have passed for m thousand of N frames: N/1000 − m are left.
TEST_F(GenerationRunTest, TimeLeftExtrapolatesTheCurrentPhase)
{
    m_settings.m_nDurationSeconds = 10;
    std::int64_t now = 5000;
    m_host.OnPump([&now] { ++now; });
    Generate([&now](GenerationRun& run) { run.SetClock([&now] { return now; }); });
    const std::vector<std::string>& texts = m_host.m_timeLeftTexts;
    ASSERT_GE(texts.size(), 441u);
    const std::vector<std::string> writing(texts.end() - 441, texts.end());
    EXPECT_EQ(writing[0], "...");  // nothing done yet
    for (int m = 1; m < 441; ++m)
        ASSERT_NEAR(SecondsOf(writing[m]), std::max(441 - m, 0), 1) << "point " << m << ": " << writing[m];
}

// 3000 frames at 22050 and 11025 Hz are 6000 and 12000 frames at 44100.
TEST_F(GenerationRunTest, InputsAtLowerRatesAreLoadedAt44100)
{
    for (const std::uint32_t rate : {22050u, 11025u}) {
        m_host = FakeHost();
        WriteToneWav(InputPath(), 3000, rate);
        Generate();
        EXPECT_EQ(m_host.m_pumps[Stage::Loading], static_cast<int>(3 * 44100 / rate)) << rate;
        EXPECT_EQ(MessageIds(), std::vector<int>{IDS_GENERATION_DONE});
    }
}

TEST_F(GenerationRunTest, ZeroLengthLeavesAHeaderOfItsOwnSizeAndSucceeds)
{
    m_settings.m_nDurationSeconds = 0;
    Generate();
    const auto bytes = OutputBytes();
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size(), 44u);
    EXPECT_EQ(ReadHeaderSizes(*bytes).m_nData, 0u);
    EXPECT_EQ(ReadHeaderSizes(*bytes).m_nRiff, 36u);  // not 0, which stricter readers refuse
    EXPECT_EQ(m_outcome, RunOutcome::Completed());
    EXPECT_EQ(MessageIds(), std::vector<int>{IDS_GENERATION_DONE});
    EXPECT_EQ(m_host.m_pumps[Stage::Generating], 0);
    EXPECT_EQ(m_host.m_pumps[Stage::Writing], 0);
    EXPECT_EQ(m_host.m_bars[Phase::Writing].back(), 100);
}

TEST_F(GenerationRunTest, SixtySecondsMake10584044Bytes)
{
    m_settings.m_nDurationSeconds = 60;
    m_panel.Set(ParameterId::Fade, 3);
    Generate();
    EXPECT_EQ(MessageIds(), std::vector<int>{IDS_GENERATION_DONE});
    ASSERT_TRUE(OutputBytes());
    EXPECT_EQ(OutputBytes()->size(), 10584044u);
}

// A cancel in loading lets loading end; in generating it stops before the
// next grain; in finishing the passes end and writing stops before its first
// frame. Each leaves a bare header, shows nothing, and ends every bar it
// started at 100.
struct CancelCase {
    Stage m_stage;
    int m_nPump;
    int m_nPumpsInStage;
    std::vector<Phase> m_barsShown;
};

TEST_F(GenerationRunTest, CancelBeforeWritingLeavesABareHeader)
{
    const CancelCase cases[] = {{Stage::Loading, 2, 45, {Phase::Loading}},
                                {Stage::Generating, 1, 1, {Phase::Loading, Phase::Generating}},
                                {Stage::Finishing, 1, 4, {Phase::Loading, Phase::Generating, Phase::Writing}}};
    for (const CancelCase& cancel : cases) {
        m_host = FakeHost();
        m_host.CancelAt(cancel.m_stage, cancel.m_nPump);
        Generate();
        SCOPED_TRACE(static_cast<int>(cancel.m_stage));
        EXPECT_EQ(m_host.m_pumps[cancel.m_stage], cancel.m_nPumpsInStage);
        EXPECT_EQ(m_host.m_pumps[Stage::Writing], 0);
        ASSERT_EQ(m_host.m_bars.size(), cancel.m_barsShown.size());
        for (const Phase phase : cancel.m_barsShown) {
            ASSERT_FALSE(m_host.m_bars[phase].empty() || m_host.m_percentTexts[phase].empty());
            EXPECT_EQ(m_host.m_bars[phase].back(), 100);
            EXPECT_EQ(m_host.m_percentTexts[phase].back(), "100%");
        }
        EXPECT_TRUE(m_host.m_messages.empty());
        EXPECT_EQ(m_outcome, RunOutcome::Cancelled());
        ExpectBareHeader();
    }
}

TEST_F(GenerationRunTest, CancelWhileWritingLeavesAShorterValidFile)
{
    m_host.CancelAt(Stage::Writing, 3);  // at frame 2000
    Generate();
    EXPECT_TRUE(m_host.m_messages.empty());
    EXPECT_EQ(m_outcome, RunOutcome::Cancelled());
    EXPECT_EQ(m_host.m_bars[Phase::Writing].back(), 100);
    const auto bytes = OutputBytes();
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size(), 44u + 4u * 2001);
    EXPECT_EQ(ReadHeaderSizes(*bytes).m_nData, 4u * 2001);
    if (!ToolAvailable("sndfile-info"))
        GTEST_SKIP() << "sndfile-info is not installed";
    const ToolResult info = RunTool("sndfile-info " + ShellQuote(OutputPath()));
    EXPECT_THAT(info.output, testing::ContainsRegex("Frames +: 2001"));
}

TEST_F(GenerationRunTest, SameGeneratorStateGivesTheSameBytes)
{
    Generate();
    const auto first = OutputBytes();
    Generate();
    EXPECT_EQ(OutputBytes(), first);
    Generate([](GenerationRun& run) { run.SetRandomState(2); });
    EXPECT_NE(OutputBytes(), first);
}

TEST_F(GenerationRunTest, SilentInputGivesASilentFile)
{
    WriteWholeFile(InputPath(), MakeWav(WavLayout{}, Pcm16Bytes(std::vector<std::int16_t>(2 * kInputFrames, 0))));
    Generate();
    EXPECT_EQ(MessageIds(), std::vector<int>{IDS_GENERATION_DONE});
    const std::vector<std::int16_t> samples = DataSamples(*OutputBytes());
    ASSERT_EQ(samples.size(), 2u * kTwoSecondFrames);
    EXPECT_TRUE(std::all_of(samples.begin(), samples.end(), [](std::int16_t s) { return s == 0; }));
}

// 50 ms grains are 2205 frames: one frame more is the shortest usable input.
TEST_F(GenerationRunTest, InputOneFrameLongerThanAGrainIsEnough)
{
    WriteToneWav(InputPath(), 2206);
    Generate();
    EXPECT_EQ(MessageIds(), std::vector<int>{IDS_GENERATION_DONE});
    EXPECT_EQ(PeakSample(), 16383);
}
