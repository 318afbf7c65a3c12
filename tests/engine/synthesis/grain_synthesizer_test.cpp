// How grains land in the output: their starts, their shape, their level, the
// edges of the buffers, and the same bits however the work is cut up.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "engine/scheduling/envelope_shapes.h"
#include "engine/parameters/parameter_table.h"
#include "engine/run/generation_settings.h"
#include "engine/synthesis/grain_synthesizer.h"

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

// The raw bits of every sample, so that -0 and the last bit of each value count.
std::vector<std::uint32_t> SampleBits(const std::vector<StereoFrame>& frames)
{
    std::vector<std::uint32_t> bits(2 * frames.size());
    if (!frames.empty())
        std::memcpy(bits.data(), frames.data(), bits.size() * sizeof(std::uint32_t));
    return bits;
}

OutputWindow WholeOf(std::vector<StereoFrame>& frames)
{
    return {frames.data(), 0, frames.size()};
}

// A grain of two frames has the window (0, 1): read from a source of 1.0 at
// full volume, each grain adds exactly 1 at the frame after its start, so the
// output counts the grains that start at each frame.
class GrainCountingTest : public testing::Test {
protected:
    GrainCountingTest()
    {
        GrainSettings settings;
        settings.m_dVolume = 1.0;
        settings.m_nGrainsPerSecond = 4000;
        settings.m_nGrainFrames = 2;
        settings.m_nScanFrames = 11;
        settings.m_nSegmentGrains = 4000;
        m_synthesizer.SetSettings(settings);
    }

    // All grains of an output of frames frames, placed and added in one go.
    std::vector<StereoFrame> Render(std::size_t frames)
    {
        std::vector<StereoFrame> output(frames, StereoFrame{0.0f, 0.0f});
        EXPECT_EQ(m_synthesizer.Begin(m_source, frames), GrainSynthesizer::Start::Ready);
        m_nPlaced = m_synthesizer.PlaceGrainsBefore(frames);
        m_synthesizer.AddPlacedGrains(WholeOf(output));
        return output;
    }

    std::vector<StereoFrame> m_source = ConstantFrames(10000, 1.0f);
    GrainSynthesizer m_synthesizer;
    std::size_t m_nPlaced = 0;
};

}  // namespace

TEST_F(GrainCountingTest, FirstTwoGrainsShareFrameZeroThenStartsFollowTheGap)
{
    const std::vector<StereoFrame> out = Render(44100);
    // Grains 0 and 1 at frame 0, grain k at 11 (k − 1) up to grain 6: each
    // shows one frame after its start.
    for (int frame = 1; frame <= 56; ++frame)
        EXPECT_NEAR(out[frame].left, frame == 1 ? 2.0 : frame % 11 == 1 ? 1.0 : 0.0, 1e-6) << frame;
}

TEST_F(GrainCountingTest, CursorFollowsTheGrainStarts)
{
    ASSERT_EQ(m_synthesizer.Begin(m_source, 44100), GrainSynthesizer::Start::Ready);
    EXPECT_EQ(m_synthesizer.PlaceGrainsThrough(1), 2u);
    EXPECT_EQ(m_synthesizer.LastPlacedGrain().m_nStart, 0u);
    EXPECT_EQ(m_synthesizer.NextGrain().m_nStart, 11u);  // grain 2
    EXPECT_EQ(m_synthesizer.PlaceGrainsBefore(34), 3u);  // grains 2, 3 and 4 at 11, 22 and 33
    EXPECT_EQ(m_synthesizer.LastPlacedGrain().m_nIndex, 4);
    EXPECT_EQ(m_synthesizer.LastPlacedGrain().m_nStart, 33u);
    EXPECT_EQ(m_synthesizer.PendingGrainCount(), 5u);
}

// Starts trunc((k − 1) × 11.025) below 44100: grains 0 to 4000.
TEST_F(GrainCountingTest, OneSecondAt4000PerSecondPlaces4001Grains)
{
    EXPECT_NEAR(LeftSum(Render(44100)), 4001.0, 1e-3);
    EXPECT_EQ(m_nPlaced, 4001u);
    EXPECT_TRUE(m_synthesizer.IsComplete());
    EXPECT_EQ(m_synthesizer.PendingGrainCount(), 0u);
}

TEST_F(GrainCountingTest, EmptyOutputPlacesNoGrainAndDrawsNothing)
{
    m_synthesizer.SetRandomState(77);
    Render(0);
    EXPECT_EQ(m_nPlaced, 0u);
    EXPECT_TRUE(m_synthesizer.IsComplete());
    EXPECT_EQ(m_synthesizer.GetRandomState(), 77u);
}

TEST(GrainSynthesizer, GrainWindowIsThePeriodicHannWindow)
{
    const std::int32_t n = 1000;
    EXPECT_NEAR(GrainWindowGain(0, n), 0.0, 1e-15);
    EXPECT_NEAR(GrainWindowGain(n / 2, n), 1.0, 1e-15);
    EXPECT_GT(GrainWindowGain(n - 1, n), 0.0);  // periodic: the last frame is not 0
    EXPECT_LT(GrainWindowGain(n - 1, n), 1e-4);
    EXPECT_NEAR(GrainWindowGain(n / 4, n), 0.5, 1e-12);
    for (std::uint32_t i = 1; i < n; ++i) {
        ASSERT_NEAR(GrainWindowGain(i, n), GrainWindowGain(n - i, n), 1e-12)
            << "symmetric about n/2";
    }
}

TEST(GrainSynthesizer, SegmentBlendFallsFromOneToZeroAndRisesAgain)
{
    EXPECT_NEAR(SegmentBlend(0, 400), 1.0, 1e-15);
    EXPECT_NEAR(SegmentBlend(100, 400), 0.5, 1e-12);
    EXPECT_NEAR(SegmentBlend(200, 400), 0.0, 1e-15);
    EXPECT_NEAR(SegmentBlend(399, 400), 1.0, 1e-3);
}

TEST(GrainSynthesizer, ReferenceKernelAddsWindowedSourceAtTheVolume)
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
// end of the source reads only the frames that exist. A source of 1.0 at full
// volume adds the window itself.
TEST(GrainSynthesizer, GrainIsCutByTheEndOfEitherBuffer)
{
    auto addGrain = [](std::size_t sourceFrames, std::int32_t sourceStart, std::uint64_t outputStart) {
        GrainSettings settings;
        settings.m_dVolume = 1.0;
        settings.m_nGrainFrames = 8;
        settings.m_nGrainsPerSecond = 4000;
        const std::vector<StereoFrame> source = ConstantFrames(sourceFrames, 1.0f);
        const OctaveLevels levels(source);
        std::vector<StereoFrame> output = ConstantFrames(10, 0.0f);
        GrainRenderer renderer;
        EXPECT_EQ(renderer.Begin(levels, output.size(), settings, {AddKernel::Reference, 1}, SystemAllocate),
                  GrainRenderer::Start::Ready);
        GrainEvent grain;
        grain.m_nOutput = outputStart;
        grain.m_nSource = sourceStart;
        grain.m_dFirstRead = sourceStart;
        grain.m_nFrames = 8;
        renderer.Add({&grain, 1}, WholeOf(output));
        return output;
    };
    auto window = [](std::int32_t i) { return static_cast<float>(GrainWindowGain(i, 8)); };
    const std::vector<StereoFrame> cutByOutput = addGrain(20, 0, 7);
    for (int frame = 0; frame < 10; ++frame)
        EXPECT_EQ(cutByOutput[frame].left, frame >= 7 ? window(frame - 7) : 0.0f) << frame;
    // Only source frames 2 and 3 exist: grain frames 0 and 1.
    EXPECT_NEAR(LeftSum(addGrain(4, 2, 0)), window(0) + window(1), 1e-6);
    EXPECT_EQ(LeftSum(addGrain(4, 4, 0)), 0.0);   // reads start past the source
    EXPECT_EQ(LeftSum(addGrain(4, -1, 0)), 0.0);  // and before it
    EXPECT_EQ(LeftSum(addGrain(20, 0, 10)), 0.0);  // starts past the output
}

// Placing and adding all grains of a render at once, or cut into pieces,
// give the same bits: pieces of the placement (any number of grains, added
// into the whole output each time), or windows of the output one after the
// other (cut at awkward frames: inside grains, on and beside tile edges, one
// frame wide, empty), with every kernel and thread count.
namespace {

struct RenderCase {
    std::string m_strName;
    ParameterValues m_panel;
    std::uint64_t m_nOutputFrames;
    std::uint32_t m_nSourceFrames;
};

void PrintTo(const RenderCase& render, std::ostream* out)
{
    *out << render.m_strName;
}

ParameterValues Panel(int density, int grainMs, int scanRange, int segment, int volume)
{
    ParameterValues panel;
    panel.Set(ParameterId::Density, density);
    panel.Set(ParameterId::GrainLength, grainMs);
    panel.Set(ParameterId::ScanRange, scanRange);
    panel.Set(ParameterId::Segment, segment);
    panel.Set(ParameterId::Volume, volume);
    return panel;
}

std::vector<StereoFrame> NoiseSource(std::uint32_t frames)
{
    std::mt19937 random(11);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    std::vector<StereoFrame> source(frames);
    for (StereoFrame& frame : source)
        frame = {static_cast<float>(sample(random) / 32767.0), static_cast<float>(sample(random) / 32767.0)};
    return source;
}

class PiecewiseRenderTest : public testing::TestWithParam<RenderCase> {
protected:
    PiecewiseRenderTest()
    {
        GenerationSettings settings;
        ApplyParameters(GetParam().m_panel, settings);
        const GrainSettings grains = GrainSettingsOf(settings);
        m_synthesizer.SetSettings(grains);
    }

    void Begin(const SynthesisOptions& options)
    {
        m_synthesizer.SetOptions(options);
        m_synthesizer.SetRandomState(2024);
        ASSERT_EQ(m_synthesizer.Begin(m_source, Frames()), GrainSynthesizer::Start::Ready);
    }

    std::uint64_t Frames() const { return GetParam().m_nOutputFrames; }

    std::vector<StereoFrame> AllAtOnce(const SynthesisOptions& options)
    {
        Begin(options);
        std::vector<StereoFrame> output(Frames(), StereoFrame{0.0f, 0.0f});
        m_synthesizer.PlaceGrainsBefore(Frames());
        m_synthesizer.AddPlacedGrains(WholeOf(output));
        return output;
    }

    // Batches of grains ending at lastIndexes, each added into the whole output.
    std::vector<StereoFrame> InBatches(const SynthesisOptions& options, const std::vector<std::int32_t>& lastIndexes)
    {
        Begin(options);
        std::vector<StereoFrame> output(Frames(), StereoFrame{0.0f, 0.0f});
        for (const std::int32_t last : lastIndexes) {
            m_synthesizer.PlaceGrainsThrough(last);
            m_synthesizer.AddPlacedGrains(WholeOf(output));
        }
        m_synthesizer.PlaceGrainsBefore(Frames());
        m_synthesizer.AddPlacedGrains(WholeOf(output));
        return output;
    }

    // Windows ending at cuts (then at the end), each in a buffer of its own
    // that holds only its frames, as a streaming render would hand them over.
    std::vector<StereoFrame> InWindows(const SynthesisOptions& options, const std::vector<std::uint64_t>& cuts)
    {
        Begin(options);
        std::vector<StereoFrame> output;
        std::uint64_t first = 0;
        std::vector<std::uint64_t> ends = cuts;
        ends.push_back(Frames());
        for (const std::uint64_t end : ends) {
            std::vector<StereoFrame> window(end - first, StereoFrame{0.0f, 0.0f});
            m_synthesizer.PlaceGrainsBefore(end);
            m_synthesizer.AddPlacedGrains({window.data(), first, window.size()});
            output.insert(output.end(), window.begin(), window.end());
            first = end;
        }
        EXPECT_TRUE(m_synthesizer.IsComplete());
        EXPECT_EQ(m_synthesizer.PendingGrainCount(), 0u);
        return output;
    }

    const std::vector<StereoFrame> m_source = NoiseSource(GetParam().m_nSourceFrames);
    GrainSynthesizer m_synthesizer;
};

const RenderCase kRenderCases[] = {
    // 4000 grains of 50 ms (2205 frames) per second, starts 11.025 frames apart.
    {"ShortGrains", Panel(4000, 50, 50, 1, 50), 2 * 44100, 30000},
    // Grains of 2 s in a 1 s output: every grain is cut by the output's end
    // and spans every window.
    {"GrainsLongerThanTheOutput", Panel(500, 2000, 100, 1, 100), 44100, 100000},
    // Starts 10.89 frames apart and an odd grain length (3307 frames).
    {"UnevenSteps", Panel(4050, 75, 13, 20, 1), 44100 + 777, 50000},
};

}  // namespace

TEST_P(PiecewiseRenderTest, PiecesGiveTheBitsOfOneRender)
{
    const SynthesisOptions reference{AddKernel::Reference, 1};
    const std::vector<std::uint32_t> whole = SampleBits(AllAtOnce(reference));
    const std::uint32_t randomState = m_synthesizer.GetRandomState();
    const std::uint64_t n = Frames();
    const std::vector<std::uint64_t> cuts = {1,    2,       11,      12,      2205,    2206,    2300,   2300,
                                             5000, 5001,    5002,    8191,    8192,    8193,    20000,  40511,
                                             40512, 40513, n - 2000, n - 1000, n - 999, n - 1, n - 1, n};
    const std::vector<std::int32_t> batches = {0, 1, 2, 500, 501, 1000, 1999, 2000, 3333};
    for (const SynthesisOptions options :
         {reference, SynthesisOptions{AddKernel::Portable, 1}, SynthesisOptions{AddKernel::Fastest, 1},
          SynthesisOptions{AddKernel::Fastest, 3}}) {
        SCOPED_TRACE(std::string(AddKernelName(options.m_kernel)) + " on " + std::to_string(options.m_nThreads));
        EXPECT_TRUE(SampleBits(AllAtOnce(options)) == whole);
        EXPECT_TRUE(SampleBits(InBatches(options, batches)) == whole);
        EXPECT_TRUE(SampleBits(InWindows(options, cuts)) == whole);
        EXPECT_EQ(m_synthesizer.GetRandomState(), randomState);
    }
}

// Windows one frame wide over the start, where grains pile up most.
TEST_P(PiecewiseRenderTest, WindowsOneFrameWideGiveTheSameBits)
{
    const SynthesisOptions fastest{AddKernel::Fastest, 2};
    const std::vector<std::uint32_t> whole = SampleBits(AllAtOnce(fastest));
    std::vector<std::uint64_t> cuts;
    for (std::uint64_t cut = 1; cut < 600; ++cut)
        cuts.push_back(cut);
    EXPECT_TRUE(SampleBits(InWindows(fastest, cuts)) == whole);
}

INSTANTIATE_TEST_SUITE_P(Settings, PiecewiseRenderTest, testing::ValuesIn(kRenderCases),
                         [](const testing::TestParamInfo<RenderCase>& info) { return info.param.m_strName; });

// Without memory for the window table nothing starts; without memory for the
// paired weights the reference kernel adds the grains, with the same bits.
namespace {

int g_nAllocations = 0;
int g_nFailAt = 0;

std::unique_ptr<std::byte[]> FailingAllocate(std::size_t bytes)
{
    return ++g_nAllocations == g_nFailAt ? nullptr : SystemAllocate(bytes);
}

}  // namespace

TEST(GrainSynthesizer, AllocationFailuresAreAnswersNotExceptions)
{
    GrainSettings settings;
    settings.m_nGrainsPerSecond = 4000;
    settings.m_nGrainFrames = 2205;
    settings.m_nScanFrames = 50;
    settings.m_nSegmentGrains = 4000;
    settings.m_dVolume = 0.5;
    const std::vector<StereoFrame> source = NoiseSource(10000);
    auto render = [&](int failAt) {
        GrainSynthesizer synthesizer;
        synthesizer.SetSettings(settings);
        synthesizer.SetAllocator(FailingAllocate);
        synthesizer.SetOptions({AddKernel::Fastest, 2});
        g_nAllocations = 0;
        g_nFailAt = failAt;
        std::vector<StereoFrame> output(20000, StereoFrame{0.0f, 0.0f});
        const GrainSynthesizer::Start start = synthesizer.Begin(source, output.size());
        if (start == GrainSynthesizer::Start::Ready) {
            synthesizer.PlaceGrainsBefore(output.size());
            synthesizer.AddPlacedGrains(WholeOf(output));
        }
        return std::make_pair(start, SampleBits(output));
    };
    const auto [normalStart, normal] = render(0);
    EXPECT_EQ(normalStart, GrainSynthesizer::Start::Ready);
    EXPECT_EQ(g_nAllocations, 2);  // the window table, then the weights
    EXPECT_EQ(render(1).first, GrainSynthesizer::Start::NoWindowMemory);
    const auto [withoutWeightsStart, withoutWeights] = render(2);
    EXPECT_EQ(withoutWeightsStart, GrainSynthesizer::Start::Ready);
    EXPECT_TRUE(withoutWeights == normal);
}

// A synthesizer begun again keeps its tables only where they would be made
// alike: begun after settings of another grain length, volume or window, or
// another kernel, each render has the bits of a synthesizer that is new, and
// so does one begun again with the same settings.
TEST(GrainSynthesizer, BegunAgainRendersAsANewOneDoes)
{
    const auto settingsOf = [](std::int32_t grainFrames, double volume, double pitchSpread, WindowShape window) {
        GrainSettings settings;
        settings.m_nGrainsPerSecond = 3000;
        settings.m_nGrainFrames = grainFrames;
        settings.m_nScanFrames = 400;
        settings.m_nSegmentGrains = 3000;
        settings.m_dVolume = volume;
        settings.m_variation.m_dPitchSpread = pitchSpread;
        settings.m_variation.m_window = window;
        return settings;
    };
    const GrainSettings plain = settingsOf(2205, 0.5, 0.0, WindowShape::Hann);
    const GrainSettings transposed = settingsOf(2205, 0.5, 7.0, WindowShape::Hann);
    const std::vector<std::pair<GrainSettings, SynthesisOptions>> renders{
        {plain, {AddKernel::Fastest, 1}},
        {plain, {AddKernel::Fastest, 1}},
        {transposed, {AddKernel::Fastest, 1}},
        {settingsOf(1777, 0.5, 0.0, WindowShape::Hann), {AddKernel::Fastest, 1}},
        {settingsOf(1777, 0.8, 0.0, WindowShape::Hann), {AddKernel::Fastest, 1}},
        {transposed, {AddKernel::Fastest, 1}},
        {settingsOf(2205, 0.5, 7.0, WindowShape::Tukey), {AddKernel::Fastest, 1}},
        {transposed, {AddKernel::Reference, 1}},
        {transposed, {AddKernel::Fastest, 2}},
        {plain, {AddKernel::Fastest, 1}},
    };
    const std::vector<StereoFrame> source = NoiseSource(30000);
    const auto render = [&source](GrainSynthesizer& synthesizer, const GrainSettings& settings,
                                  const SynthesisOptions& options) {
        synthesizer.SetSettings(settings);
        synthesizer.SetOptions(options);
        synthesizer.SetRandomState(77);
        std::vector<StereoFrame> output(20000, StereoFrame{0.0f, 0.0f});
        EXPECT_EQ(synthesizer.Begin(source, output.size()), GrainSynthesizer::Start::Ready);
        synthesizer.PlaceGrainsBefore(output.size());
        synthesizer.AddPlacedGrains(WholeOf(output));
        return SampleBits(output);
    };
    GrainSynthesizer again;
    for (std::size_t i = 0; i < renders.size(); ++i) {
        const auto& [settings, options] = renders[i];
        GrainSynthesizer fresh;
        const std::vector<std::uint32_t> expected = render(fresh, settings, options);
        EXPECT_TRUE(render(again, settings, options) == expected) << "render " << i;
    }
}
