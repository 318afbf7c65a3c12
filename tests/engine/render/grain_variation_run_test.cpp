// Runs whose grains differ from one another (transposed up and down, spread,
// reversed, placed in the stereo field, each at a level of its own, with
// another window, from a high-passed source) give the same bits on any
// thread count and kernel,
// whether the run holds its whole output or streams it; and runs that use
// none of that are the plain runs they always were.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>

#include "engine/run/generation_run.h"
#include "engine/parameters/parameter_table.h"
#include "tests/engine/fake_host.h"
#include "tests/engine/memory_seams.h"
#include "tests/support/temp_dir.h"

namespace {

std::vector<StereoFrame> Source()
{
    std::mt19937 random(3);
    std::uniform_real_distribution<float> noise(-0.2f, 0.2f);
    std::vector<StereoFrame> source(150000);
    for (std::size_t j = 0; j < source.size(); ++j) {
        const auto tone = static_cast<float>(0.5 * std::sin(6.283185307179586 * static_cast<double>(j) / 83.0));
        source[j] = {tone + noise(random), 0.1f + noise(random)};
    }
    return source;
}

std::vector<std::uint32_t> Bits(const std::vector<StereoFrame>& frames)
{
    std::vector<std::uint32_t> bits(2 * frames.size());
    if (!frames.empty())
        std::memcpy(bits.data(), frames.data(), bits.size() * sizeof(std::uint32_t));
    return bits;
}

ParameterValues Varied()
{
    ParameterValues values = ParameterValues()
                                 .With(ParameterId::Density, 1000)
                                 .With(ParameterId::GrainLength, 100)
                                 .With(ParameterId::Fade, 1)
                                 .With(ParameterId::Pitch, 3.5)
                                 .With(ParameterId::PitchSpread, 12)
                                 .With(ParameterId::PanSpread, 100)
                                 .With(ParameterId::Reverse, 50)
                                 .With(ParameterId::GainSpread, 12)
                                 .With(ParameterId::Window, 1)  // tukey
                                 .With(ParameterId::LowCut, 20);
    values.SetPitchSet({0, 7, -12, 12});
    return values;
}

struct Render {
    RunOutcome m_outcome;
    std::vector<StereoFrame> m_written;
};

Render Generate(const ParameterValues& values, const SynthesisOptions& synthesis,
                const std::optional<StreamingOptions>& streaming)
{
    GenerationSettings settings;
    ApplyParameters(values, settings);
    settings.m_strInputPath = "input";
    settings.m_strOutputPath = "output";
    settings.m_nDurationSeconds = 3;
    FakeHost host;
    GenerationRun run(host);
    run.SetSettings(settings);
    run.SetSynthesisOptions(synthesis);
    run.SetRandomState(20261208);
    auto log = std::make_shared<SeamLog>();
    UseMemorySeams(run, Source(), log);
    if (streaming)
        run.SetStreaming(*streaming);
    Render render;
    render.m_outcome = run.Run();
    render.m_written = log->m_written;
    return render;
}

}  // namespace

TEST(GrainVariationRun, SameBitsOnEveryKernelThreadCountAndHolding)
{
    const Render reference = Generate(Varied(), {AddKernel::Reference, 1}, std::nullopt);
    ASSERT_EQ(reference.m_outcome, RunOutcome::Completed());
    ASSERT_EQ(reference.m_written.size(), 3u * 44100);
    const std::vector<std::uint32_t> expected = Bits(reference.m_written);

    TempDir dir;
    StreamingOptions spilled;
    spilled.m_spill = SpillChoice::Always;
    spilled.m_strSpillFolder = dir.Path().string();
    StreamingOptions again;
    again.m_spill = SpillChoice::Never;
    for (const AddKernel kernel : SupportedBatchKernels()) {
        for (const int threads : {1, 2, 3}) {
            SCOPED_TRACE(testing::Message() << AddKernelName(kernel) << ", " << threads << " threads");
            const Render render = Generate(Varied(), {kernel, threads}, std::nullopt);
            ASSERT_EQ(render.m_outcome, RunOutcome::Completed());
            ASSERT_TRUE(Bits(render.m_written) == expected);
        }
    }
    for (const StreamingOptions& holding : {spilled, again}) {
        SCOPED_TRACE(holding.m_spill == SpillChoice::Always ? "spilled" : "synthesised again");
        const Render render = Generate(Varied(), {AddKernel::Fastest, 2}, holding);
        ASSERT_EQ(render.m_outcome, RunOutcome::Completed());
        ASSERT_TRUE(Bits(render.m_written) == expected);
    }
}

// Each new parameter at its neutral value leaves the run as it was: the same
// bits as a run that never heard of it.
TEST(GrainVariationRun, NeutralValuesGiveThePlainRun)
{
    const ParameterValues plain = ParameterValues()
                                      .With(ParameterId::Density, 1000)
                                      .With(ParameterId::GrainLength, 100)
                                      .With(ParameterId::Fade, 1);
    const std::vector<std::uint32_t> expected = Bits(Generate(plain, {}, std::nullopt).m_written);
    ParameterValues neutral = plain.With(ParameterId::Pitch, 0)
                                  .With(ParameterId::PitchSpread, 0)
                                  .With(ParameterId::PanSpread, 0)
                                  .With(ParameterId::Reverse, 0)
                                  .With(ParameterId::GainSpread, 0)
                                  .With(ParameterId::Window, 0)
                                  .With(ParameterId::LowCut, 0);
    neutral.SetPitchSet({0});
    EXPECT_TRUE(Bits(Generate(neutral, {}, std::nullopt).m_written) == expected);
    // And a real change changes them.
    EXPECT_FALSE(Bits(Generate(plain.With(ParameterId::Reverse, 1), {}, std::nullopt).m_written) == expected);
}
