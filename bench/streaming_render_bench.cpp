// A whole run from a sound in memory to a WAV file, holding the whole output
// (the desktop program's run) or streaming it: spilling the synthesised sound
// to disk between passes, or synthesising it again. At the panel's start
// values (4000 grains of 800 ms per second) and at light ones (500 of 50 ms),
// and with grains that differ from one another (the general kernel), one
// minute of output each. Each run reports its phases as counters:
// synthesis, measuring (0 here), writing (which streamed includes reading the
// spill or synthesising again, and finishing).
//
//   build/bench/streaming_render_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/io/frame_sink.h"
#include "engine/run/generation_run.h"
#include "engine/parameters/parameter_table.h"
#include "engine/render/frame_spill.h"
#include "engine/io/wave_frame_sink.h"
#include "bench/quiet_host.h"

namespace {

// Seven seconds of 16-bit noise, about the length of the bundled sample.
class NoiseSource : public SoundSource {
public:
    std::uint64_t GetFrameCount() const override { return kFrames; }
    int GetFileRate() const override { return kRunSampleRate; }
    void Read(StereoFrame* frames, std::size_t count) override
    {
        std::uniform_int_distribution<int> sample(-32768, 32767);
        for (std::size_t i = 0; i < count; ++i)
            frames[i] = {static_cast<float>(sample(m_random) / 32767.0), static_cast<float>(sample(m_random) / 32767.0)};
    }
    void Close() override {}

private:
    static constexpr std::uint64_t kFrames = 7 * kRunSampleRate;
    std::mt19937 m_random{1};
};

enum class Mode { Whole, Spill, SynthesiseAgain };

void RunOnce(benchmark::State& state, const ParameterValues& panel, Mode mode)
{
    QuietHost host;
    GenerationRun run(host);
    GenerationSettings settings;
    ApplyParameters(panel, settings);
    settings.m_strInputPath = "noise";
    settings.m_strOutputPath = TemporaryFolder() + "/sonnelith-streaming-bench.wav";
    settings.m_nDurationSeconds = 60;
    run.SetSettings(settings);
    run.SetRandomState(1);
    run.SetSourceOpener([](const std::string&) { return SourceOpening{std::make_unique<NoiseSource>(), {}}; });
    run.SetSink(std::make_unique<WaveFrameSink>());
    if (mode != Mode::Whole) {
        StreamingOptions streaming;
        streaming.m_spill = mode == Mode::Spill ? SpillChoice::Always : SpillChoice::Never;
        run.SetStreaming(streaming);
    }
    if (run.Run() != RunOutcome::Completed())
        state.SkipWithError(host.m_strError.c_str());
    const PhaseTimes& times = run.GetPhaseTimes();
    state.counters["synthesis_s"] += times.m_dSynthesizing;
    state.counters["finishing_s"] += times.m_dFinishing + times.m_dAllocating;
    state.counters["writing_s"] += times.m_dWriting;
    std::remove(settings.m_strOutputPath.c_str());
}

void BM_Run(benchmark::State& state, ParameterValues panel, Mode mode)
{
    for (auto _ : state)
        RunOnce(state, panel, mode);
    for (auto& [name, counter] : state.counters)
        counter = benchmark::Counter(counter.value, benchmark::Counter::kAvgIterations);
}

ParameterValues Light()
{
    ParameterValues panel;
    panel.Set(ParameterId::Density, 500);
    panel.Set(ParameterId::GrainLength, 50);
    return panel;
}

// Grains that differ: each transposed at random within an octave either way,
// placed anywhere in the stereo field, half of them backwards. Every grain
// then goes through the general kernel.
ParameterValues Varied()
{
    return ParameterValues()
        .With(ParameterId::PitchSpread, 12)
        .With(ParameterId::PanSpread, 100)
        .With(ParameterId::Reverse, 50);
}

BENCHMARK_CAPTURE(BM_Run, defaults_whole, ParameterValues{}, Mode::Whole)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Run, defaults_spill, ParameterValues{}, Mode::Spill)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Run, defaults_again, ParameterValues{}, Mode::SynthesiseAgain)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Run, varied_whole, Varied(), Mode::Whole)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Run, varied_spill, Varied(), Mode::Spill)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Run, light_whole, Light(), Mode::Whole)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Run, light_spill, Light(), Mode::Spill)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Run, light_again, Light(), Mode::SynthesiseAgain)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
