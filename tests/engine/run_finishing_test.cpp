// The finishing phase of a run: its passes serve the host every 100000
// frames, and the finished sound is offered once, in place, before writing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/generation_run.h"
#include "engine/panel_settings.h"
#include "tests/engine/fake_host.h"
#include "tests/engine/memory_seams.h"

namespace {

// A tone of 441 Hz, one second long.
std::vector<StereoFrame> Tone()
{
    std::vector<StereoFrame> frames(44100);
    for (std::size_t j = 0; j < frames.size(); ++j) {
        const auto value = static_cast<float>(0.5 * std::sin(6.283185307179586 * j / 100.0));
        frames[j] = {value, -value};
    }
    return frames;
}

class RunFinishingTest : public testing::Test {
protected:
    RunFinishingTest()
    {
        PanelValues panel;
        panel.m_nDensity = 500;
        panel.m_nGrainLength = 50;
        panel.m_nFade = 0;
        FillSettings(panel, m_settings);
        m_settings.m_nDurationSeconds = 3;  // 132300 frames
    }

    RunOutcome Generate(FinishedSoundHook hook = {})
    {
        GenerationRun run(m_host);
        run.SetSettings(m_settings);
        run.SetRandomState(1);
        run.SetFinishedSoundHook(std::move(hook));
        UseMemorySeams(run, Tone(), m_pLog);
        return run.Run();
    }

    FakeHost m_host;
    GenerationSettings m_settings;
    std::shared_ptr<SeamLog> m_pLog = std::make_shared<SeamLog>();
};

float Peak(std::span<const StereoFrame> sound)
{
    float peak = 0.0f;
    for (const StereoFrame& frame : sound)
        peak = std::max({peak, std::fabs(frame.left), std::fabs(frame.right)});
    return peak;
}

}  // namespace

TEST_F(RunFinishingTest, HostIsServedEvery100000FramesOfEachPass)
{
    EXPECT_EQ(Generate(), RunOutcome::Completed());
    EXPECT_EQ(m_host.m_pumps[FakeHost::Stage::Finishing], 4 * 2);  // frames 0 and 100000 of each pass
}

// The hook sees the finished sound (its peak at the volume, 0.5) and what it
// does to it is what the sink receives.
TEST_F(RunFinishingTest, FinishedSoundHookSeesTheWholeFinishedSoundOnceBeforeWriting)
{
    int calls = 0;
    std::size_t frames = 0;
    float peak = 0.0f;
    bool writtenBefore = true;
    const RunOutcome outcome = Generate([&](std::span<StereoFrame> sound) {
        ++calls;
        frames = sound.size();
        peak = Peak(sound);
        writtenBefore = !m_pLog->m_written.empty();
        for (StereoFrame& frame : sound)
            frame = {frame.left * 0.5f, frame.right * 0.5f};
    });
    EXPECT_EQ(outcome, RunOutcome::Completed());
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(frames, 132300u);
    EXPECT_FLOAT_EQ(peak, 0.5f);
    EXPECT_FALSE(writtenBefore);
    EXPECT_FLOAT_EQ(Peak(m_pLog->m_written), 0.25f);
}

// A cancel during finishing lets the passes end, then nothing is offered and
// nothing written.
TEST_F(RunFinishingTest, CancelWhileFinishingSkipsTheHook)
{
    m_host.CancelAt(FakeHost::Stage::Finishing, 1);
    int calls = 0;
    EXPECT_EQ(Generate([&](std::span<StereoFrame>) { ++calls; }), RunOutcome::Cancelled());
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(m_host.m_pumps[FakeHost::Stage::Finishing], 4 * 2);
    EXPECT_TRUE(m_pLog->m_written.empty());
    EXPECT_EQ(m_pLog->m_nFinishes, 1);
    EXPECT_TRUE(m_pLog->m_bFinishedCancelled);
}
