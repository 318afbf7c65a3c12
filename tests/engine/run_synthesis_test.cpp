// The grain phase of a run: a progress point at every 1000th grain, a cancel
// that stops before the next grain, and the generating bar ending at 100.
#include <gtest/gtest.h>

#include <numeric>

#include "tests/engine/fake_host.h"
#include "tests/engine/run_probe.h"

namespace {

double LeftSum(const std::vector<StereoFrame>& frames)
{
    return std::accumulate(frames.begin(), frames.end(), 0.0,
                           [](double sum, const StereoFrame& frame) { return sum + frame.left; });
}

// Two-frame grains, whose window is (0, 1), read from a source of 1.0 at full
// volume: each grain adds exactly 1 to the output's sum.
class RunSynthesisTest : public testing::Test {
protected:
    RunSynthesisTest()
    {
        GenerationSettings settings;
        settings.m_nDurationSeconds = 1;
        settings.m_dVolume = 1.0;
        settings.m_nGrainsPerSecond = 4000;
        settings.m_nGrainFrames = 2;
        settings.m_nScanFrames = 11;
        settings.m_nSegmentGrains = 4000;
        m_run.SetSettings(settings);
        m_run.UseSource(std::vector<StereoFrame>(10000, StereoFrame{1.0f, 1.0f}));
        m_host.Attach(m_run);
        m_run.SetKeepGoing(1);
    }

    FakeHost m_host;
    RunProbe m_run{m_host};
};

}  // namespace

// Grains 0 to 4000 start inside one second.
TEST_F(RunSynthesisTest, ProgressPointsComeAtEvery1000thGrain)
{
    ASSERT_EQ(m_run.AllocateOutput(), 0);
    ASSERT_EQ(m_run.SynthesizeGrains(), 0);
    EXPECT_NEAR(LeftSum(m_run.Output()), 4001.0, 1e-3);
    EXPECT_EQ(m_host.m_pumps[FakeHost::Stage::Generating], 5);  // grains 0, 1000, ..., 4000
    EXPECT_EQ(m_host.m_bars[GenerationHost::Phase::Generating].back(), 100);
}

TEST_F(RunSynthesisTest, CancelStopsBeforeTheNextGrain)
{
    m_host.CancelAt(FakeHost::Stage::Generating, 2);  // inside the progress point of grain 1000
    ASSERT_EQ(m_run.AllocateOutput(), 0);
    ASSERT_EQ(m_run.SynthesizeGrains(), 0);
    EXPECT_NEAR(LeftSum(m_run.Output()), 1001.0, 1e-3);
    EXPECT_EQ(m_host.m_bars[GenerationHost::Phase::Generating].back(), 100);
    EXPECT_EQ(m_host.m_percentTexts[GenerationHost::Phase::Generating].back(), "100%");
}

TEST_F(RunSynthesisTest, EmptyOutputHasNoProgressPointAndDrawsNothing)
{
    GenerationSettings settings = m_run.GetSettings();
    settings.m_nDurationSeconds = 0;
    m_run.SetSettings(settings);
    m_run.SetRandomState(77);
    ASSERT_EQ(m_run.AllocateOutput(), 0);
    ASSERT_EQ(m_run.SynthesizeGrains(), 0);
    EXPECT_EQ(m_run.GetRandomState(), 77u);
    EXPECT_EQ(m_host.m_pumps[FakeHost::Stage::Generating], 0);
    EXPECT_EQ(m_host.m_bars[GenerationHost::Phase::Generating].back(), 100);
}
