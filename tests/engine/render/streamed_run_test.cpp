// A run that streams its output gives the bits of the run that holds it, on
// any thread count and kernel, whether the sound waits on disk or is
// synthesised again; it never allocates anything the size of the output, and
// it reports, cancels and fails as the whole-output run does.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>

#include "engine/run/generation_run.h"
#include "engine/parameters/parameter_table.h"
#include "engine/finishing/finished_sound_meter.h"
#include "engine/render/render_pipeline.h"
#include "resources/strings/resource_ids.h"
#include "tests/engine/fake_host.h"
#include "tests/engine/memory_seams.h"
#include "tests/support/temp_dir.h"

namespace {

using testing::HasSubstr;
using Phase = GenerationHost::Phase;
using Stage = FakeHost::Stage;

// Noise under a slow sine, so that every grain differs from its neighbours.
std::vector<StereoFrame> NoisySource(std::size_t frames)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-0.3f, 0.3f);
    std::vector<StereoFrame> source(frames);
    for (std::size_t j = 0; j < frames; ++j) {
        const auto wave = static_cast<float>(0.5 * std::sin(6.283185307179586 * static_cast<double>(j) / 5000.0));
        source[j] = {wave + noise(random), 0.25f - wave + noise(random)};
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

GenerationSettings SettingsOf(const ParameterValues& panel, std::int32_t seconds)
{
    GenerationSettings settings;
    ApplyParameters(panel, settings);
    settings.m_strInputPath = "input";
    settings.m_strOutputPath = "output";
    settings.m_nDurationSeconds = seconds;
    return settings;
}

ParameterValues LightPanel(int fadeSeconds = 0)
{
    ParameterValues panel;
    panel.Set(ParameterId::Density, 500);
    panel.Set(ParameterId::GrainLength, 50);
    panel.Set(ParameterId::Fade, fadeSeconds);
    return panel;
}

// Hands each piece it sees to a log and answers a fixed gain.
class RecordingMeter : public FinishedSoundMeter {
public:
    RecordingMeter(std::vector<StereoFrame>& seen, double gain)
        : m_seen(seen)
        , m_dGain(gain)
    {
    }
    void Measure(std::span<const StereoFrame> piece) override { m_seen.insert(m_seen.end(), piece.begin(), piece.end()); }
    double Gain() override { return m_dGain; }

private:
    std::vector<StereoFrame>& m_seen;
    double m_dGain;
};

// The largest allocation a run asks for, through its allocator.
std::size_t g_nLargestAllocation = 0;
std::unique_ptr<std::byte[]> RecordingAllocate(std::size_t bytes)
{
    g_nLargestAllocation = std::max(g_nLargestAllocation, bytes);
    return SystemAllocate(bytes);
}

class StreamedRunTest : public testing::Test {
protected:
    struct Render {
        RunOutcome m_outcome;
        std::vector<StereoFrame> m_written;
        bool m_bSpilled = false;
        std::shared_ptr<SeamLog> m_pLog;
    };

    Render Generate(const GenerationSettings& settings, const std::optional<StreamingOptions>& streaming,
                    const SynthesisOptions& synthesis = {}, std::size_t sourceFrames = 100000)
    {
        Render render;
        render.m_pLog = std::make_shared<SeamLog>();
        GenerationRun run(m_host);
        run.SetSettings(settings);
        run.SetSynthesisOptions(synthesis);
        run.SetRandomState(m_nSeed);
        run.SetAllocator(m_allocate);
        UseMemorySeams(run, NoisySource(sourceFrames), render.m_pLog);
        if (streaming)
            run.SetStreaming(*streaming);
        if (m_pMeter)
            run.SetFinishedSoundMeter(std::move(m_pMeter));
        render.m_outcome = run.Run();
        render.m_written = render.m_pLog->m_written;
        render.m_bSpilled = run.DidSpill();
        return render;
    }

    StreamingOptions Spilling(SpillChoice choice = SpillChoice::Always) const
    {
        StreamingOptions options;
        options.m_spill = choice;
        options.m_strSpillFolder = m_dir.Path().string();
        return options;
    }

    // The whole-output run, and the streamed one spilling and synthesising again.
    void ExpectStreamedBitsEqualWhole(const GenerationSettings& settings, const SynthesisOptions& synthesis)
    {
        const Render whole = Generate(settings, std::nullopt, synthesis);
        const Render spilled = Generate(settings, Spilling(SpillChoice::Always), synthesis);
        const Render again = Generate(settings, Spilling(SpillChoice::Never), synthesis);
        ASSERT_EQ(whole.m_outcome, RunOutcome::Completed());
        ASSERT_EQ(whole.m_written.size(), static_cast<std::size_t>(settings.m_nDurationSeconds) * 44100);
        EXPECT_EQ(spilled.m_outcome, RunOutcome::Completed());
        EXPECT_EQ(again.m_outcome, RunOutcome::Completed());
        EXPECT_TRUE(spilled.m_bSpilled);
        EXPECT_FALSE(again.m_bSpilled);
        EXPECT_TRUE(Bits(spilled.m_written) == Bits(whole.m_written));
        EXPECT_TRUE(Bits(again.m_written) == Bits(whole.m_written));
    }

    FakeHost m_host;
    TempDir m_dir;
    std::uint32_t m_nSeed = 1;
    BufferAllocator m_allocate = SystemAllocate;
    std::unique_ptr<FinishedSoundMeter> m_pMeter;
};

}  // namespace

// Lengths from nothing to several windows, with and against the fades: 5 s is
// shorter than two 3-second fades, 7 s longer; settings from the lightest to
// dense and long grains; one thread and several, every kind of kernel (the
// heavier settings on fewer of them, to keep the test quick).
TEST_F(StreamedRunTest, StreamedSoundHasTheBitsOfTheWholeOutput)
{
    ParameterValues dense;
    dense.Set(ParameterId::Density, 10000);
    dense.Set(ParameterId::GrainLength, 200);
    dense.Set(ParameterId::ScanRange, 100);
    dense.Set(ParameterId::Segment, 1);
    const std::vector<SynthesisOptions> everyKind = {
        {AddKernel::Reference, 1}, {AddKernel::Fastest, 1}, {AddKernel::Fastest, 2}, {AddKernel::Portable, 3}};
    const std::vector<SynthesisOptions> fewer = {{AddKernel::Fastest, 2}, {AddKernel::Portable, 3}};
    const struct {
        ParameterValues m_panel;
        std::int32_t m_nSeconds;
        std::vector<SynthesisOptions> m_options;
    } cases[] = {{LightPanel(), 0, everyKind},
                 {LightPanel(3), 5, everyKind},
                 {LightPanel(3), 7, everyKind},
                 {ParameterValues{}, 1, fewer},
                 {dense, 1, fewer}};
    for (const auto& test : cases) {
        for (const SynthesisOptions& synthesis : test.m_options) {
            SCOPED_TRACE(testing::Message() << test.m_nSeconds << " s, density " << test.m_panel.Whole(ParameterId::Density)
                                            << ", kernel " << AddKernelName(synthesis.m_kernel) << ", "
                                            << synthesis.m_nThreads << " threads");
            ExpectStreamedBitsEqualWhole(SettingsOf(test.m_panel, test.m_nSeconds), synthesis);
        }
    }
}

// Two minutes at light settings pass through about eighty windows; the
// seed changes every draw.
TEST_F(StreamedRunTest, FewMinutesStreamedHaveTheBitsOfTheWholeOutput)
{
    m_nSeed = 4000000000u;
    ExpectStreamedBitsEqualWhole(SettingsOf(LightPanel(3), 120), {AddKernel::Fastest, 2});
}

// The largest piece of memory a streamed run asks for is the source or a
// window, whatever the length; the whole-output run asks for the whole output.
TEST_F(StreamedRunTest, MemoryDoesNotGrowWithTheLength)
{
    m_allocate = RecordingAllocate;
    const GenerationSettings settings = SettingsOf(LightPanel(3), 300);
    g_nLargestAllocation = 0;
    ASSERT_EQ(Generate(settings, Spilling(SpillChoice::Never), {AddKernel::Fastest, 2}).m_outcome,
              RunOutcome::Completed());
    EXPECT_LE(g_nLargestAllocation, std::max<std::size_t>(100000, RenderPipeline::kWindowFrames) * sizeof(StereoFrame));

    g_nLargestAllocation = 0;
    ASSERT_EQ(Generate(SettingsOf(LightPanel(3), 20), std::nullopt).m_outcome, RunOutcome::Completed());
    EXPECT_EQ(g_nLargestAllocation, 20u * 44100 * sizeof(StereoFrame));
}

// The meter sees the finished sound the whole-output run writes without one,
// in order, before anything is written; its gain is applied to every sample.
// So it does whether the sound waits on disk, is synthesised again, or is
// held whole in memory.
TEST_F(StreamedRunTest, MeterSeesTheFinishedSoundAndItsGainIsWritten)
{
    const GenerationSettings settings = SettingsOf(LightPanel(3), 7);
    const std::vector<StereoFrame> hooked = Generate(settings, std::nullopt).m_written;

    const std::optional<StreamingOptions> holdings[] = {Spilling(SpillChoice::Always), Spilling(SpillChoice::Never),
                                                        std::nullopt};
    for (const std::optional<StreamingOptions>& holding : holdings) {
        std::vector<StereoFrame> seen;
        m_pMeter = std::make_unique<RecordingMeter>(seen, 0.3);
        m_host = FakeHost();
        const Render render = Generate(settings, holding);
        ASSERT_EQ(render.m_outcome, RunOutcome::Completed());
        EXPECT_TRUE(Bits(seen) == Bits(hooked));
        ASSERT_EQ(render.m_written.size(), hooked.size());
        for (std::size_t j = 0; j < hooked.size(); ++j) {
            ASSERT_EQ(render.m_written[j].left, static_cast<float>(hooked[j].left * 0.3)) << j;
            ASSERT_EQ(render.m_written[j].right, static_cast<float>(hooked[j].right * 0.3)) << j;
        }
        EXPECT_EQ(m_host.m_bars[Phase::Measuring].back(), 100);
    }
}

// Each phase reports fractions that grow and stay below 1, ends at 100, and
// the writing phase counts the frames handed over.
TEST_F(StreamedRunTest, ProgressGrowsInEachPhaseAndCountsTheFramesWritten)
{
    const Render render = Generate(SettingsOf(LightPanel(), 10), Spilling());
    ASSERT_EQ(render.m_outcome, RunOutcome::Completed());
    std::map<Phase, std::vector<double>> fractions;
    std::vector<std::uint64_t> written;
    for (const GenerationHost::Progress& progress : m_host.m_progress) {
        fractions[progress.m_phase].push_back(progress.m_dFraction);
        if (progress.m_phase == Phase::Writing)
            written.push_back(progress.m_nFramesWritten);
    }
    for (const Phase phase : {Phase::Generating, Phase::Writing}) {
        const std::vector<double>& phaseFractions = fractions[phase];
        ASSERT_GE(phaseFractions.size(), 6u);  // 441000 frames, windows of 65536
        EXPECT_TRUE(std::is_sorted(phaseFractions.begin(), phaseFractions.end()));
        EXPECT_LT(phaseFractions.back(), 1.0);
        EXPECT_GT(phaseFractions.back(), 0.99);
        EXPECT_EQ(m_host.m_bars[phase].back(), 100);
    }
    EXPECT_EQ(written.back(), 441000u);
    EXPECT_EQ(written.front(), RenderPipeline::kWindowFrames);
    EXPECT_EQ(m_host.m_messages.size(), 1u);
    EXPECT_EQ(m_host.m_messages[0].m_nId, IDS_GENERATION_DONE);
}

// A cancel while generating or measuring leaves the sink as created; one
// while writing completes it with the frames written so far.
TEST_F(StreamedRunTest, CancelEndsTheRunAsTheWholeOutputRunDoes)
{
    const GenerationSettings settings = SettingsOf(LightPanel(), 10);
    m_host.CancelAt(Stage::Generating, 2);
    Render render = Generate(settings, Spilling());
    EXPECT_EQ(render.m_outcome, RunOutcome::Cancelled());
    EXPECT_EQ(render.m_pLog->m_nFinishes, 0);
    EXPECT_TRUE(render.m_written.empty());
    EXPECT_EQ(m_host.m_bars[Phase::Generating].back(), 100);

    m_host = FakeHost();
    m_host.CancelAt(Stage::Writing, 2);
    render = Generate(settings, Spilling(SpillChoice::Never));
    EXPECT_EQ(render.m_outcome, RunOutcome::Cancelled());
    EXPECT_EQ(render.m_pLog->m_nFinishes, 1);
    EXPECT_TRUE(render.m_pLog->m_bFinishedCancelled);
    EXPECT_EQ(render.m_written.size(), 2 * RenderPipeline::kWindowFrames);
    EXPECT_TRUE(m_host.m_messages.empty());

    std::vector<StereoFrame> seen;
    m_pMeter = std::make_unique<RecordingMeter>(seen, 1.0);
    m_host = FakeHost();
    m_host.CancelAt(Stage::Measuring, 1);
    render = Generate(settings, Spilling());
    EXPECT_EQ(render.m_outcome, RunOutcome::Cancelled());
    EXPECT_EQ(render.m_pLog->m_nFinishes, 0);
    EXPECT_TRUE(render.m_written.empty());
}

// The spill goes to disk when there is room; a memory disk or too little room
// means synthesising again; a spill that must be made and cannot fails the
// run with the system's reason.
TEST_F(StreamedRunTest, SpillIsMadeOnlyWhereItFits)
{
    const GenerationSettings settings = SettingsOf(LightPanel(), 2);
    EXPECT_TRUE(Generate(settings, Spilling(SpillChoice::WhenRoom)).m_bSpilled);

    StreamingOptions tooLittleRoom = Spilling(SpillChoice::WhenRoom);
    tooLittleRoom.m_nReservedBytes = std::uint64_t{1} << 62;
    Render render = Generate(settings, tooLittleRoom);
    EXPECT_EQ(render.m_outcome, RunOutcome::Completed());
    EXPECT_FALSE(render.m_bSpilled);

    if (std::filesystem::is_directory("/dev/shm")) {
        StreamingOptions inMemory = Spilling(SpillChoice::WhenRoom);
        inMemory.m_strSpillFolder = "/dev/shm";
        EXPECT_FALSE(Generate(settings, inMemory).m_bSpilled);
    }

    StreamingOptions missing = Spilling(SpillChoice::Always);
    missing.m_strSpillFolder = m_dir.File("no-such-folder");
    render = Generate(settings, missing);
    EXPECT_EQ(render.m_outcome, RunOutcome::Failed(RunFailure::Kind::FileFailure));
    ASSERT_FALSE(m_host.m_messages.empty());
    EXPECT_THAT(m_host.m_messages.back().m_strText, HasSubstr("No such file or directory"));
    EXPECT_TRUE(render.m_pLog->m_bDiscarded);
}

// A file error of the sink in the streamed writing pass drops the output.
TEST_F(StreamedRunTest, FileErrorWhileWritingDiscardsTheOutput)
{
    auto log = std::make_shared<SeamLog>();
    auto sink = std::make_unique<MemorySink>(log);
    sink->m_nFailAfterFrames = 100000;
    GenerationRun run(m_host);
    run.SetSettings(SettingsOf(LightPanel(), 5));
    run.SetRandomState(1);
    run.SetSourceOpener(MemoryOpener(NoisySource(30000), log));
    run.SetSink(std::move(sink));
    run.SetStreaming(Spilling());
    EXPECT_EQ(run.Run(), RunOutcome::Failed(RunFailure::Kind::FileFailure));
    EXPECT_TRUE(log->m_bDiscarded);
    EXPECT_EQ(log->m_nFinishes, 0);
}
