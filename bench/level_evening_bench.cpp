// What level evening costs, as seconds per hour of sound:
//   - the survey (libebur128's K-weighting and a 100 ms block energy), on a
//     minute of noise handed over in the render's windows of 65536 frames;
//   - the gain asked for at every frame (GainAt), over the same minute;
//   - the plan, from the block energies of a whole hour.
// Compare with the render itself (tools/bench-cli.sh): an hour of the default
// sound takes minutes to synthesise.
//
// On the 2-vCPU AMD EPYC (Zen 5) build machine, December 2026, in processor
// time per hour of sound: survey 2.3 s, GainAt at every frame 0.57 s (3.6 ns
// a frame), plan 2.6 ms (60 ms for a day). The machine is shared: wall-clock
// times ran 2.5 to 3 times those.
//
//   build/bench/level_evening_bench [--benchmark_repetitions=N]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <span>
#include <vector>

#include "engine/finishing/evening/evening_planner.h"
#include "measurement/level_evening_plan.h"

namespace {

constexpr std::size_t kSecond = 44100;
constexpr double kMinute = 60.0;
constexpr std::size_t kWindowFrames = 65536;

// A minute of noise that swings between loud and quiet every 10 s.
const std::vector<StereoFrame>& Minute()
{
    static const std::vector<StereoFrame> minute = [] {
        std::mt19937 random(3);
        std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
        std::vector<StereoFrame> frames(60 * kSecond);
        for (std::size_t j = 0; j < frames.size(); ++j) {
            const float level = (j / (10 * kSecond)) % 2 == 0 ? 1.0f : 0.03f;
            frames[j] = {level * noise(random), level * noise(random)};
        }
        return frames;
    }();
    return minute;
}

void SurveyMinute(LevelEveningPlan& evening)
{
    const std::span<const StereoFrame> minute(Minute());
    for (std::size_t first = 0; first < minute.size(); first += kWindowFrames)
        evening.Survey(minute.subspan(first, std::min(kWindowFrames, minute.size() - first)), first);
}

// Seconds of work per hour of sound, from the seconds of sound each iteration covers.
benchmark::Counter PerHour(double soundSeconds)
{
    return benchmark::Counter(soundSeconds / 3600.0, benchmark::Counter::kIsIterationInvariantRate |
                                                          benchmark::Counter::kInvert);
}

void Survey(benchmark::State& state)
{
    for (auto _ : state) {
        LevelEveningPlan evening(6.0, false);
        SurveyMinute(evening);
        benchmark::DoNotOptimize(evening);
    }
    state.counters["s_per_hour"] = PerHour(kMinute);
}
BENCHMARK(Survey)->Unit(benchmark::kMillisecond);

void GainAtEveryFrame(benchmark::State& state)
{
    LevelEveningPlan evening(6.0, false);
    SurveyMinute(evening);
    evening.Plan(Minute().size(), 3 * kSecond);
    for (auto _ : state) {
        double sum = 0.0;
        for (std::size_t j = 0; j < Minute().size(); ++j)
            sum += evening.GainAt(j);
        benchmark::DoNotOptimize(sum);
    }
    state.counters["s_per_hour"] = PerHour(kMinute);
}
BENCHMARK(GainAtEveryFrame)->Unit(benchmark::kMillisecond);

// An hour of blocks swinging by 30 dB every 20 s, planned.
void PlanAnHour(benchmark::State& state)
{
    std::vector<float> hour(36000);
    for (std::size_t b = 0; b < hour.size(); ++b)
        hour[b] = (b / 200) % 2 == 0 ? 0.1f : 0.0001f;
    const CurvePlacement placement{hour.size() * CurvePlacement::kPointFrames, 0, false};
    for (auto _ : state) {
        EveningPlan plan = PlanEvening(hour, placement, 3 * kSecond, 6.0);
        benchmark::DoNotOptimize(plan);
    }
    state.counters["s_per_hour"] = PerHour(3600.0);
}
BENCHMARK(PlanAnHour)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
