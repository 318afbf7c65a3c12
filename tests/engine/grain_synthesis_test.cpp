// How grains land in the output: their starts, their shape, their level, and
// the edges of the buffers.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "engine/envelope_shapes.h"
#include "tests/engine/fake_host.h"
#include "engine/synthesis/add_kernel.h"
#include "tests/engine/run_probe.h"

namespace {

std::vector<StereoFrame> ConstantFrames(std::size_t count, float value)
{
    return std::vector<StereoFrame>(count, StereoFrame{value, value});
}

double LeftSum(const std::vector<StereoFrame>& frames)
{
    return std::accumulate(frames.begin(), frames.end(), 0.0,
                           [](double sum, const StereoFrame& frame) { return sum + frame.left; });
}

// A grain of two frames has the window (0, 1): read from a source of 1.0 at
// full volume, each grain adds exactly 1 at the frame after its start, so the
// output counts the grains that start at each frame.
class GrainCountingTest : public testing::Test {
protected:
    GrainCountingTest()
    {
        GenerationSettings settings;
        settings.m_nDurationSeconds = 1;
        settings.m_dVolume = 1.0;
        settings.m_nGrainsPerSecond = 4000;
        settings.m_nGrainFrames = 2;
        settings.m_nScanFrames = 11;
        settings.m_nSegmentGrains = 4000;
        m_run.SetSettings(settings);
        m_run.UseSource(ConstantFrames(10000, 1.0f));
        m_host.Attach(m_run);
        m_run.SetKeepGoing(1);
    }

    FakeHost m_host;
    RunProbe m_run{m_host};
};

}  // namespace

TEST_F(GrainCountingTest, FirstTwoGrainsShareFrameZeroThenStartsFollowTheGap)
{
    ASSERT_EQ(m_run.AllocateOutput(), 0);
    ASSERT_EQ(m_run.SynthesizeGrains(), 0);
    const std::vector<StereoFrame> out = m_run.Output();
    // Grains 0 and 1 at frame 0, grain k at 11 (k − 1) up to grain 6: each
    // shows one frame after its start.
    for (int frame = 1; frame <= 56; ++frame)
        EXPECT_NEAR(out[frame].left, frame == 1 ? 2.0 : frame % 11 == 1 ? 1.0 : 0.0, 1e-6) << frame;
}

// Starts trunc((k − 1) × 11.025) below 44100: grains 0 to 4000.
TEST_F(GrainCountingTest, OneSecondAt4000PerSecondPlaces4001Grains)
{
    ASSERT_EQ(m_run.AllocateOutput(), 0);
    ASSERT_EQ(m_run.SynthesizeGrains(), 0);
    EXPECT_NEAR(LeftSum(m_run.Output()), 4001.0, 1e-3);
    EXPECT_EQ(m_host.m_pumps[FakeHost::Stage::Generating], 5);  // grains 0, 1000, ..., 4000
    EXPECT_EQ(m_host.m_bars[GenerationHost::Phase::Generating].back(), 100);
}

TEST_F(GrainCountingTest, CancelStopsBeforeTheNextGrain)
{
    m_host.CancelAt(FakeHost::Stage::Generating, 2);  // inside the progress point of grain 1000
    ASSERT_EQ(m_run.AllocateOutput(), 0);
    ASSERT_EQ(m_run.SynthesizeGrains(), 0);
    EXPECT_NEAR(LeftSum(m_run.Output()), 1001.0, 1e-3);
    EXPECT_EQ(m_host.m_bars[GenerationHost::Phase::Generating].back(), 100);
    EXPECT_EQ(m_host.m_percentTexts[GenerationHost::Phase::Generating].back(), "100%");
}

TEST_F(GrainCountingTest, EmptyOutputPlacesNoGrainAndDrawsNothing)
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

TEST(GrainSynthesis, GrainWindowIsThePeriodicHannWindow)
{
    const std::int32_t n = 1000;
    EXPECT_NEAR(GrainWindowGain(0, n), 0.0, 1e-15);
    EXPECT_NEAR(GrainWindowGain(n / 2, n), 1.0, 1e-15);
    EXPECT_GT(GrainWindowGain(n - 1, n), 0.0);  // periodic: the last frame is not 0
    EXPECT_LT(GrainWindowGain(n - 1, n), 1e-4);
    EXPECT_NEAR(GrainWindowGain(n / 4, n), 0.5, 1e-12);
    for (std::uint32_t i = 1; i < n; ++i)
        ASSERT_NEAR(GrainWindowGain(i, n), GrainWindowGain(n - i, n), 1e-12) << "symmetric about n/2";
}

TEST(GrainSynthesis, SegmentBlendFallsFromOneToZeroAndRisesAgain)
{
    EXPECT_NEAR(SegmentBlend(0, 400), 1.0, 1e-15);
    EXPECT_NEAR(SegmentBlend(100, 400), 0.5, 1e-12);
    EXPECT_NEAR(SegmentBlend(200, 400), 0.0, 1e-15);
    EXPECT_NEAR(SegmentBlend(399, 400), 1.0, 1e-3);
}

TEST(GrainSynthesis, KernelAddsWindowedSourceAtTheVolume)
{
    std::vector<StereoFrame> output = {{0.25f, -0.25f}, {0.0f, 0.0f}, {1.0f, 1.0f}};
    const std::vector<StereoFrame> source = {{1.0f, 0.5f}, {-0.5f, 1.0f}, {0.75f, -1.0f}};
    const std::vector<float> window = {0.0f, 1.0f, 0.5f};
    AddKernelReference(output.data(), source.data(), window.data(), 0.5f, 3);
    EXPECT_FLOAT_EQ(output[0].left, 0.25f);
    EXPECT_FLOAT_EQ(output[0].right, -0.25f);
    EXPECT_FLOAT_EQ(output[1].left, -0.25f);
    EXPECT_FLOAT_EQ(output[1].right, 0.5f);
    EXPECT_FLOAT_EQ(output[2].left, 1.1875f);
    EXPECT_FLOAT_EQ(output[2].right, 0.75f);
}

// A grain cut by the end of the output adds only what fits; one cut by the
// end of the source reads only the frames that exist.
TEST(GrainSynthesis, GrainIsCutByTheEndOfEitherBuffer)
{
    auto addGrain = [](std::size_t sourceFrames, std::int32_t sourceStart, std::uint32_t outputStart,
                       std::int32_t grainFrames) {
        FakeHost host;
        RunProbe run(host);
        GenerationSettings settings;
        settings.m_dVolume = 1.0;
        run.SetSettings(settings);
        run.UseSource(ConstantFrames(sourceFrames, 1.0f));
        run.UseOutput(ConstantFrames(10, 0.0f));
        run.UseWindow(std::vector<float>(static_cast<std::size_t>(grainFrames), 1.0f));
        run.AddGrain(sourceStart, outputStart, grainFrames);
        return run.Output();
    };
    const std::vector<StereoFrame> cutByOutput = addGrain(20, 0, 7, 5);
    for (int frame = 0; frame < 10; ++frame)
        EXPECT_EQ(cutByOutput[frame].left, frame >= 7 ? 1.0f : 0.0f) << frame;
    EXPECT_NEAR(LeftSum(addGrain(4, 2, 0, 8)), 2.0, 1e-6);  // only source frames 2 and 3 exist
}
