// What shaping a layer after its grains costs against a plain render: a whole
// 10 s render of the bundled sample at the panel's start values (4000 grains
// of 800 ms a second), streamed to a WAV file on one thread, once plain and
// once with each shaping.
//
//   ShapingOverPlain/<shaping>   one iteration renders plain and shaped back
//                                to back and reports the processor time of
//                                each and shaped_over_plain, their ratio.
//                                pan: --pan 40; high_cut: --high-cut 3000 at
//                                24 dB/octave; both_cuts: a high cut and
//                                --tone-low-cut 200 at 24 dB/octave; all:
//                                both cuts and the pan. width: --pan-spread
//                                100, whose grains also go through the
//                                general kernel, so its ratio holds that too.
//   ShapingAlone/<shaping>       the shaping alone on 10 s of sound, as a
//                                share of the plain render's processor time
//                                (share_of_plain): the steadiest measure on a
//                                busy machine. width: the decorrelator; all:
//                                both cuts at 24 dB/octave, the pan and the
//                                width, every value moving.
//   GrainOptionsOverPlain/<option>  the same for the options that make
//                                grains differ in time, place and level,
//                                rendered from a score of one layer (the
//                                plain one too): timing_spread: 50 %;
//                                position: 30 % within a spread of 20 %;
//                                gain_spread: 12 dB; level_hold: a level range
//                                of 6 LU, the grains' levels held where they
//                                arise (the slow evening of the track, which
//                                the command line adds, is level_evening_bench's);
//                                level_hold_1lu: a range of 1 LU, which gives
//                                nearly every grain of the sample a gain of its
//                                own (the general kernel's cost).
//
//   build/bench/shaping_bench [--benchmark_repetitions=N] [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/io/wave_frame_sink.h"
#include "engine/io/wave_sound_source.h"
#include "engine/run/generation_run.h"
#include "engine/run/score_run.h"
#include "engine/score/one_layer_score.h"
#include "engine/parameters/parameter_table.h"
#include "engine/render/frame_spill.h"
#include "engine/shaping/layer_shaping.h"
#include "bench/quiet_host.h"
#include "bench/repeated_benchmark_main.h"

namespace {

double ProcessSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// A 10 s streamed render of the sample, its processor seconds; negative
// when it fails.
double RenderSeconds(const ParameterValues& values)
{
    QuietHost host;
    GenerationRun run(host);
    GenerationSettings settings;
    ApplyParameters(values, settings);
    settings.m_strInputPath = SONNELITH_SAMPLE_PATH;
    settings.m_strOutputPath = TemporaryFolder() + "/sonnelith-shaping-bench.wav";
    settings.m_nDurationSeconds = 10;
    run.SetSettings(settings);
    run.SetSynthesisOptions({AddKernel::Fastest, 1});
    run.SetRandomState(7);
    run.SetStreaming(StreamingOptions{});
    const double start = ProcessSeconds();
    const RunOutcome outcome = run.Run();
    const double seconds = ProcessSeconds() - start;
    std::remove(settings.m_strOutputPath.c_str());
    return outcome == RunOutcome::Completed() ? seconds : -1.0;
}

// The same render from a score of one layer, with its level range.
double ScoreRenderSeconds(const ParameterValues& values, std::optional<double> levelRange)
{
    QuietHost host;
    ScoreRun run(host);
    Score score = OneLayerScore(values, 10, SONNELITH_SAMPLE_PATH);
    score.m_levelRange = levelRange;
    SourceOpening opening = OpenWaveSource(SONNELITH_SAMPLE_PATH);
    if (!opening.m_pSource)
        return -1.0;
    const std::string output = TemporaryFolder() + "/sonnelith-grain-options-bench.wav";
    run.SetScore(score);
    run.SetSource(SONNELITH_SAMPLE_PATH, std::move(opening.m_pSource));
    run.SetSink(std::make_unique<WaveFrameSink>(), output);
    run.SetSynthesisOptions({AddKernel::Fastest, 1});
    run.SetRandomState(7);
    run.SetStreaming(StreamingOptions{});
    const double start = ProcessSeconds();
    const RunOutcome outcome = run.Run();
    const double seconds = ProcessSeconds() - start;
    std::remove(output.c_str());
    return outcome == RunOutcome::Completed() ? seconds : -1.0;
}

struct GrainOptions {
    ParameterValues m_values;
    std::optional<double> m_levelRange;
};

void BM_GrainOptionsOverPlain(benchmark::State& state, GrainOptions options)
{
    double plain = 0.0;
    double other = 0.0;
    for (auto _ : state) {
        plain = ScoreRenderSeconds(ParameterValues{}, std::nullopt);
        other = ScoreRenderSeconds(options.m_values, options.m_levelRange);
        if (plain < 0.0 || other < 0.0)
            state.SkipWithError("the run did not complete");
    }
    state.counters["plain_cpu_s"] = plain;
    state.counters["option_cpu_s"] = other;
    state.counters["option_over_plain"] = other / plain;
}

void BM_ShapingOverPlain(benchmark::State& state, ParameterValues shaped)
{
    double plain = 0.0;
    double other = 0.0;
    for (auto _ : state) {
        plain = RenderSeconds(ParameterValues{});
        other = RenderSeconds(shaped);
        if (plain < 0.0 || other < 0.0)
            state.SkipWithError("the run did not complete");
    }
    state.counters["plain_cpu_s"] = plain;
    state.counters["shaped_cpu_s"] = other;
    state.counters["shaped_over_plain"] = other / plain;
}

void BM_ShapingAlone(benchmark::State& state, ShapingPlan plan)
{
    std::vector<StereoFrame> sound(10 * kRunSampleRate);
    std::uint32_t random = 1;
    for (StereoFrame& frame : sound) {
        random = random * 1664525u + 1013904223u;
        frame.left = frame.right = static_cast<float>(random >> 8) / 16777216.0f - 0.5f;
    }
    double alone = 0.0;
    double plain = 0.0;
    for (auto _ : state) {
        plain = RenderSeconds(ParameterValues{});
        LayerShaping shaping(plan);
        const double start = ProcessSeconds();
        shaping.Process(sound, 0);
        alone = ProcessSeconds() - start;
        benchmark::DoNotOptimize(sound.data());
    }
    state.counters["shaping_cpu_s"] = alone;
    state.counters["share_of_plain"] = alone / plain;
}

ShapingPlan AlonePlan(bool everything)
{
    ShapingPlan plan;
    plan.m_bWidth = true;
    plan.m_bPan = plan.m_bHighCut = plan.m_bLowCut = everything;
    plan.m_nSlopeDb = 24;
    plan.m_valuesAt = [](std::uint64_t frame) {
        const double t = static_cast<double>(frame) / (10.0 * kRunSampleRate);
        return ShapingValues{.m_dPan = 80.0 * t - 40.0, .m_dWidth = 1.0 - 0.5 * t,
                             .m_dHighCutHz = 12000.0 - 9000.0 * t, .m_dLowCutHz = 50.0 + 150.0 * t};
    };
    return plan;
}

void RegisterBenchmarks()
{
    const ParameterValues cuts =
        ParameterValues().With(ParameterId::HighCut, 3000).With(ParameterId::ToneSlope, 24);
    const std::pair<const char*, ParameterValues> shapings[] = {
        {"pan", ParameterValues().With(ParameterId::Pan, 40)},
        {"high_cut", cuts},
        {"both_cuts", cuts.With(ParameterId::ToneLowCut, 200)},
        {"all", cuts.With(ParameterId::ToneLowCut, 200).With(ParameterId::Pan, 40)},
        {"width", ParameterValues().With(ParameterId::PanSpread, 100)},
    };
    for (const auto& [name, values] : shapings) {
        benchmark::RegisterBenchmark((std::string("ShapingOverPlain/") + name).c_str(), BM_ShapingOverPlain, values)
            ->Unit(benchmark::kSecond)
            ->UseRealTime()
            ->Iterations(1);
    }
    const std::pair<const char*, GrainOptions> grainOptions[] = {
        {"timing_spread", {ParameterValues().With(ParameterId::TimingSpread, 50), std::nullopt}},
        {"position",
         {ParameterValues().With(ParameterId::Position, 30).With(ParameterId::PositionSpread, 20), std::nullopt}},
        {"gain_spread", {ParameterValues().With(ParameterId::GainSpread, 12), std::nullopt}},
        {"level_hold", {ParameterValues{}, 6.0}},
        {"level_hold_1lu", {ParameterValues{}, 1.0}},
    };
    for (const auto& [name, options] : grainOptions) {
        benchmark::RegisterBenchmark((std::string("GrainOptionsOverPlain/") + name).c_str(), BM_GrainOptionsOverPlain,
                                     options)
            ->Unit(benchmark::kSecond)
            ->UseRealTime()
            ->Iterations(1);
    }
    for (const bool everything : {false, true}) {
        benchmark::RegisterBenchmark(everything ? "ShapingAlone/all" : "ShapingAlone/width", BM_ShapingAlone,
                                     AlonePlan(everything))
            ->Unit(benchmark::kSecond)
            ->UseRealTime()
            ->Iterations(1);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    return RunRepeatedBenchmarks(argc, argv, RegisterBenchmarks);
}
