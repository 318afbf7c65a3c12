// What the pictures and meters of sound cost, against the real time they
// follow (44100 frames a second, 86 spectrogram columns a second):
//   SpectrogramColumns/<window>  columns a second from noise, both channels
//                                transformed (kissfft), mapped to 256 log-
//                                frequency rows; rt_ is the multiple of real
//                                time at the default step of 512 frames.
//   OverviewBuild                a minute of noise summarised, as frames a
//                                second and a multiple of real time.
//   OverviewDraw/<hours>         1920 columns over the whole of an overview of
//                                that many hours (built once, outside the
//                                timing), and 1920 over one minute in its
//                                middle: the cost of a redraw at any zoom.
//   PeakMeter, ShortTermLoudness frames a second and multiples of real time.
//
//   build/bench/sound_pictures_bench [--benchmark_repetitions=N]
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "analysis/peak_meter.h"
#include "analysis/short_term_loudness.h"
#include "analysis/spectrogram.h"
#include "analysis/waveform_overview.h"

namespace {

constexpr std::size_t kSecond = 44100;

const std::vector<StereoFrame>& MinuteOfNoise()
{
    static const std::vector<StereoFrame> minute = [] {
        std::mt19937 random(3);
        std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
        std::vector<StereoFrame> frames(60 * kSecond);
        for (StereoFrame& frame : frames)
            frame = {noise(random), noise(random)};
        return frames;
    }();
    return minute;
}

// Hands the minute over in stretches of 4096 frames, as a render would.
template <typename Observer>
void FeedMinute(Observer& observer)
{
    const std::vector<StereoFrame>& minute = MinuteOfNoise();
    for (std::size_t first = 0; first < minute.size(); first += 4096)
        observer.OnStretch(minute.data() + first, std::min<std::size_t>(4096, minute.size() - first));
}

void RealTimeCounters(benchmark::State& state, double framesPerIteration)
{
    state.counters["frames_per_s"] =
        benchmark::Counter(framesPerIteration, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["rt_"] = benchmark::Counter(framesPerIteration / kSecond, benchmark::Counter::kIsIterationInvariantRate);
}

void SpectrogramColumns(benchmark::State& state)
{
    SpectrogramSettings settings;
    settings.m_nWindowFrames = static_cast<std::size_t>(state.range(0));
    Spectrogram spectrogram(settings);
    std::uint64_t columns = 0;
    for (auto _ : state) {
        spectrogram.Reset();
        FeedMinute(spectrogram);
        columns += spectrogram.GetColumnCount();
    }
    benchmark::DoNotOptimize(spectrogram.GetColumn(0).data());
    state.counters["columns_per_s"] = benchmark::Counter(static_cast<double>(columns), benchmark::Counter::kIsRate);
    // Real time asks for one column per step of 512 frames.
    state.counters["rt_"] = benchmark::Counter(static_cast<double>(columns) * 512.0 / kSecond, benchmark::Counter::kIsRate);
}
BENCHMARK(SpectrogramColumns)->Arg(1024)->Arg(2048)->Arg(4096)->Unit(benchmark::kMillisecond);

void OverviewBuild(benchmark::State& state)
{
    for (auto _ : state) {
        WaveformOverview overview;
        FeedMinute(overview);
        benchmark::DoNotOptimize(overview.GetFrameCount());
    }
    RealTimeCounters(state, static_cast<double>(MinuteOfNoise().size()));
}
BENCHMARK(OverviewBuild)->Unit(benchmark::kMillisecond);

void OverviewDraw(benchmark::State& state)
{
    // Hours of sound made from the minute over and over: the overview's cost
    // to draw depends on its pyramid, not on what the frames hold.
    WaveformOverviewSettings settings;
    const auto frames = static_cast<std::uint64_t>(state.range(0)) * 3600 * kSecond;
    settings.m_nExpectedFrames = frames;
    WaveformOverview overview(settings);
    for (std::uint64_t fed = 0; fed < frames; fed += MinuteOfNoise().size())
        overview.OnStretch(MinuteOfNoise().data(), MinuteOfNoise().size());
    std::vector<WaveColumn> columns(1920);
    for (auto _ : state) {
        overview.Summarize(0, frames, columns);
        overview.Summarize(frames / 2, 60 * kSecond, columns);
        benchmark::DoNotOptimize(columns.data());
    }
    state.counters["block_frames"] = static_cast<double>(overview.GetBlockFrames());
}
BENCHMARK(OverviewDraw)->Arg(1)->Arg(24)->Unit(benchmark::kMicrosecond);

void PeakMeterFrames(benchmark::State& state)
{
    PeakMeter meter;
    for (auto _ : state)
        FeedMinute(meter);
    benchmark::DoNotOptimize(meter.GetLevel(0));
    RealTimeCounters(state, static_cast<double>(MinuteOfNoise().size()));
}
BENCHMARK(PeakMeterFrames)->Unit(benchmark::kMillisecond);

void ShortTermLoudnessFrames(benchmark::State& state)
{
    ShortTermLoudness meter;
    for (auto _ : state)
        FeedMinute(meter);
    benchmark::DoNotOptimize(meter.GetLoudness());
    RealTimeCounters(state, static_cast<double>(MinuteOfNoise().size()));
}
BENCHMARK(ShortTermLoudnessFrames)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
