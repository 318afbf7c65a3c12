// How fast a render gets to a time of its track: the fast skip of one layer's
// grain schedule, as grains skipped per second on one thread, for a layer
// whose settings hold (density 10000, 50 ms grains, segments of 6 s), one
// with 10,000 keyframes over a day moving its density and scanning range, and
// one whose density and scanning range drift with a period of a second.
// Short skips are all walked grain by grain (the runs of the walk); long ones
// hop. Then the time to the state a render needs at 1, 6 and 24 hours (ten
// seconds before the end) into a day-long score of those three layers,
// skipped from the start and from a seek index, with the index's size and
// the time its pass took.
//
//   build/bench/seek_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>

#include "engine/automation/parameter_timeline.h"
#include "engine/automation/timeline_grain_settings.h"
#include "engine/seek/cancel_poll.h"
#include "engine/seek/schedule_skip.h"
#include "engine/seek/seek_index.h"
#include "engine/seek/seek_plan.h"
#include "engine/base/stereo_frame.h"
#include "engine/scheduling/grain_scheduler.h"
#include "engine/scheduling/parameter_grain_settings.h"

namespace {

constexpr std::int32_t kDaySeconds = 24 * 3600;
constexpr std::uint64_t kSourceFrames = 7 * kRunSampleRate;

enum class Layer { Steady, Keyframes, Drift };

ScoreLayer LayerOf(Layer kind)
{
    ScoreLayer layer;
    layer.m_values.Set(ParameterId::Density, 10000);
    layer.m_values.Set(ParameterId::GrainLength, 50);
    if (kind == Layer::Keyframes) {
        std::mt19937 random(5);
        for (int i = 0; i < 10000; ++i) {
            Keyframe keyframe;
            keyframe.m_dSeconds = (i + 1) * 8.6;
            keyframe.m_values[ParameterId::Density] = 9000 + 50 * static_cast<int>(random() % 21);
            keyframe.m_values[ParameterId::ScanRange] = 1 + static_cast<int>(random() % 100);
            layer.m_keyframes.push_back(keyframe);
        }
    } else if (kind == Layer::Drift) {
        layer.m_drift[ParameterId::ScanRange] = Drift{20.0, 1.0};
        layer.m_drift[ParameterId::Density] = Drift{500.0, 1.0};
    }
    return layer;
}

// One layer's schedule over a day, begun.
struct DaySchedule {
    explicit DaySchedule(Layer kind)
        : m_timeline(LayerOf(kind), kDaySeconds, 1234, 0, false), m_settings(m_timeline, 0.5, 0)
    {
        m_scheduler.SetSettings(GrainSettingsOfValues(m_timeline.At(0.0).m_values, 0.5));
        if (kind != Layer::Steady)
            m_scheduler.SetSettingsSource(&m_settings);
        m_scheduler.SetRandomState(1234);
        m_scheduler.Begin(kSourceFrames, static_cast<std::uint64_t>(kDaySeconds) * kRunSampleRate);
    }

    ParameterTimeline m_timeline;
    TimelineGrainSettings m_settings;
    GrainScheduler m_scheduler;
};

void SkipRate(benchmark::State& state, Layer kind)
{
    const auto frames = static_cast<std::uint64_t>(state.range(0)) * kRunSampleRate;
    DaySchedule day(kind);
    const ScheduleState start = day.m_scheduler.Capture();
    std::int64_t grains = 0;
    for (auto _ : state) {
        day.m_scheduler.Restore(start);
        CancelPoll poll;
        SkipScheduleBefore(day.m_scheduler, frames, poll);
        grains += day.m_scheduler.NextGrain().m_nIndex;
    }
    state.SetItemsProcessed(grains);
}

void BM_SkipSteadyLayer(benchmark::State& state)
{
    SkipRate(state, Layer::Steady);
}
void BM_SkipKeyframedLayer(benchmark::State& state)
{
    SkipRate(state, Layer::Keyframes);
}
void BM_SkipDriftingLayer(benchmark::State& state)
{
    SkipRate(state, Layer::Drift);
}

// A day-long score of the three layers.
SeekPlan DayPlan()
{
    SeekPlan plan;
    plan.m_nRenderFrames = static_cast<std::uint64_t>(kDaySeconds) * kRunSampleRate;
    for (const Layer kind : {Layer::Steady, Layer::Keyframes, Layer::Drift}) {
        auto timeline = std::make_shared<const ParameterTimeline>(LayerOf(kind), kDaySeconds, 1234,
                                                                  static_cast<int>(plan.m_layers.size()), false);
        LayerSchedulePlan layer;
        layer.m_settings = GrainSettingsOfValues(timeline->At(0.0).m_values, 0.5);
        if (kind != Layer::Steady)
            layer.m_pTimeline = timeline;
        layer.m_dVolume = 0.5;
        layer.m_nSourceFrames = kSourceFrames;
        layer.m_nSeed = 1234 + static_cast<std::uint32_t>(plan.m_layers.size());
        plan.m_layers.push_back(layer);
    }
    return plan;
}

struct DayIndex {
    SeekPlan m_plan = DayPlan();
    SeekIndex m_index;
    double m_dBuildSeconds = 0.0;
};

const DayIndex& BuiltDayIndex()
{
    static const DayIndex built = [] {
        DayIndex day;
        const auto start = std::chrono::steady_clock::now();
        day.m_index.Build(day.m_plan);
        day.m_dBuildSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return day;
    }();
    return built;
}

// The frame range(0) seconds into the day, ten seconds before its end for
// the whole day.
std::uint64_t SeekFrame(const benchmark::State& state)
{
    const std::int64_t seconds = std::min<std::int64_t>(state.range(0), kDaySeconds - 10);
    return static_cast<std::uint64_t>(seconds) * kRunSampleRate;
}

void BM_SeekWithoutIndex(benchmark::State& state)
{
    const SeekPlan plan = DayPlan();
    const std::uint64_t frame = SeekFrame(state);
    for (auto _ : state) {
        CancelPoll poll;
        benchmark::DoNotOptimize(SeekStateAt(plan, frame, poll));
    }
}

void BM_SeekWithIndex(benchmark::State& state)
{
    const DayIndex& day = BuiltDayIndex();
    const std::uint64_t frame = SeekFrame(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(day.m_index.StateAt(frame));
    state.counters["index_MiB"] = static_cast<double>(day.m_index.GetBytes()) / (1 << 20);
    state.counters["build_s"] = day.m_dBuildSeconds;
}

}  // namespace

BENCHMARK(BM_SkipSteadyLayer)->Arg(5)->Arg(60)->Arg(3600)->Arg(kDaySeconds)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SkipKeyframedLayer)->Arg(5)->Arg(60)->Arg(3600)->Arg(kDaySeconds)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SkipDriftingLayer)->Arg(5)->Arg(60)->Arg(3600)->Arg(kDaySeconds)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_SeekWithoutIndex)->Arg(3600)->Arg(6 * 3600)->Arg(kDaySeconds)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SeekWithIndex)->Arg(3600)->Arg(6 * 3600)->Arg(kDaySeconds)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
