// A seamless loop: the layout it is rendered in, the equal-power cross-fade at
// its seam, and a whole streamed loop played twice over.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "engine/run/generation_run.h"
#include "engine/parameters/parameter_table.h"
#include "engine/finishing/loop_seam.h"
#include "engine/render/stream_layout.h"
#include "tests/engine/fake_host.h"
#include "tests/engine/memory_seams.h"
#include "tests/support/temp_dir.h"

namespace {

// A slow sine: grains read from it add up to a smooth sound, so any jump
// would stand out among its small steps.
std::vector<StereoFrame> SmoothSource(std::size_t frames)
{
    std::vector<StereoFrame> source(frames);
    for (std::size_t j = 0; j < frames; ++j) {
        const double angle = 6.283185307179586 * static_cast<double>(j) / 5000.0;
        source[j] = {static_cast<float>(0.5 * std::sin(angle)), static_cast<float>(0.5 * std::cos(angle))};
    }
    return source;
}

// Unrelated values from frame to frame.
std::vector<StereoFrame> NoiseSource(std::size_t frames)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    std::vector<StereoFrame> source(frames);
    for (StereoFrame& frame : source)
        frame = {noise(random), noise(random)};
    return source;
}

// The steps between neighbouring samples of sound played twice in a row: all
// of them, and the one across the seam (last frame to first).
struct Steps {
    std::vector<double> m_all;
    double m_dSeam = 0.0;
};

Steps StepsOf(const std::vector<StereoFrame>& sound)
{
    Steps steps;
    for (std::size_t j = 0; j + 1 < sound.size(); ++j) {
        steps.m_all.push_back(std::fabs(sound[j + 1].left - sound[j].left));
        steps.m_all.push_back(std::fabs(sound[j + 1].right - sound[j].right));
    }
    steps.m_dSeam = std::max(std::fabs(sound.front().left - sound.back().left),
                             std::fabs(sound.front().right - sound.back().right));
    return steps;
}

double Percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(share * static_cast<double>(values.size() - 1))];
}

// The RMS of the frames [first, first + count) of sound played in a loop.
double LoopedRms(const std::vector<StereoFrame>& sound, std::size_t first, std::size_t count)
{
    double sum = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const StereoFrame& frame = sound[(first + i) % sound.size()];
        sum += static_cast<double>(frame.left) * frame.left + static_cast<double>(frame.right) * frame.right;
    }
    return std::sqrt(sum / (2.0 * static_cast<double>(count)));
}

class LoopRunTest : public testing::Test {
protected:
    LoopRunTest()
    {
        ParameterValues panel;
        panel.Set(ParameterId::Density, 1000);
        panel.Set(ParameterId::GrainLength, 100);
        panel.Set(ParameterId::Fade, 1);
        ApplyParameters(panel, m_settings);
        m_settings.m_strInputPath = "input";
        m_settings.m_strOutputPath = "output";
        m_settings.m_nDurationSeconds = 8;
    }

    std::vector<StereoFrame> Render(std::optional<SpillChoice> loopSpill)
    {
        auto log = std::make_shared<SeamLog>();
        FakeHost host;
        GenerationRun run(host);
        run.SetSettings(m_settings);
        run.SetRandomState(3);
        UseMemorySeams(run, m_source, log);
        if (loopSpill) {
            run.SetLoop(true);
            StreamingOptions options;
            options.m_spill = *loopSpill;
            options.m_strSpillFolder = m_dir.Path().string();
            run.SetStreaming(options);
        }
        EXPECT_EQ(run.Run(), RunOutcome::Completed());
        return log->m_written;
    }

    GenerationSettings m_settings;
    std::vector<StereoFrame> m_source = SmoothSource(40000);
    TempDir m_dir;
};

}  // namespace

TEST(LoopLayout, WarmUpIsOneGrainAndTheCrossFadeTheFadeAtLeastOneGrain)
{
    const StreamLayout layout = LoopLayout(441000, 35280, 132300);
    EXPECT_EQ(layout.m_nWarmUp, 35280u);
    EXPECT_EQ(layout.m_nCrossFade, 132300u);
    EXPECT_EQ(layout.SynthesisedFrames(), 35280u + 441000u + 132300u);
    EXPECT_EQ(LoopLayout(441000, 2205, 0).m_nCrossFade, 2205u);     // no fade: one grain
    EXPECT_EQ(LoopLayout(1000, 2205, 44100).m_nCrossFade, 1000u);   // never longer than the loop
    EXPECT_FALSE(LoopLayout(0, 2205, 44100).IsLoop());
    EXPECT_EQ(LoopLayout(0, 2205, 44100).SynthesisedFrames(), 0u);
    EXPECT_EQ(PlainLayout(5).SynthesisedFrames(), 5u);
}

// sin² + cos² = 1 at every frame: unrelated sounds keep their power; the head
// rises from almost nothing to almost all.
TEST(LoopSeam, CrossFadeKeepsThePowerAndHandsOverFromOverlapToHead)
{
    const std::uint64_t crossFade = 1000;
    double previous = 0.0;
    for (std::uint64_t j = 0; j < crossFade; ++j) {
        const double head = LoopSeam::HeadGain(j, crossFade);
        const double overlap = LoopSeam::OverlapGain(j, crossFade);
        ASSERT_NEAR(head * head + overlap * overlap, 1.0, 1e-15) << j;
        ASSERT_GT(head, previous) << j;
        previous = head;
    }
    EXPECT_LT(LoopSeam::HeadGain(0, crossFade), 0.001);
    EXPECT_GT(LoopSeam::HeadGain(crossFade - 1, crossFade), 0.999999);
}

TEST(LoopSeam, OverlapIsFadedIntoTheHeadFrameByFrame)
{
    std::optional<LoopSeam> seam = LoopSeam::Make(SystemAllocate, 4);
    ASSERT_TRUE(seam);
    const std::vector<StereoFrame> head(4, StereoFrame{1.0f, -1.0f});
    const std::vector<StereoFrame> overlap(4, StereoFrame{2.0f, 0.5f});
    seam->KeepHead(std::span(head).first(3), 0);
    seam->KeepHead(std::span(head).subspan(3), 3);
    seam->FadeIntoHead(std::span(overlap).first(1), 0);
    seam->FadeIntoHead(std::span(overlap).subspan(1), 1);
    for (std::uint64_t j = 0; j < 4; ++j) {
        const double h = LoopSeam::HeadGain(j, 4);
        const double o = LoopSeam::OverlapGain(j, 4);
        EXPECT_EQ(seam->Head()[j].left, static_cast<float>(1.0f * h + 2.0f * o)) << j;
        EXPECT_EQ(seam->Head()[j].right, static_cast<float>(-1.0f * h + 0.5f * o)) << j;
    }
}

// Played twice end to end, the loop steps across its seam no further than its
// own steps go: a smooth sound shows any jump. The same settings as a plain
// sound without fades jump at the seam: the test can tell.
TEST_F(LoopRunTest, LoopPlayedTwiceHasNoStepAtTheSeam)
{
    const std::vector<StereoFrame> loop = Render(SpillChoice::Always);
    ASSERT_EQ(loop.size(), 8u * 44100);
    const Steps steps = StepsOf(loop);
    EXPECT_LE(steps.m_dSeam, Percentile(steps.m_all, 0.999));

    ApplyParameters(m_settings.m_values.With(ParameterId::Fade, 0), m_settings);
    const Steps plain = StepsOf(Render(std::nullopt));
    EXPECT_GT(plain.m_dSeam, 10 * Percentile(plain.m_all, 0.999));
}

// Noise grains add up to a steady level; across the cross-fade (the loop's
// first second, where its end is faded in) the level is the loop's own: an
// equal-power fade of unrelated sounds keeps it, where a linear one would dip
// by 1.8 dB on average (to 82 % of the RMS). Neither end is faded.
TEST_F(LoopRunTest, LoopHasNoLevelDipAroundTheSeamAndNoFades)
{
    m_source = NoiseSource(40000);
    const std::vector<StereoFrame> loop = Render(SpillChoice::Always);
    ASSERT_EQ(loop.size(), 8u * 44100);
    const double body = LoopedRms(loop, 44100, loop.size() - 44100);
    const double crossFade = LoopedRms(loop, 0, 44100);
    // The level of a second of 100 overlapping noise grains varies by a few
    // per cent from second to second.
    EXPECT_NEAR(crossFade / body, 1.0, 0.06);
    const double aroundSeam = LoopedRms(loop, loop.size() - 22050, 44100);
    EXPECT_NEAR(aroundSeam / body, 1.0, 0.06);
    const std::size_t window = 4410;
    EXPECT_GT(LoopedRms(loop, 0, window), 0.7 * body);                      // no fade in
    EXPECT_GT(LoopedRms(loop, loop.size() - window, window), 0.7 * body);  // no fade out
}

// The loop waits on disk or is synthesised again with the same bits, and its
// peak lands on the volume.
TEST_F(LoopRunTest, LoopFromDiskOrSynthesisedAgainIsTheSame)
{
    const std::vector<StereoFrame> spilled = Render(SpillChoice::Always);
    const std::vector<StereoFrame> again = Render(SpillChoice::Never);
    ASSERT_EQ(spilled.size(), again.size());
    EXPECT_EQ(std::memcmp(spilled.data(), again.data(), spilled.size() * sizeof(StereoFrame)), 0);
    float peak = 0.0f;
    for (const StereoFrame& frame : spilled)
        peak = std::max({peak, std::fabs(frame.left), std::fabs(frame.right)});
    EXPECT_FLOAT_EQ(peak, 0.5f);
}
