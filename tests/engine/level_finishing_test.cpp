// The finished level: no DC offset, the peak at the volume, a linear fade.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/envelope_shapes.h"
#include "tests/engine/fake_host.h"
#include "tests/engine/run_probe.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Whole periods of a sine with an offset per channel and a level per channel.
std::vector<StereoFrame> OffsetSine(std::size_t frames, float leftLevel, float rightLevel, float leftOffset,
                                    float rightOffset)
{
    std::vector<StereoFrame> out;
    for (std::size_t j = 0; j < frames; ++j) {
        const double wave = std::sin(kTwoPi * static_cast<double>(j) / 441.0);
        out.push_back({static_cast<float>(leftLevel * wave + leftOffset),
                       static_cast<float>(rightLevel * wave + rightOffset)});
    }
    return out;
}

struct ChannelFigures {
    double m_dMeanLeft = 0;
    double m_dMeanRight = 0;
    double m_dPeakLeft = 0;
    double m_dPeakRight = 0;
};

ChannelFigures Measure(const std::vector<StereoFrame>& frames)
{
    ChannelFigures figures;
    for (const StereoFrame& frame : frames) {
        figures.m_dMeanLeft += frame.left;
        figures.m_dMeanRight += frame.right;
        figures.m_dPeakLeft = std::max(figures.m_dPeakLeft, std::fabs(static_cast<double>(frame.left)));
        figures.m_dPeakRight = std::max(figures.m_dPeakRight, std::fabs(static_cast<double>(frame.right)));
    }
    figures.m_dMeanLeft /= static_cast<double>(frames.size());
    figures.m_dMeanRight /= static_cast<double>(frames.size());
    return figures;
}

class LevelFinishingTest : public testing::Test {
protected:
    void Finish(const std::vector<StereoFrame>& frames, double volume, std::int32_t fadeSeconds = 0)
    {
        GenerationSettings settings;
        settings.m_dVolume = volume;
        settings.m_nFadeSeconds = fadeSeconds;
        m_run.SetSettings(settings);
        m_run.UseOutput(frames);
        m_run.FinishLevels();
    }

    FakeHost m_host;
    RunProbe m_run{m_host};
};

}  // namespace

TEST_F(LevelFinishingTest, ConstantOffsetsAreRemovedFromEachChannel)
{
    Finish(OffsetSine(44100, 0.3f, 0.3f, 0.2f, -0.1f), 0.5);
    const ChannelFigures figures = Measure(m_run.Output());
    // The sums are 32-bit floats over 44100 frames: the removal is as exact as
    // that accumulation, a few parts in a million of the level.
    EXPECT_NEAR(figures.m_dMeanLeft, 0.0, 1e-4);
    EXPECT_NEAR(figures.m_dMeanRight, 0.0, 1e-4);
}

// The louder channel's peak lands on the volume; the other is scaled by the
// same factor.
TEST_F(LevelFinishingTest, PeakOfTheLouderChannelLandsOnTheVolume)
{
    Finish(OffsetSine(44100, 3.7f, 1.0f, 0.0f, 0.0f), 0.5);
    ChannelFigures figures = Measure(m_run.Output());
    EXPECT_NEAR(figures.m_dPeakLeft, 0.5, 1e-6);
    EXPECT_NEAR(figures.m_dPeakRight, 0.5 / 3.7, 1e-6);

    Finish(OffsetSine(44100, 0.1f, 0.4f, 0.0f, 0.0f), 0.5);
    figures = Measure(m_run.Output());
    EXPECT_NEAR(figures.m_dPeakRight, 0.5, 1e-6);
    EXPECT_NEAR(figures.m_dPeakLeft, 0.125, 1e-6);
}

// A constant buffer is nothing but DC: once that is removed the peak is 0,
// and the result stays silent without dividing by zero.
TEST_F(LevelFinishingTest, PureOffsetBecomesSilence)
{
    Finish(std::vector<StereoFrame>(1000, StereoFrame{0.25f, -0.5f}), 1.0, 0);
    for (const StereoFrame& frame : m_run.Output()) {
        ASSERT_FALSE(std::isnan(frame.left));
        ASSERT_EQ(frame.left, 0.0f);
        ASSERT_EQ(frame.right, 0.0f);
    }
}

TEST_F(LevelFinishingTest, FadeShapesTheFinishedSound)
{
    // A square wave of ±1: after finishing its magnitude is the envelope × the volume.
    std::vector<StereoFrame> square;
    for (std::size_t j = 0; j < 3 * 44100; ++j) {
        const float value = (j / 50) % 2 == 0 ? 1.0f : -1.0f;
        square.push_back({value, value});
    }
    Finish(square, 0.5, 1);
    const std::vector<StereoFrame> out = m_run.Output();
    EXPECT_EQ(out[0].left, 0.0f);
    EXPECT_NEAR(std::fabs(out[22050].left), 0.25, 1e-4);   // halfway up
    EXPECT_NEAR(std::fabs(out[66150].left), 0.5, 1e-4);    // the middle second
    EXPECT_NEAR(std::fabs(out[110250].left), 0.25, 1e-4);  // halfway down
    EXPECT_NEAR(std::fabs(out.back().left), 0.5 / 44100, 1e-6);
}

TEST_F(LevelFinishingTest, HostIsServedEvery100000FramesOfEachPass)
{
    m_host.Attach(m_run);
    Finish(OffsetSine(250000, 0.5f, 0.5f, 0.0f, 0.0f), 0.5);
    EXPECT_EQ(m_host.m_pumps[FakeHost::Stage::NotStarted], 4 * 3);  // frames 0, 100000, 200000
}

TEST(FadeGain, ThreeSecondFadeOnAMinute)
{
    const std::uint32_t n = 2646000;
    const std::int32_t f = 132300;
    EXPECT_EQ(FadeGainAt(0, n, f), 0.0);
    EXPECT_DOUBLE_EQ(FadeGainAt(132299, n, f), 132299.0 / 132300);
    EXPECT_EQ(FadeGainAt(132300, n, f), 1.0);
    EXPECT_EQ(FadeGainAt(2513699, n, f), 1.0);
    EXPECT_EQ(FadeGainAt(2513700, n, f), 1.0);
    EXPECT_DOUBLE_EQ(FadeGainAt(2513701, n, f), 1.0 - 1.0 / 132300);
    EXPECT_NEAR(FadeGainAt(n - 1, n, f), 1.0 / 132300, 1e-15);  // 1 − (F − 1)/F, rounded
}

TEST(FadeGain, OutputShorterThanTwoFadesJumpsDownAfterTheRise)
{
    const std::uint32_t n = 150000;
    const std::int32_t f = 100000;
    EXPECT_DOUBLE_EQ(FadeGainAt(99999, n, f), 0.99999);
    EXPECT_DOUBLE_EQ(FadeGainAt(100000, n, f), 0.5);  // (n − f) / f
    EXPECT_NEAR(FadeGainAt(n - 1, n, f), 1.0 / f, 1e-15);
}

TEST(FadeGain, FadeLongerThanTheOutputOnlyRisesAndNoFadeKeepsFullGain)
{
    for (std::uint32_t j = 0; j < 1000; ++j) {
        ASSERT_DOUBLE_EQ(FadeGainAt(j, 1000, 44100), j / 44100.0);
        ASSERT_EQ(FadeGainAt(j, 1000, 0), 1.0);
    }
}
