// The grain loop with the reference kernel and with the fast ones, on the same
// source, settings and generator state, at the panel's start values (4000
// grains of 800 ms per second) and at the densest ones (10000 of 2000 ms).
//
//   GrainLoopThreads/<setting>   one iteration runs the reference kernel, the
//                                fastest kernel on 1 thread and on 2 threads
//                                (and on every core, where there are more),
//                                back to back, and reports each one's stereo
//                                frame multiply-adds per second and the ratios
//                                between them: the ratios come from runs a
//                                second apart, so a change in the machine's
//                                load between benchmarks does not enter them.
//   GrainLoopKernels/<setting>   the same for every batch kernel on 1 thread.
//   GrainLoopPerCore/defaults    the fastest kernel on 1 thread, held on each
//                                core in turn: on a virtual machine the cores
//                                need not be equally fast (the host may share
//                                one with other guests), which bounds what a
//                                second thread can add.
//   KernelInCache/<kernel>       each kernel alone on one tile of frames that
//                                stays in the nearest cache, timed by the
//                                thread's processor time, so that waiting for a
//                                core shared with other work does not count:
//                                the most a grain loop built on it can reach.
//
// Every fast output is compared with the reference's, bit for bit. The grain
// loops also report cpu_per_wall: the processor time of all the program's
// threads over the wall time, near the thread count when every thread works
// all along, lower when threads wait (for each other or for a core). And
// since other programs on a shared machine take cores away at any moment,
// each loop's speed is also given per processor second: Gcpu_ = thread count
// × multiply-adds / processor time of all threads, the speed the loop would
// have with its cores to itself (time spent waiting for the other thread
// while awake counts against it, time spent waiting for a core does not), and
// the ratios between those as xcpu_ counters.
//
// The machine is often shared: run with repetitions and read the medians
// (the default is 5 repetitions; a summary of the medians follows).
//
//   build/bench/grain_synthesis_bench [--benchmark_repetitions=N] [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/run/generation_settings.h"
#include "engine/parameters/parameter_table.h"
#include "engine/synthesis/kernels/add_kernel.h"
#include "engine/source/octave_levels.h"
#include "engine/source/spline_terms.h"
#include "engine/synthesis/kernels/general_kernel.h"
#include "engine/synthesis/grain_synthesizer.h"

namespace {

struct Setting {
    const char* m_szName;
    int m_nDensity;
    int m_nGrainMs;
    int m_nSeconds;  // output length
};

// Long enough that starting the threads and the tables is a small part of a
// loop; the densest loop does six times the work of the defaults per second.
constexpr Setting kSettings[] = {{"defaults", 4000, 800, 10}, {"densest", 10000, 2000, 4}};

// Seven seconds of 16-bit noise, about the length of the bundled sample.
const std::vector<StereoFrame>& Source()
{
    static const std::vector<StereoFrame> source = [] {
        std::mt19937 random(1);
        std::uniform_int_distribution<int> sample(-32768, 32767);
        std::vector<StereoFrame> frames(7 * kRunSampleRate);
        for (StereoFrame& frame : frames)
            frame = {static_cast<float>(sample(random) / 32767.0), static_cast<float>(sample(random) / 32767.0)};
        return frames;
    }();
    return source;
}

GenerationSettings MakeSettings(const Setting& setting)
{
    ParameterValues panel;
    panel.Set(ParameterId::Density, setting.m_nDensity);
    panel.Set(ParameterId::GrainLength, setting.m_nGrainMs);
    GenerationSettings settings;
    settings.m_nDurationSeconds = setting.m_nSeconds;
    ApplyParameters(panel, settings);
    return settings;
}

// Stereo frame multiply-adds of one grain loop: every grain's frames that fit
// in the output, the grains starting as the loop starts them.
double MultiplyAdds(const GenerationSettings& settings)
{
    const double outputFrames = static_cast<double>(settings.m_nDurationSeconds) * kRunSampleRate;
    const double step = static_cast<double>(kRunSampleRate) / settings.m_nGrainsPerSecond;
    double total = 0.0;
    double start = 0.0;
    for (std::int64_t k = 0; start < outputFrames; ++k) {
        total += std::min<double>(settings.m_nGrainFrames, outputFrames - start);
        start = std::trunc(static_cast<double>(k) * step);
    }
    return total;
}

double ProcessSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

double WallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct LoopRun {
    std::vector<StereoFrame> m_output;
    double m_dWall = 0.0;
    double m_dProcessor = 0.0;  // all threads
};

// The grain loop as a run drives it: batches of grains up to each 1000th,
// each added into the whole output; timed from Begin (tables and threads)
// to End.
LoopRun Synthesize(const GenerationSettings& settings, const SynthesisOptions& options)
{
    LoopRun run;
    run.m_output.assign(static_cast<std::size_t>(settings.m_nDurationSeconds) * kRunSampleRate,
                        StereoFrame{0.0f, 0.0f});
    GrainSynthesizer synthesizer;
    synthesizer.SetSettings(GrainSettingsOf(settings));
    synthesizer.SetOptions(options);
    synthesizer.SetRandomState(12345);
    const double wall = WallSeconds();
    const double processor = ProcessSeconds();
    if (synthesizer.Begin(Source(), run.m_output.size()) != GrainSynthesizer::Start::Ready)
        return {};
    for (std::int32_t last = 0; !synthesizer.IsComplete(); last += 1000) {
        synthesizer.PlaceGrainsThrough(last);
        synthesizer.AddPlacedGrains({run.m_output.data(), 0, run.m_output.size()});
    }
    synthesizer.End();
    run.m_dWall = WallSeconds() - wall;
    run.m_dProcessor = ProcessSeconds() - processor;
    return run;
}

bool SameBits(const std::vector<StereoFrame>& a, const std::vector<StereoFrame>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(StereoFrame)) == 0;
}

struct Variant {
    std::string m_strName;
    SynthesisOptions m_options;
};

// Runs every variant once per iteration, in turn. Counters: G and Gcpu (10^9
// multiply-adds per second of wall time and per processor second and thread)
// and cpu_per_wall of each; for each ratio (a, b), x_ and xcpu_ = the speed of
// variant b over variant a's.
void BM_Variants(benchmark::State& state, Setting setting, std::vector<Variant> variants,
                 std::vector<std::pair<std::string, std::pair<int, int>>> ratios)
{
    const GenerationSettings settings = MakeSettings(setting);
    const double madds = MultiplyAdds(settings);
    std::vector<double> wall(variants.size());
    std::vector<double> perWall(variants.size());
    std::vector<double> perThreadProcessor(variants.size());
    for (auto _ : state) {
        std::vector<StereoFrame> reference;
        for (std::size_t v = 0; v < variants.size(); ++v) {
            const LoopRun run = Synthesize(settings, variants[v].m_options);
            if (v == 0)
                reference = run.m_output;
            else if (!SameBits(run.m_output, reference))
                state.SkipWithError((variants[v].m_strName + ": output differs from " + variants[0].m_strName).c_str());
            wall[v] = run.m_dWall;
            perWall[v] = run.m_dProcessor / run.m_dWall;
            perThreadProcessor[v] = run.m_dProcessor / ResolveThreadCount(variants[v].m_options);
        }
    }
    for (std::size_t v = 0; v < variants.size(); ++v) {
        state.counters["G_" + variants[v].m_strName] = madds / wall[v] / 1e9;
        state.counters["Gcpu_" + variants[v].m_strName] = madds / perThreadProcessor[v] / 1e9;
        state.counters["cpu_per_wall_" + variants[v].m_strName] = perWall[v];
    }
    for (const auto& [name, pair] : ratios) {
        const auto [from, to] = std::pair<std::size_t, std::size_t>(pair.first, pair.second);
        state.counters["x_" + name] = wall[from] / wall[to];
        state.counters["xcpu_" + name] = perThreadProcessor[from] / perThreadProcessor[to];
    }
}

// Runs the fastest kernel on one thread held on each core in turn.
// Counters: G and Gcpu per core, and the fastest core's speed over the
// slowest's.
void BM_PerCore(benchmark::State& state, Setting setting)
{
    const GenerationSettings settings = MakeSettings(setting);
    const double madds = MultiplyAdds(settings);
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (pthread_getaffinity_np(pthread_self(), sizeof allowed, &allowed) != 0) {
        state.SkipWithError("cannot read which cores this thread may use");
        return;
    }
    std::map<int, LoopRun> runs;
    for (auto _ : state) {
        for (int core = 0; core < CPU_SETSIZE; ++core) {
            if (!CPU_ISSET(core, &allowed))
                continue;
            cpu_set_t one;
            CPU_ZERO(&one);
            CPU_SET(core, &one);
            if (pthread_setaffinity_np(pthread_self(), sizeof one, &one) == 0)
                runs[core] = Synthesize(settings, {AddKernel::Fastest, 1});
        }
        pthread_setaffinity_np(pthread_self(), sizeof allowed, &allowed);
    }
    double fastest = 0.0;
    double slowest = 1e300;
    for (const auto& [core, run] : runs) {
        state.counters["G_core" + std::to_string(core)] = madds / run.m_dWall / 1e9;
        state.counters["Gcpu_core" + std::to_string(core)] = madds / run.m_dProcessor / 1e9;
        fastest = std::max(fastest, madds / run.m_dProcessor);
        slowest = std::min(slowest, madds / run.m_dProcessor);
    }
    state.counters["xcpu_fastest_vs_slowest_core"] = fastest / slowest;
}

// The kernels alone on one tile's worth of frames that stay in the nearest
// cache. Timed by the thread's processor time (the benchmark library's own
// measure when no real time is asked for).
constexpr std::int32_t kCachedFrames = 512;

void BM_KernelInCache(benchmark::State& state, AddKernel kernel)
{
    std::vector<StereoFrame> output(kCachedFrames, StereoFrame{0.25f, -0.25f});
    const std::vector<StereoFrame> source(Source().begin(), Source().begin() + kCachedFrames);
    std::vector<float> window(kCachedFrames, 0.5f);
    std::vector<double> pairWeights(2 * kCachedFrames, 0.5 * 0.5f);
    const AddKernelFunction add = kernel == AddKernel::Reference ? nullptr : BatchKernelFunction(kernel);
    for (auto _ : state) {
        if (add == nullptr)
            AddKernelReference(output.data(), source.data(), window.data(), 0.5f, kCachedFrames);
        else
            add(output.data(), source.data(), pairWeights.data(), kCachedFrames);
        benchmark::ClobberMemory();
    }
    state.counters["frame_madds_per_s"] =
        benchmark::Counter(static_cast<double>(kCachedFrames) * state.iterations(), benchmark::Counter::kIsRate);
}

// The general kernel on the same tile, for grains read at whole frames (placed
// or reversed), and transposed grains read between frames (at 0.7 of a frame
// per output frame, as an octave level leaves them), against the plain kernel
// above.
void BM_GeneralKernelInCache(benchmark::State& state, AddKernel kernel, double increment, bool terms)
{
    static const OctaveLevels levels(Source());
    static const SplineTerms splineTerms = [] {
        SplineTerms built;
        built.Build(levels, std::uint64_t{1} << 30, SystemAllocate);
        return built;
    }();
    std::vector<StereoFrame> output(kCachedFrames, StereoFrame{0.25f, -0.25f});
    const std::vector<float> window(kCachedFrames, 0.5f);
    GeneralGrain grain;
    grain.m_pSource = Source().data();
    grain.m_nSourceFrames = static_cast<std::int64_t>(Source().size());
    grain.m_dFirstRead = 1000.0;
    grain.m_dIncrement = increment;
    grain.m_fGainLeft = 0.7f;
    grain.m_fGainRight = 0.3f;
    grain.m_pWindow = window.data();
    grain.m_bWholeFrames = increment == 1.0;
    for (int which = 0; terms && which < 3; ++which)
        grain.m_pTerms[which] = splineTerms.Terms(0, which);
    const GeneralKernelFunction add = GeneralKernelOfVectorUnit(kernel);
    for (auto _ : state) {
        add(output.data(), grain, 0, kCachedFrames);
        benchmark::ClobberMemory();
    }
    state.counters["frame_madds_per_s"] =
        benchmark::Counter(static_cast<double>(kCachedFrames) * state.iterations(), benchmark::Counter::kIsRate);
}

std::string KernelName(AddKernel kernel)
{
    return AddKernelName(kernel);
}

void RegisterBenchmarks()
{
    for (const AddKernel kernel : {AddKernel::Reference, AddKernel::Portable, AddKernel::Avx2, AddKernel::Avx512}) {
        if (kernel == AddKernel::Reference || IsAddKernelSupported(kernel))
            benchmark::RegisterBenchmark(("KernelInCache/" + KernelName(kernel)).c_str(), BM_KernelInCache, kernel);
    }
    for (const AddKernel kernel : SupportedBatchKernels()) {
        const std::string name = KernelName(kernel);
        benchmark::RegisterBenchmark(("GeneralKernelInCache/" + name + "/whole_frames").c_str(),
                                     BM_GeneralKernelInCache, kernel, 1.0, false);
        benchmark::RegisterBenchmark(("GeneralKernelInCache/" + name + "/spline").c_str(), BM_GeneralKernelInCache,
                                     kernel, 0.7, false);
        benchmark::RegisterBenchmark(("GeneralKernelInCache/" + name + "/spline_from_terms").c_str(),
                                     BM_GeneralKernelInCache, kernel, 0.7, true);
    }
    const std::string fastest = KernelName(AddKernel::Fastest);
    for (const Setting& setting : kSettings) {
        std::vector<Variant> threads = {{"reference", {AddKernel::Reference, 1}},
                                        {fastest + "_1_thread", {AddKernel::Fastest, 1}},
                                        {fastest + "_2_threads", {AddKernel::Fastest, 2}}};
        std::vector<std::pair<std::string, std::pair<int, int>>> ratios = {
            {"1_thread_vs_reference", {0, 1}}, {"2_threads_vs_reference", {0, 2}}, {"scaling_2_vs_1", {1, 2}}};
        if (DefaultThreadCount() > 2) {
            const int cores = DefaultThreadCount();
            threads.push_back({fastest + "_" + std::to_string(cores) + "_threads", {AddKernel::Fastest, cores}});
            ratios.push_back({"scaling_" + std::to_string(cores) + "_vs_1", {1, 3}});
        }
        benchmark::RegisterBenchmark((std::string("GrainLoopThreads/") + setting.m_szName).c_str(), BM_Variants,
                                     setting, threads, ratios)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(1);

        if (setting.m_szName == std::string("defaults")) {
            benchmark::RegisterBenchmark("GrainLoopPerCore/defaults", BM_PerCore, setting)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->Iterations(1);
        }

        std::vector<Variant> kernels = {{"reference", {AddKernel::Reference, 1}}};
        std::vector<std::pair<std::string, std::pair<int, int>>> kernelRatios;
        for (const AddKernel kernel : SupportedBatchKernels()) {
            kernels.push_back({KernelName(kernel), {kernel, 1}});
            kernelRatios.push_back({KernelName(kernel) + "_vs_reference", {0, static_cast<int>(kernels.size() - 1)}});
        }
        benchmark::RegisterBenchmark((std::string("GrainLoopKernels/") + setting.m_szName).c_str(), BM_Variants,
                                     setting, kernels, kernelRatios)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(1);
    }
}

// Keeps the median of each benchmark's counters and prints them together
// after all benchmarks.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (median || single)
                m_medians[run.run_name.function_name] = run.counters;
        }
    }

    void PrintSummary() const
    {
        std::printf("\nMedians (G = 10^9 stereo frame multiply-adds per second; x = speed over the other):\n");
        for (const auto& [name, counters] : m_medians) {
            std::printf("  %s\n", name.c_str());
            for (const auto& [counter, value] : counters) {
                const double shown = counter == "frame_madds_per_s" ? value.value / 1e9 : value.value;
                std::printf("    %-36s %8.2f\n", counter == "frame_madds_per_s" ? "G" : counter.c_str(), shown);
            }
        }
        std::printf("  auto chooses: %s\n", AddKernelName(AddKernel::Fastest));
    }

private:
    std::map<std::string, benchmark::UserCounters> m_medians;
};

}  // namespace

int main(int argc, char** argv)
{
    // Five repetitions unless the command line says otherwise.
    std::vector<char*> arguments(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=5";
    arguments.insert(arguments.begin() + 1, repetitions.data());
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data()))
        return 1;
    RegisterBenchmarks();
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
