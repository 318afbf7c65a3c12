// The batch kernels against the reference loop: the same output bits on every
// batch kernel this machine has, for any number of threads, at the edges of
// both buffers, and when a cancel stops the grain loop.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <initializer_list>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/parameters/parameter_table.h"
#include "engine/synthesis/kernels/add_kernel.h"
#include "engine/scheduling/envelope_shapes.h"
#include "engine/synthesis/grain_synthesizer.h"
#include "engine/synthesis/synthesis_options.h"
#include "engine/synthesis/tiled_grain_adder.h"
#include "engine/synthesis/worker_pool.h"
#include "tests/engine/fake_host.h"
#include "tests/engine/memory_seams.h"
#include "tests/engine/run_fixture.h"
#include "tests/support/test_sounds.h"

namespace {

using Phase = GenerationHost::Phase;
using Stage = FakeHost::Stage;

// The raw bits of every sample, so that -0, NaN payloads and the last bit of
// each value all count.
std::vector<std::uint32_t> SampleBits(const std::vector<StereoFrame>& frames)
{
    std::vector<std::uint32_t> bits(2 * frames.size());
    if (!frames.empty())
        std::memcpy(bits.data(), frames.data(), bits.size() * sizeof(std::uint32_t));
    return bits;
}

// Source sound as a run holds it: 16-bit values over 32767, here a noise that
// never repeats within a test.
std::vector<StereoFrame> NoiseSource(std::uint32_t frames, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    std::vector<StereoFrame> source(frames);
    for (StereoFrame& frame : source)
        frame = {static_cast<float>(sample(random) / 32767.0), static_cast<float>(sample(random) / 32767.0)};
    return source;
}

// Each frame's weight twice, as the batch kernels take it: the reference
// kernel's own double(window) × double(gain).
std::vector<double> PairWeights(const std::vector<float>& window, float gain)
{
    std::vector<double> weights;
    for (const float w : window) {
        weights.push_back(static_cast<double>(w) * gain);
        weights.push_back(static_cast<double>(w) * gain);
    }
    return weights;
}

// Values that test every corner of the arithmetic: zeros of both signs,
// numbers too small for a normal float, numbers whose sum overflows,
// infinities (whose differences are NaN), and ordinary samples. No NaN with a
// payload of its own: which of two such operands a sum passes on is up to the
// compiler's operand order even in the plain loop, and a run's samples come
// from 16-bit PCM, so they never hold one.
float AwkwardValue(std::mt19937& random)
{
    constexpr float kInf = std::numeric_limits<float>::infinity();
    static const float specials[] = {0.0f,   -0.0f, 1e-40f, -3e-42f, std::numeric_limits<float>::min(), 3e38f,
                                     -3.3e38f, kInf, -kInf,  1.0f,    -1.0000305f};
    std::uniform_int_distribution<int> pick(0, 3 * static_cast<int>(std::size(specials)));
    const int index = pick(random);
    if (index < static_cast<int>(std::size(specials)))
        return specials[index];
    std::uniform_real_distribution<float> ordinary(-2.0f, 2.0f);
    return ordinary(random) * std::ldexp(1.0f, static_cast<int>(random() % 60) - 30);
}

class AddKernelTest : public testing::TestWithParam<AddKernel> {};

// Every length from 0 to 19 frames and a long one, at every alignment of the
// three arrays, so that both the vector steps and the leftover frames are met.
TEST_P(AddKernelTest, GivesTheReferenceBitsForAnyDataLengthAndAlignment)
{
    const AddKernelFunction add = BatchKernelFunction(GetParam());
    std::mt19937 random(7);
    constexpr std::int32_t kLongest = 1003;
    std::vector<StereoFrame> source(kLongest + 4);
    std::vector<StereoFrame> start(kLongest + 4);
    std::vector<float> window(kLongest + 4);
    for (std::size_t i = 0; i < source.size(); ++i) {
        source[i] = {AwkwardValue(random), AwkwardValue(random)};
        start[i] = {AwkwardValue(random), AwkwardValue(random)};
        window[i] = std::uniform_real_distribution<float>(0.0f, 1.0f)(random);
    }
    window[1] = 0.0f;
    window[2] = 1e-30f;
    for (const float gain : {0.5f, 0.01f, 1.0f, 3e30f}) {
        const std::vector<double> weights = PairWeights(window, gain);
        for (std::int32_t count = 0; count <= kLongest; count = count == 19 ? kLongest : count + 1) {
            for (std::int32_t shift = 0; shift < 3; ++shift) {
                std::vector<StereoFrame> expected = start;
                std::vector<StereoFrame> actual = start;
                AddKernelReference(expected.data() + shift, source.data() + 1, window.data() + 2, gain, count);
                add(actual.data() + shift, source.data() + 1, weights.data() + 4, count);
                ASSERT_EQ(SampleBits(actual), SampleBits(expected))
                    << "gain " << gain << ", " << count << " frames, shifted by " << shift;
            }
        }
    }
}

// Frames where rounding the product before the sum matters: the output
// almost cancels the product, and a fused multiply-add would round the
// difference the other way. Found by search, so that a kernel that fuses
// cannot pass.
struct FusionTrap {
    std::vector<StereoFrame> m_output;
    std::vector<StereoFrame> m_source;
    std::vector<float> m_window;
};

FusionTrap FindFusionTraps(float gain, std::size_t wanted)
{
    std::mt19937 random(99);
    std::uniform_real_distribution<float> unit(0.5f, 1.0f);
    FusionTrap trap;
    while (trap.m_window.size() < wanted) {
        const float sample = unit(random);
        const float window = unit(random);
        const double product = sample * (static_cast<double>(window) * gain);
        const float nearly = -static_cast<float>(product);
        const float output = std::nextafter(nearly, random() % 2 == 0 ? 0.0f : -2.0f);
        const auto separate = static_cast<float>(output + product);
        const auto fused = static_cast<float>(std::fma(sample, static_cast<double>(window) * gain, output));
        if (std::memcmp(&separate, &fused, sizeof(float)) == 0)
            continue;
        trap.m_output.push_back({output, output});
        trap.m_source.push_back({sample, sample});
        trap.m_window.push_back(window);
    }
    return trap;
}

TEST_P(AddKernelTest, RoundsTheProductBeforeTheSumAsTheReferenceDoes)
{
    const float gain = 0.37f;
    const FusionTrap trap = FindFusionTraps(gain, 257);
    std::vector<StereoFrame> expected = trap.m_output;
    std::vector<StereoFrame> actual = trap.m_output;
    const auto count = static_cast<std::int32_t>(trap.m_window.size());
    AddKernelReference(expected.data(), trap.m_source.data(), trap.m_window.data(), gain, count);
    BatchKernelFunction(GetParam())(actual.data(), trap.m_source.data(), PairWeights(trap.m_window, gain).data(),
                                    count);
    EXPECT_TRUE(SampleBits(actual) == SampleBits(expected));
}

// Memory that ends where an inaccessible page begins: a kernel that reads or
// writes even one byte past the last frame it was given stops the test with a
// fault. The vector kernels' last frames go through masks that must keep
// every lane past the end untouched.
class GuardedMemory {
public:
    GuardedMemory()
    {
        m_nPage = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        void* memory = mmap(nullptr, 2 * m_nPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED)
            return;
        m_pMemory = static_cast<std::byte*>(memory);
        m_bGuarded = mprotect(m_pMemory + m_nPage, m_nPage, PROT_NONE) == 0;
    }
    ~GuardedMemory()
    {
        if (m_pMemory != nullptr)
            munmap(m_pMemory, 2 * m_nPage);
    }
    GuardedMemory(const GuardedMemory&) = delete;
    GuardedMemory& operator=(const GuardedMemory&) = delete;

    bool IsGuarded() const { return m_bGuarded; }
    // count items of T that end right at the guard page.
    template <typename T>
    T* LastItems(std::size_t count) const
    {
        return reinterpret_cast<T*>(m_pMemory + m_nPage - count * sizeof(T));
    }

private:
    std::size_t m_nPage = 0;
    std::byte* m_pMemory = nullptr;
    bool m_bGuarded = false;
};

TEST_P(AddKernelTest, TouchesNothingPastTheLastFrame)
{
    const AddKernelFunction add = BatchKernelFunction(GetParam());
    GuardedMemory outputMemory;
    GuardedMemory sourceMemory;
    GuardedMemory weightMemory;
    ASSERT_TRUE(outputMemory.IsGuarded() && sourceMemory.IsGuarded() && weightMemory.IsGuarded());
    std::mt19937 random(3);
    for (std::int32_t count = 0; count <= 19; ++count) {
        StereoFrame* output = outputMemory.LastItems<StereoFrame>(count);
        StereoFrame* source = sourceMemory.LastItems<StereoFrame>(count);
        double* weights = weightMemory.LastItems<double>(2 * count);
        std::vector<StereoFrame> expected(count);
        std::vector<float> window(count);
        for (std::int32_t i = 0; i < count; ++i) {
            output[i] = expected[i] = {AwkwardValue(random), AwkwardValue(random)};
            source[i] = {AwkwardValue(random), AwkwardValue(random)};
            window[i] = std::uniform_real_distribution<float>(0.0f, 1.0f)(random);
            weights[2 * i] = weights[2 * i + 1] = static_cast<double>(window[i]) * 0.5f;
        }
        AddKernelReference(expected.data(), source, window.data(), 0.5f, count);
        add(output, source, weights, count);
        for (std::int32_t i = 0; i < count; ++i) {
            ASSERT_EQ(std::memcmp(&output[i], &expected[i], sizeof(StereoFrame)), 0)
                << "frame " << i << " of " << count;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPathHere, AddKernelTest, testing::ValuesIn(SupportedBatchKernels()),
                         [](const testing::TestParamInfo<AddKernel>& info) { return AddKernelName(info.param); });

TEST(SynthesisOptions, ThreadsAndKernelsResolveToWhatTheMachineHas)
{
    EXPECT_GE(DefaultThreadCount(), 1);
    EXPECT_EQ(ResolveThreadCount({AddKernel::Fastest, 0}), DefaultThreadCount());
    EXPECT_EQ(ResolveThreadCount({AddKernel::Fastest, 3}), 3);
    EXPECT_EQ(ResolveThreadCount({AddKernel::Fastest, 100000}), kMaxThreads);
    EXPECT_EQ(ResolveAddKernel(AddKernel::Portable), AddKernel::Portable);
    EXPECT_EQ(ResolveAddKernel(AddKernel::Fastest), FastestAddKernel());
    EXPECT_EQ(ResolveAddKernel(AddKernel::Reference), AddKernel::Reference);
    EXPECT_EQ(ResolveThreadCount({AddKernel::Reference, 3}), 1);
    EXPECT_STREQ(AddKernelName(AddKernel::Reference), "reference");
    for (const AddKernel kernel : {AddKernel::Avx2, AddKernel::Avx512})
        EXPECT_TRUE(IsAddKernelSupported(ResolveAddKernel(kernel)));
}

// The kernel that adds the same frames eight times over stands for a slow
// one: whatever order the two are timed in, the other is chosen.
void AddEightTimesOver(StereoFrame* output, const StereoFrame* source, const double* pairWeights, std::int32_t count)
{
    for (int pass = 0; pass < 8; ++pass)
        AddKernelPortable(output, source, pairWeights, count);
}

TEST(AddKernelChoice, TimingFindsTheFasterOfTwoKernels)
{
    EXPECT_EQ(FastestKernelIndex({AddEightTimesOver, AddKernelPortable}), 1u);
    EXPECT_EQ(FastestKernelIndex({AddKernelPortable, AddEightTimesOver}), 0u);
    EXPECT_EQ(FastestKernelIndex({AddEightTimesOver}), 0u);
}

TEST(AddKernelChoice, FastestIsASupportedBatchKernelAndStaysTheSame)
{
    const std::vector<AddKernel> supported = SupportedBatchKernels();
    const AddKernel fastest = FastestAddKernel();
    EXPECT_NE(std::find(supported.begin(), supported.end(), fastest), supported.end());
    EXPECT_EQ(FastestAddKernel(), fastest);
    EXPECT_STREQ(AddKernelName(AddKernel::Fastest), AddKernelName(fastest));
}

// A whole grain loop, from the generator state to the last grain, with one
// kernel and thread count.
struct SynthesisCase {
    std::string m_strName;
    ParameterValues m_panel;
    std::int32_t m_nSeconds;
    std::uint32_t m_nSourceFrames;
};

void PrintTo(const SynthesisCase& synthesisCase, std::ostream* out) { *out << synthesisCase.m_strName; }

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

GenerationSettings SettingsOf(const SynthesisCase& synthesisCase)
{
    GenerationSettings settings;
    settings.m_nDurationSeconds = synthesisCase.m_nSeconds;
    ApplyParameters(synthesisCase.m_panel, settings);
    return settings;
}

struct SynthesisResult {
    std::vector<std::uint32_t> m_bits;
    std::uint32_t m_nRandomState = 0;
};

// The grain loop as the run drives it, batch by batch up to each progress
// point, stopping after the batch that ends at grain lastIndex.
SynthesisResult Synthesize(const SynthesisCase& synthesisCase, SynthesisOptions options,
                           std::int32_t lastIndex = INT32_MAX)
{
    const GenerationSettings settings = SettingsOf(synthesisCase);
    const GrainSettings grains = GrainSettingsOf(settings);
    GrainSynthesizer synthesizer;
    synthesizer.SetSettings(grains);
    synthesizer.SetOptions(options);
    synthesizer.SetRandomState(2024);
    const std::vector<StereoFrame> source = NoiseSource(synthesisCase.m_nSourceFrames, 11);
    std::vector<StereoFrame> output(static_cast<std::size_t>(synthesisCase.m_nSeconds) * 44100);
    EXPECT_EQ(synthesizer.Begin(source, output.size()), GrainSynthesizer::Start::Ready);
    for (std::int32_t last = 0; !synthesizer.IsComplete() && last <= lastIndex; last += 1000) {
        synthesizer.PlaceGrainsThrough(last);
        synthesizer.AddPlacedGrains({output.data(), 0, output.size()});
    }
    return {SampleBits(output), synthesizer.GetRandomState()};
}

// What a whole run shows and writes with one kernel and thread count.
struct RunResult {
    RunOutcome m_outcome;
    std::vector<std::uint32_t> m_written;
    std::uint32_t m_nRandomState = 0;
    std::map<Phase, std::vector<int>> m_bars;
    std::map<Phase, std::vector<std::string>> m_percentTexts;
    std::map<Stage, int> m_pumps;
};

RunResult RunWith(const SynthesisCase& synthesisCase, SynthesisOptions options, int cancelAtPump = 0)
{
    FakeHost host;
    if (cancelAtPump > 0)
        host.CancelAt(Stage::Generating, cancelAtPump);
    GenerationRun run(host);
    run.SetSettings(SettingsOf(synthesisCase));
    run.SetSynthesisOptions(options);
    run.SetRandomState(2024);
    const auto log = std::make_shared<SeamLog>();
    UseMemorySeams(run, NoiseSource(synthesisCase.m_nSourceFrames, 11), log);
    const RunOutcome outcome = run.Run();
    return {outcome, SampleBits(log->m_written), run.GetRandomState(), host.m_bars, host.m_percentTexts, host.m_pumps};
}

const SynthesisCase kSynthesisCases[] = {
    // The panel's start values: 4000 grains of 800 ms per second; the last
    // grains run past the end of the output.
    {"Defaults", ParameterValues{}, 1, 120000},
    // The densest setting, with grains of 2 s in a 1 s output: every grain is
    // cut by the end of the buffer.
    {"DensestLongerThanTheOutput", Panel(10000, 2000, 100, 1, 100), 1, 200000},
    // Few short grains, wide steps and short segments.
    {"SparseShortGrains", Panel(500, 50, 100, 1, 37), 3, 30000},
    // Starts 10.89 frames apart and an odd grain length (3307 frames), so
    // grains and tiles meet at every offset.
    {"UnevenSteps", Panel(4050, 75, 13, 20, 1), 2, 50000},
};

class BatchSynthesisTest : public testing::TestWithParam<SynthesisCase> {};

// The same bits and the same generator state afterwards with every kernel
// and thread count.
TEST_P(BatchSynthesisTest, EveryKernelAndThreadCountGivesTheReferenceOutput)
{
    const SynthesisResult reference = Synthesize(GetParam(), {AddKernel::Reference, 1});
    for (const AddKernel kernel : SupportedBatchKernels()) {
        for (const int threads : {1, 3}) {
            const SynthesisResult fast = Synthesize(GetParam(), {kernel, threads});
            SCOPED_TRACE(std::string(AddKernelName(kernel)) + " on " + std::to_string(threads) + " threads");
            EXPECT_TRUE(fast.m_bits == reference.m_bits);
            EXPECT_EQ(fast.m_nRandomState, reference.m_nRandomState);
        }
    }
}

// A whole run: the same frames written, progress points, bars and texts: the
// batches and threads are invisible from outside.
TEST_P(BatchSynthesisTest, RunsWithEitherKernelShowAndWriteTheSame)
{
    const RunResult reference = RunWith(GetParam(), {AddKernel::Reference, 1});
    const RunResult fast = RunWith(GetParam(), {AddKernel::Fastest, 3});
    EXPECT_EQ(reference.m_outcome, RunOutcome::Completed());
    EXPECT_EQ(fast.m_outcome, RunOutcome::Completed());
    EXPECT_TRUE(fast.m_written == reference.m_written);
    EXPECT_EQ(fast.m_nRandomState, reference.m_nRandomState);
    EXPECT_EQ(fast.m_bars, reference.m_bars);
    EXPECT_EQ(fast.m_percentTexts, reference.m_percentTexts);
    EXPECT_EQ(fast.m_pumps, reference.m_pumps);
}

INSTANTIATE_TEST_SUITE_P(Settings, BatchSynthesisTest, testing::ValuesIn(kSynthesisCases),
                         [](const testing::TestParamInfo<SynthesisCase>& info) { return info.param.m_strName; });

// Pump 1 follows grain 0 alone, pump 2 grain 1000, pump 4 grain 3000: a
// cancel there stops every kernel after the same grain, and the grains up to
// that point give the same bits.
TEST(BatchSynthesis, CancelAtAProgressPointStopsEveryKernelAtTheSameGrain)
{
    const SynthesisCase& defaults = kSynthesisCases[0];
    const SynthesisResult whole = Synthesize(defaults, {AddKernel::Fastest, 2});
    for (const int pump : {1, 2, 4}) {
        SCOPED_TRACE("cancel in pump " + std::to_string(pump));
        const RunResult reference = RunWith(defaults, {AddKernel::Reference, 1}, pump);
        const RunResult fast = RunWith(defaults, {AddKernel::Fastest, 2}, pump);
        EXPECT_EQ(fast.m_outcome, RunOutcome::Cancelled());
        EXPECT_EQ(fast.m_pumps.at(Stage::Generating), pump);
        EXPECT_EQ(fast.m_nRandomState, reference.m_nRandomState);
        EXPECT_EQ(fast.m_bars.at(Phase::Generating).back(), 100);

        const std::int32_t lastGrain = (pump - 1) * 1000;
        const SynthesisResult cut = Synthesize(defaults, {AddKernel::Fastest, 2}, lastGrain);
        EXPECT_EQ(cut.m_nRandomState, fast.m_nRandomState);
        EXPECT_TRUE(cut.m_bits == Synthesize(defaults, {AddKernel::Reference, 1}, lastGrain).m_bits);
        EXPECT_FALSE(cut.m_bits == whole.m_bits);
    }
}

// A plain grain read from source frame p onto output frame q.
GrainEvent PlainGrain(std::int32_t p, std::uint64_t q, std::int32_t frames)
{
    GrainEvent grain;
    grain.m_nSource = p;
    grain.m_dFirstRead = p;
    grain.m_nOutput = q;
    grain.m_nFrames = frames;
    return grain;
}

std::vector<float> HannWindow(std::int32_t frames)
{
    std::vector<float> window(static_cast<std::size_t>(frames));
    for (std::size_t i = 0; i < window.size(); ++i)
        window[i] = static_cast<float>(GrainWindowGain(static_cast<std::uint32_t>(i), frames));
    return window;
}

// The grains added one by one with the reference kernel.
void AddOneByOne(const OctaveLevels& levels, const std::vector<GrainEvent>& grains, std::int32_t grainFrames,
                 double volume, std::vector<StereoFrame>& output)
{
    GrainSettings settings;
    settings.m_dVolume = volume;
    settings.m_nGrainFrames = grainFrames;
    settings.m_nGrainsPerSecond = 4000;
    GrainRenderer reference;
    ASSERT_EQ(reference.Begin(levels, output.size(), settings, {AddKernel::Reference, 1}, SystemAllocate),
              GrainRenderer::Start::Ready);
    for (const GrainEvent& grain : grains)
        reference.Add({&grain, 1}, {output.data(), 0, output.size()});
}

GrainCanvas PlainCanvas(const OctaveLevels& levels, std::uint64_t outputFrames, const std::vector<float>& window,
                        const std::vector<double>& weights, double volume)
{
    GrainCanvas canvas;
    canvas.m_pLevels = &levels;
    canvas.m_nOutputFrames = outputFrames;
    canvas.m_nGrainFrames = static_cast<std::int32_t>(window.size());
    canvas.m_pWindow = window.data();
    canvas.m_fVolume = static_cast<float>(volume);
    canvas.m_pPairWeights = weights.data();
    canvas.m_nLongestGrain = canvas.m_nGrainFrames;
    return canvas;
}

// Placements the grain loop never makes but the reference loop accepts:
// outside the source, cut by its end, cut by the output's end, past the
// output. Added into the whole output and into windows of it, on one thread
// and on three.
TEST(TiledGrainAdder, CutsEveryGrainAsTheReferenceLoopDoes)
{
    constexpr std::int32_t kGrainFrames = 700;
    constexpr double kVolume = 0.3;
    const std::vector<StereoFrame> source = NoiseSource(5000, 3);
    const OctaveLevels levels(source);
    std::vector<StereoFrame> expected(3000, StereoFrame{0.25f, -0.5f});

    std::vector<GrainEvent> grains;
    for (const auto& [p, q] : std::initializer_list<std::pair<std::int32_t, std::uint64_t>>{
             {-5, 0}, {4990, 0}, {100, 0}, {5000, 10}, {2000, 500}, {4400, 900}, {0, 1020}, {1, 1024},
             {3000, 2100}, {4999, 2300}, {10, 2900}, {20, 2999}, {30, 3000}, {40, 4000}})
        grains.push_back(PlainGrain(p, q, kGrainFrames));
    for (std::uint32_t q = 1030; q < 2100; q += 7)
        grains.push_back(PlainGrain(static_cast<std::int32_t>(q * 2), q, kGrainFrames));
    std::sort(grains.begin(), grains.end(),
              [](const GrainEvent& a, const GrainEvent& b) { return a.m_nOutput < b.m_nOutput; });
    AddOneByOne(levels, grains, kGrainFrames, kVolume, expected);

    const std::vector<float> window = HannWindow(kGrainFrames);
    const std::vector<double> weights = PairWeights(window, static_cast<float>(kVolume));
    const GrainCanvas canvas = PlainCanvas(levels, expected.size(), window, weights, kVolume);
    for (const int threads : {1, 3}) {
        WorkerPool pool(threads);
        TiledGrainAdder adder(canvas, BatchKernelFunction(FastestAddKernel()), &pool);
        std::vector<StereoFrame> whole(3000, StereoFrame{0.25f, -0.5f});
        adder.Add(grains.data(), grains.size(), {whole.data(), 0, whole.size()});
        EXPECT_TRUE(SampleBits(whole) == SampleBits(expected)) << threads << " threads, whole output";

        std::vector<StereoFrame> pieces;
        for (const auto& [first, end] : {std::pair<std::uint64_t, std::uint64_t>{0, 511}, {511, 1024}, {1024, 1025},
                                         {1025, 2999}, {2999, 3000}}) {
            std::vector<StereoFrame> piece(end - first, StereoFrame{0.25f, -0.5f});
            adder.Add(grains.data(), grains.size(), {piece.data(), first, piece.size()});
            pieces.insert(pieces.end(), piece.begin(), piece.end());
        }
        EXPECT_TRUE(SampleBits(pieces) == SampleBits(expected)) << threads << " threads, in windows";
    }
}

// Tiles are laid on the cache lines of the window's memory, so their edges
// move with the address: for each place of the output within a cache line,
// and windows that start anywhere, the bits stay those of the reference loop. Enough
// grains that the work is shared among three threads.
TEST(TiledGrainAdder, GivesTheSameBitsWhereverTheOutputLiesInMemory)
{
    constexpr std::int32_t kGrainFrames = 700;
    constexpr std::size_t kOutputFrames = 3000;
    constexpr double kVolume = 0.7;
    const std::vector<StereoFrame> source = NoiseSource(5000, 5);
    const OctaveLevels levels(source);
    std::vector<GrainEvent> grains;
    for (std::uint32_t q = 0; q < kOutputFrames; q += 5)
        grains.push_back(PlainGrain(static_cast<std::int32_t>(q * 3 % 4200), q, kGrainFrames));
    const std::vector<StereoFrame> start = NoiseSource(kOutputFrames, 6);
    std::vector<StereoFrame> expected = start;
    AddOneByOne(levels, grains, kGrainFrames, kVolume, expected);

    const std::vector<float> window = HannWindow(kGrainFrames);
    const std::vector<double> weights = PairWeights(window, static_cast<float>(kVolume));
    const GrainCanvas canvas = PlainCanvas(levels, kOutputFrames, window, weights, kVolume);
    WorkerPool pool(3);
    TiledGrainAdder adder(canvas, BatchKernelFunction(FastestAddKernel()), &pool);
    // Room for the output at each of the eight frame positions of a 64-byte line.
    std::vector<StereoFrame> memory(kOutputFrames + 16);
    const auto address = reinterpret_cast<std::uintptr_t>(memory.data());
    const std::size_t lineStart = (64 - address % 64) % 64 / sizeof(StereoFrame);
    for (std::size_t shift = 0; shift < 8; ++shift) {
        for (const auto& [first, end] : {std::pair<std::size_t, std::size_t>{0, kOutputFrames}, {1, 2999}, {517, 2048}}) {
            StereoFrame* frames = memory.data() + lineStart + shift;
            std::copy(start.begin() + first, start.begin() + end, frames);
            adder.Add(grains.data(), grains.size(), {frames, first, end - first});
            ASSERT_EQ(std::memcmp(frames, expected.data() + first, (end - first) * sizeof(StereoFrame)), 0)
                << "output " << shift << " frames past a line, window [" << first << ", " << end << ")";
        }
    }
}

// A grain read at increment (level 0) from position onto output frame q,
// through the general kernel, with a window of its own.
GrainEvent GrainNotPlain(double position, double increment, std::uint64_t q, const std::vector<float>& window)
{
    GrainEvent grain;
    grain.m_bPlain = false;
    grain.m_nOutput = q;
    grain.m_nFrames = static_cast<std::int32_t>(window.size());
    grain.m_dFirstRead = position;
    grain.m_dIncrement = increment;
    grain.m_dLevelFirstRead = position;
    grain.m_dLevelIncrement = increment;
    grain.m_dGainLeft = 0.3 + 0.001 * static_cast<double>(q % 400);
    grain.m_dGainRight = 0.7 - 0.001 * static_cast<double>(q % 300);
    grain.m_pWindow = window.data();
    return grain;
}

// A batch with grains that are not plain is cut into larger tiles than a
// plain one: transposed, reversed and plain grains mixed over several of
// them, added on one thread and on three, into the whole output and into
// windows that start between tile edges, give the bits of the grain-by-grain
// loop.
TEST(TiledGrainAdder, AddsMixedBatchesAsTheReferenceLoopDoes)
{
    constexpr std::int32_t kGrainFrames = 900;
    constexpr std::size_t kOutputFrames = 3 * TiledGrainAdder::kGeneralTileFrames + 900;
    constexpr double kVolume = 0.4;
    const std::vector<StereoFrame> source = NoiseSource(6000, 8);
    const OctaveLevels levels(source);
    const std::vector<float> window = HannWindow(kGrainFrames);
    std::vector<GrainEvent> grains;
    for (std::uint32_t q = 0; q < kOutputFrames; q += 9) {
        const double start = 1000.0 + static_cast<double>(q % 3000) + 0.37;
        if (q % 27 == 0)
            grains.push_back(PlainGrain(static_cast<std::int32_t>(q % 4000), q, kGrainFrames));
        else
            grains.push_back(GrainNotPlain(start, q % 2 == 0 ? 0.61 + 1e-4 * (q % 300) : -0.93, q, window));
    }
    const std::vector<StereoFrame> start = NoiseSource(kOutputFrames, 9);
    std::vector<StereoFrame> expected = start;
    AddOneByOne(levels, grains, kGrainFrames, kVolume, expected);

    const std::vector<double> weights = PairWeights(window, static_cast<float>(kVolume));
    GrainCanvas canvas = PlainCanvas(levels, kOutputFrames, window, weights, kVolume);
    canvas.m_general = GeneralKernelOfVectorUnit(FastestAddKernel());
    for (const int threads : {1, 3}) {
        WorkerPool pool(threads);
        TiledGrainAdder adder(canvas, BatchKernelFunction(FastestAddKernel()), &pool);
        std::vector<StereoFrame> whole = start;
        adder.Add(grains.data(), grains.size(), {whole.data(), 0, whole.size()});
        EXPECT_TRUE(SampleBits(whole) == SampleBits(expected)) << threads << " threads, whole output";

        std::vector<StereoFrame> pieces;
        for (const auto& [first, end] : {std::pair<std::size_t, std::size_t>{0, 1500}, {1500, 4099},
                                         {4099, kOutputFrames}}) {
            std::vector<StereoFrame> piece(start.begin() + first, start.begin() + end);
            adder.Add(grains.data(), grains.size(), {piece.data(), first, piece.size()});
            pieces.insert(pieces.end(), piece.begin(), piece.end());
        }
        EXPECT_TRUE(SampleBits(pieces) == SampleBits(expected)) << threads << " threads, in windows";
    }
}

// Added on one thread alone, such a batch is cut into longer tiles still:
// without a pool, and with a pool of one thread, over several of those tiles
// and in windows whose edges fall inside them and in odd places of memory,
// the bits stay those of the grain-by-grain loop.
TEST(TiledGrainAdder, AddsMixedBatchesOnOneThreadAsTheReferenceLoopDoes)
{
    constexpr std::int32_t kGrainFrames = 1300;
    constexpr std::size_t kOutputFrames = 2 * TiledGrainAdder::kLoneGeneralTileFrames + 1700;
    constexpr double kVolume = 0.6;
    const std::vector<StereoFrame> source = NoiseSource(7000, 11);
    const OctaveLevels levels(source);
    const std::vector<float> window = HannWindow(kGrainFrames);
    std::vector<GrainEvent> grains;
    for (std::uint32_t q = 0; q < kOutputFrames; q += 23) {
        const double start = 2000.0 + static_cast<double>(q % 3000) + 0.61;
        if (q % 5 == 0)
            grains.push_back(PlainGrain(static_cast<std::int32_t>(q % 5000), q, kGrainFrames));
        else
            grains.push_back(GrainNotPlain(start, q % 3 == 0 ? -1.27 : 0.83 + 1e-4 * (q % 200), q, window));
    }
    const std::vector<StereoFrame> start = NoiseSource(kOutputFrames, 12);
    std::vector<StereoFrame> expected = start;
    AddOneByOne(levels, grains, kGrainFrames, kVolume, expected);

    const std::vector<double> weights = PairWeights(window, static_cast<float>(kVolume));
    GrainCanvas canvas = PlainCanvas(levels, kOutputFrames, window, weights, kVolume);
    canvas.m_general = GeneralKernelOfVectorUnit(FastestAddKernel());
    WorkerPool lonePool(1);
    for (WorkerPool* pool : {static_cast<WorkerPool*>(nullptr), &lonePool}) {
        TiledGrainAdder adder(canvas, BatchKernelFunction(FastestAddKernel()), pool);
        std::vector<StereoFrame> whole = start;
        adder.Add(grains.data(), grains.size(), {whole.data(), 0, whole.size()});
        EXPECT_TRUE(SampleBits(whole) == SampleBits(expected)) << (pool ? "pool of one" : "no pool") << ", whole output";

        // Each window at another place within a cache line.
        std::vector<StereoFrame> memory(kOutputFrames + 8);
        std::vector<StereoFrame> pieces;
        std::size_t shift = 1;
        for (const auto& [first, end] : {std::pair<std::size_t, std::size_t>{0, 5000}, {5000, 13001},
                                         {13001, 13003}, {13003, kOutputFrames}}) {
            StereoFrame* frames = memory.data() + shift++;
            std::copy(start.begin() + static_cast<long>(first), start.begin() + static_cast<long>(end), frames);
            adder.Add(grains.data(), grains.size(), {frames, first, end - first});
            pieces.insert(pieces.end(), frames, frames + (end - first));
        }
        EXPECT_TRUE(SampleBits(pieces) == SampleBits(expected)) << (pool ? "pool of one" : "no pool") << ", in windows";
    }
}

// Without room for the weights table the run adds its grains one by one: the
// output and the messages stay those of a normal run.
int g_nAllocations = 0;

std::unique_ptr<std::byte[]> FailFourthAllocation(std::size_t bytes)
{
    return ++g_nAllocations == 4 ? nullptr : SystemAllocate(bytes);
}

class FastRunTest : public testing::Test, public RunFixture {
protected:
    void SetUp() override { WriteToneWav(InputPath(), 30000); }
};

TEST_F(FastRunTest, WithoutMemoryForTheWeightsTheReferenceLoopTakesOver)
{
    Generate([](GenerationRun& run) { run.SetSynthesisOptions({AddKernel::Reference, 1}); });
    const auto expected = OutputBytes();
    const std::vector<int> expectedMessages = MessageIds();
    m_host.m_messages.clear();
    g_nAllocations = 0;
    Generate([](GenerationRun& run) { run.SetAllocator(FailFourthAllocation); });
    EXPECT_EQ(g_nAllocations, 4);  // source, output, window, weights
    EXPECT_EQ(MessageIds(), expectedMessages);
    EXPECT_EQ(OutputBytes(), expected);
}

// Each run times its own phases; those it did not reach stay 0.
TEST_F(FastRunTest, PhaseTimesCoverThePhasesTheRunReached)
{
    ApplyParameters(m_panel, m_settings);
    for (const bool cancel : {false, true}) {
        FakeHost host;
        if (cancel)
            host.CancelAt(Stage::Generating, 1);
        GenerationRun run(host);
        run.SetSettings(m_settings);
        run.Run();
        const PhaseTimes& times = run.GetPhaseTimes();
        SCOPED_TRACE(cancel ? "cancelled while generating" : "completed");
        EXPECT_GT(times.m_dLoading, 0.0);
        EXPECT_GT(times.m_dSynthesizing, 0.0);
        EXPECT_EQ(times.m_dFinishing > 0.0, !cancel);
        EXPECT_EQ(times.m_dWriting > 0.0, !cancel);
    }
}

}  // namespace
