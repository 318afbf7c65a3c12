// What an effect chain costs beside the render it follows: a plain run of 10
// seconds at the panel's start values (4000 grains of 800 ms per second, into
// memory, written to a WAV file), then 10 seconds of stereo noise through a
// chain of LV2 plugins, tail included: none (the chain's own blocks and
// copies), mda Ambience, mda Delay, swh GVerb (3 s) and swh Plate (time 2). The plugins are
// Debian's mda-lv2 and swh-lv2; a plugin not installed skips its benchmark.
//
//   build/bench/effect_chain_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "effects/effect_chain.h"
#include "effects/effect_failure.h"
#include "engine/run/generation_run.h"
#include "engine/parameters/parameter_table.h"
#include "engine/render/frame_spill.h"
#include "engine/io/wave_frame_sink.h"
#include "bench/quiet_host.h"

namespace {

constexpr int kSeconds = 10;

// The processor time of the whole process so far, every thread's, in
// seconds: on a shared machine a steadier measure than the wall clock, and
// the render's worker threads count too.
double ProcessSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

void CountProcessSeconds(benchmark::State& state, double before)
{
    state.counters["process_cpu_s"] =
        benchmark::Counter(ProcessSeconds() - before, benchmark::Counter::kAvgIterations);
}

class NoiseSource : public SoundSource {
public:
    std::uint64_t GetFrameCount() const override { return 7 * kRunSampleRate; }
    int GetFileRate() const override { return kRunSampleRate; }
    void Read(StereoFrame* frames, std::size_t count) override
    {
        std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
        for (std::size_t i = 0; i < count; ++i)
            frames[i] = {sample(m_random), sample(m_random)};
    }
    void Close() override {}

private:
    std::mt19937 m_random{1};
};

void BM_PlainRender(benchmark::State& state)
{
    const double before = ProcessSeconds();
    for (auto _ : state) {
        QuietHost host;
        GenerationRun run(host);
        GenerationSettings settings;
        ApplyParameters(ParameterValues(), settings);
        settings.m_strInputPath = "noise";
        settings.m_strOutputPath = TemporaryFolder() + "/sonnelith-effect-bench.wav";
        settings.m_nDurationSeconds = kSeconds;
        run.SetSettings(settings);
        run.SetRandomState(1);
        run.SetSourceOpener([](const std::string&) { return SourceOpening{std::make_unique<NoiseSource>(), {}}; });
        run.SetSink(std::make_unique<WaveFrameSink>());
        if (run.Run() != RunOutcome::Completed())
            state.SkipWithError(host.m_strError.c_str());
        std::remove(settings.m_strOutputPath.c_str());
    }
    CountProcessSeconds(state, before);
}

std::vector<StereoFrame> Noise()
{
    std::mt19937 random(2);
    std::uniform_real_distribution<float> sample(-0.5f, 0.5f);
    std::vector<StereoFrame> sound(static_cast<std::size_t>(kSeconds) * kRunSampleRate);
    for (StereoFrame& frame : sound)
        frame = {sample(random), sample(random)};
    return sound;
}

void BM_Chain(benchmark::State& state, EffectChainSetting settings)
{
    const std::vector<StereoFrame> noise = Noise();
    std::size_t tailFrames = 0;
    const double before = ProcessSeconds();
    for (auto _ : state) {
        try {
            EffectChain chain(settings);
            const ChainOutput output = RunEffectChain(chain, noise);
            tailFrames = output.m_tail.m_frames.size();
            benchmark::DoNotOptimize(output.m_sound.data());
        } catch (const EffectFailure& failure) {
            state.SkipWithError(failure.what());
            return;
        }
    }
    CountProcessSeconds(state, before);
    state.counters["tail_s"] = static_cast<double>(tailFrames) / kRunSampleRate;
}

EffectChainSetting One(const char* uri, std::map<std::string, double> controls = {})
{
    EffectSetting setting;
    setting.m_strPlugin = uri;
    setting.m_controls = std::move(controls);
    return {setting};
}

BENCHMARK(BM_PlainRender)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Chain, empty, EffectChainSetting{})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Chain, mda_ambience, One("http://drobilla.net/plugins/mda/Ambience"))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Chain, mda_delay, One("http://drobilla.net/plugins/mda/Delay"))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Chain, swh_gverb_3s, One("http://plugin.org.uk/swh-plugins/gverb", {{"revtime", 3.0}}))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Chain, swh_plate_2s, One("http://plugin.org.uk/swh-plugins/plate", {{"time", 2.0}}))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
