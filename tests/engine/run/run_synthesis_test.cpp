// The grain phase of a run: a progress point at every 1000th grain, a cancel
// that stops before the next grain, and the generating bar ending at 100.
#include <gtest/gtest.h>

#include "engine/run/generation_run.h"
#include "engine/synthesis/grain_synthesizer.h"
#include "tests/engine/fake_host.h"
#include "tests/engine/memory_seams.h"

namespace {

using Phase = GenerationHost::Phase;
using Stage = FakeHost::Stage;

constexpr std::size_t kSourceFrames = 10000;

// 4000 grains of 50 ms per second, read from a source of 1.0.
class RunSynthesisTest : public testing::Test {
protected:
    RunSynthesisTest()
    {
        ParameterValues values;
        values.Set(ParameterId::Density, 4000);
        values.Set(ParameterId::ScanRange, 1);  // a step of 11 frames
        values.Set(ParameterId::Segment, 1);    // 4000 grains
        values.Set(ParameterId::GrainLength, 50);
        values.Set(ParameterId::Volume, 100);
        values.Set(ParameterId::Fade, 0);
        ApplyParameters(values, m_settings);
        m_settings.m_nDurationSeconds = 1;
    }

    RunOutcome Generate()
    {
        GenerationRun run(m_host);
        run.SetSettings(m_settings);
        run.SetRandomState(m_nRandomState);
        UseMemorySeams(run, std::vector<StereoFrame>(kSourceFrames, StereoFrame{1.0f, 1.0f}), m_pLog);
        const RunOutcome outcome = run.Run();
        m_nRandomState = run.GetRandomState();
        return outcome;
    }

    // The generator state after the read positions of grains 0 to lastIndex.
    std::uint32_t StateAfterGrain(std::int32_t lastIndex) const
    {
        GrainSynthesizer synthesizer;
        synthesizer.SetSettings(GrainSettingsOf(m_settings));
        synthesizer.SetRandomState(1);
        const std::vector<StereoFrame> source(kSourceFrames);
        synthesizer.Begin(source, 44100);
        synthesizer.PlaceGrainsThrough(lastIndex);
        return synthesizer.GetRandomState();
    }

    FakeHost m_host;
    GenerationSettings m_settings;
    std::uint32_t m_nRandomState = 1;
    std::shared_ptr<SeamLog> m_pLog = std::make_shared<SeamLog>();
};

std::vector<double> FractionsOf(const FakeHost& host, Phase phase)
{
    std::vector<double> fractions;
    for (const GenerationHost::Progress& progress : host.m_progress) {
        if (progress.m_phase == phase)
            fractions.push_back(progress.m_dFraction);
    }
    return fractions;
}

}  // namespace

// Grains 0 to 4000 start inside one second; grain k ≥ 1 at trunc((k − 1) × 11.025).
TEST_F(RunSynthesisTest, ProgressPointsComeAtEvery1000thGrainWithItsStart)
{
    EXPECT_EQ(Generate(), RunOutcome::Completed());
    EXPECT_EQ(m_host.m_pumps[Stage::Generating], 5);  // grains 0, 1000, ..., 4000
    const std::vector<double> expected = {0.0, 11013 / 44100.0, 22038 / 44100.0, 33063 / 44100.0,
                                          44088 / 44100.0};
    EXPECT_EQ(FractionsOf(m_host, Phase::Generating), expected);
    EXPECT_EQ(m_nRandomState, StateAfterGrain(4000));
    EXPECT_EQ(m_host.m_bars[Phase::Generating].back(), 100);
}

// Cancelled inside the progress point of grain 1000: no grain after it is
// chosen, nothing is written, and the bar still ends at 100.
TEST_F(RunSynthesisTest, CancelStopsBeforeTheNextGrain)
{
    m_host.CancelAt(Stage::Generating, 2);
    EXPECT_EQ(Generate(), RunOutcome::Cancelled());
    EXPECT_EQ(m_nRandomState, StateAfterGrain(1000));
    EXPECT_EQ(m_host.m_pumps[Stage::Generating], 2);
    EXPECT_EQ(m_host.m_bars[Phase::Generating].back(), 100);
    EXPECT_EQ(m_host.m_percentTexts[Phase::Generating].back(), "100%");
    EXPECT_TRUE(m_pLog->m_written.empty());
    EXPECT_EQ(m_pLog->m_nFinishes, 0);
}

TEST_F(RunSynthesisTest, EmptyOutputHasNoProgressPointAndDrawsNothing)
{
    m_settings.m_nDurationSeconds = 0;
    m_nRandomState = 77;
    EXPECT_EQ(Generate(), RunOutcome::Completed());
    EXPECT_EQ(m_nRandomState, 77u);
    EXPECT_EQ(m_host.m_pumps[Stage::Generating], 0);
    EXPECT_EQ(m_host.m_bars[Phase::Generating].back(), 100);
}
