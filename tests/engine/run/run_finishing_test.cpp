// The finishing phase of a run: its passes serve the host every 100000
// frames, and the finished sound is measured once, before writing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/run/generation_run.h"
#include "engine/parameters/parameter_table.h"
#include "engine/finishing/finished_sound_meter.h"
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
        ParameterValues panel;
        panel.Set(ParameterId::Density, 500);
        panel.Set(ParameterId::GrainLength, 50);
        panel.Set(ParameterId::Fade, 0);
        ApplyParameters(panel, m_settings);
        m_settings.m_nDurationSeconds = 3;  // 132300 frames
    }

    RunOutcome Generate(std::unique_ptr<FinishedSoundMeter> meter = nullptr)
    {
        GenerationRun run(m_host);
        run.SetSettings(m_settings);
        run.SetRandomState(1);
        run.SetFinishedSoundMeter(std::move(meter));
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

namespace {

// Looks at the finished sound piece by piece and answers a gain of one half.
class HalvingMeter : public FinishedSoundMeter {
public:
    HalvingMeter(int& gains, std::size_t& frames, float& peak, const SeamLog& log, bool& writtenBefore)
        : m_gains(gains)
        , m_frames(frames)
        , m_peak(peak)
        , m_log(log)
        , m_writtenBefore(writtenBefore)
    {
    }

    void Measure(std::span<const StereoFrame> piece) override
    {
        m_frames += piece.size();
        m_peak = std::max(m_peak, Peak(piece));
        m_writtenBefore = m_writtenBefore || !m_log.m_written.empty();
    }

    double Gain() override
    {
        ++m_gains;
        return 0.5;
    }

private:
    int& m_gains;
    std::size_t& m_frames;
    float& m_peak;
    const SeamLog& m_log;
    bool& m_writtenBefore;
};

}  // namespace

// The meter sees the finished sound (its peak at the volume, 0.5) before
// anything is written, and the gain it answers is what the sink receives.
TEST_F(RunFinishingTest, MeterSeesTheWholeFinishedSoundOnceBeforeWriting)
{
    int gains = 0;
    std::size_t frames = 0;
    float peak = 0.0f;
    bool writtenBefore = false;
    const RunOutcome outcome =
        Generate(std::make_unique<HalvingMeter>(gains, frames, peak, *m_pLog, writtenBefore));
    EXPECT_EQ(outcome, RunOutcome::Completed());
    EXPECT_EQ(gains, 1);
    EXPECT_EQ(frames, 132300u);
    EXPECT_FLOAT_EQ(peak, 0.5f);
    EXPECT_FALSE(writtenBefore);
    EXPECT_FLOAT_EQ(Peak(m_pLog->m_written), 0.25f);
}

// A cancel during finishing lets the passes end, then nothing is measured and
// nothing written; without a meter the writing phase ends the output at once.
TEST_F(RunFinishingTest, CancelWhileFinishingMeasuresAndWritesNothing)
{
    m_host.CancelAt(FakeHost::Stage::Finishing, 1);
    int gains = 0;
    std::size_t frames = 0;
    float peak = 0.0f;
    bool writtenBefore = false;
    EXPECT_EQ(Generate(std::make_unique<HalvingMeter>(gains, frames, peak, *m_pLog, writtenBefore)),
              RunOutcome::Cancelled());
    EXPECT_EQ(gains, 0);
    EXPECT_EQ(frames, 0u);
    EXPECT_EQ(m_host.m_pumps[FakeHost::Stage::Finishing], 4 * 2);
    EXPECT_TRUE(m_pLog->m_written.empty());

    m_host = FakeHost();
    m_host.CancelAt(FakeHost::Stage::Finishing, 1);
    m_pLog = std::make_shared<SeamLog>();
    EXPECT_EQ(Generate(), RunOutcome::Cancelled());
    EXPECT_EQ(m_host.m_pumps[FakeHost::Stage::Finishing], 4 * 2);
    EXPECT_TRUE(m_pLog->m_written.empty());
    EXPECT_EQ(m_pLog->m_nFinishes, 1);
    EXPECT_TRUE(m_pLog->m_bFinishedCancelled);
}
