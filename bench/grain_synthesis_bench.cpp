// The grain loop with the reference kernel and with the fast one, on the same
// source, settings and generator state, at the panel's start values (4000
// grains of 800 ms per second) and at the densest ones (10000 of 2000 ms).
// Each benchmark reports stereo frame multiply-adds per second; after all of
// them the ratios to the reference are printed, from the fastest repetition
// of each (the one least disturbed by anything else on the machine). The
// kernels are also timed alone on data that stays in the nearest cache, and
// the fast kernel once more as a streaming render drives it: windows of the
// output one after the other, each after placing the grains that reach it.
//
//   build/bench/grain_synthesis_bench [--benchmark_repetitions=N] [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "engine/panel_settings.h"
#include "engine/synthesis/add_kernel.h"
#include "engine/synthesis/grain_synthesizer.h"

namespace {

struct Setting {
    const char* m_szName;
    int m_nDensity;
    int m_nGrainMs;
    int m_nSeconds;  // output length
};

constexpr Setting kSettings[] = {{"defaults", 4000, 800, 4}, {"densest", 10000, 2000, 4}};

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
    PanelValues panel;
    panel.m_nDensity = setting.m_nDensity;
    panel.m_nGrainLength = setting.m_nGrainMs;
    GenerationSettings settings;
    settings.m_nDurationSeconds = setting.m_nSeconds;
    FillSettings(panel, settings);
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

GrainSettings GrainSettingsOf(const GenerationSettings& settings)
{
    GrainSettings grains;
    grains.m_nGrainsPerSecond = settings.m_nGrainsPerSecond;
    grains.m_nGrainFrames = settings.m_nGrainFrames;
    grains.m_nScanFrames = settings.m_nScanFrames;
    grains.m_nSegmentGrains = settings.m_nSegmentGrains;
    grains.m_dVolume = settings.m_dVolume;
    return grains;
}

// A streaming render hands over this many output frames at a time.
constexpr std::uint64_t kStreamWindowFrames = 16384;

// The grain loop as a run drives it: batches of grains up to each 1000th,
// each added into the whole output; or, streamed, windows of the output one
// after the other.
std::vector<StereoFrame> Synthesize(const GenerationSettings& settings, const SynthesisOptions& options,
                                    bool streamed = false)
{
    GrainSynthesizer synthesizer;
    synthesizer.SetSettings(GrainSettingsOf(settings));
    synthesizer.SetOptions(options);
    synthesizer.SetRandomState(12345);
    std::vector<StereoFrame> output(static_cast<std::size_t>(settings.m_nDurationSeconds) * kRunSampleRate,
                                    StereoFrame{0.0f, 0.0f});
    if (synthesizer.Begin(Source(), output.size()) != GrainSynthesizer::Start::Ready)
        return {};
    if (streamed) {
        for (std::uint64_t first = 0; first < output.size(); first += kStreamWindowFrames) {
            const std::uint64_t count = std::min<std::uint64_t>(kStreamWindowFrames, output.size() - first);
            synthesizer.PlaceGrainsBefore(first + count);
            synthesizer.AddPlacedGrains({output.data() + first, first, count});
        }
        return output;
    }
    for (std::int32_t last = 0; !synthesizer.IsComplete(); last += 1000) {
        synthesizer.PlaceGrainsThrough(last);
        synthesizer.AddPlacedGrains({output.data(), 0, output.size()});
    }
    return output;
}

// Each setting's reference output, to check the fast kernel against.
std::map<std::string, std::vector<StereoFrame>> g_referenceOutputs;

bool SameBits(const std::vector<StereoFrame>& a, const std::vector<StereoFrame>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(StereoFrame)) == 0;
}

void BM_GrainLoop(benchmark::State& state, Setting setting, SynthesisOptions options, bool streamed)
{
    const GenerationSettings settings = MakeSettings(setting);
    std::vector<StereoFrame> output;
    for (auto _ : state)
        output = Synthesize(settings, options, streamed);
    std::vector<StereoFrame>& reference = g_referenceOutputs[setting.m_szName];
    if (reference.empty())
        reference = options.m_kernel == AddKernel::Reference ? output
                                                              : Synthesize(settings, {AddKernel::Reference, 1});
    if (!SameBits(output, reference))
        state.SkipWithError("the output differs from the reference kernel's");
    state.counters["frame_madds_per_s"] = benchmark::Counter(MultiplyAdds(settings) * state.iterations(),
                                                             benchmark::Counter::kIsRate);
}

// The kernels alone on one tile's worth of frames that stay in the nearest
// cache: the most any grain loop built on them can reach on one core.
constexpr std::int32_t kCachedFrames = 512;

void BM_KernelInCache(benchmark::State& state, AddKernel kernel, bool reference)
{
    std::vector<StereoFrame> output(kCachedFrames, StereoFrame{0.25f, -0.25f});
    const std::vector<StereoFrame> source(Source().begin(), Source().begin() + kCachedFrames);
    std::vector<float> window(kCachedFrames, 0.5f);
    std::vector<double> pairWeights(2 * kCachedFrames, 0.5 * 0.5f);
    const AddKernelFunction add = BatchKernelFunction(kernel);
    for (auto _ : state) {
        if (reference)
            AddKernelReference(output.data(), source.data(), window.data(), 0.5f, kCachedFrames);
        else
            add(output.data(), source.data(), pairWeights.data(), kCachedFrames);
        benchmark::ClobberMemory();
    }
    state.counters["frame_madds_per_s"] =
        benchmark::Counter(static_cast<double>(kCachedFrames) * state.iterations(), benchmark::Counter::kIsRate);
}

// Remembers the fastest repetition of every benchmark, then prints each fast
// kernel's ratio to the reference of the same setting.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            const auto iterations = static_cast<double>(run.iterations);
            const Times times{run.real_accumulated_time / iterations, run.cpu_accumulated_time / iterations};
            auto [at, inserted] = m_fastest.try_emplace(run.run_name.function_name, times);
            if (!inserted) {
                at->second.m_dReal = std::min(at->second.m_dReal, times.m_dReal);
                at->second.m_dCpu = std::min(at->second.m_dCpu, times.m_dCpu);
            }
        }
    }

    // Wall-clock ratios are what a user waits; on a machine busy with other
    // work, the processor-time ratios of one-thread runs show the kernels
    // themselves (a thread that waits for a core is not charged).
    void PrintRatios() const
    {
        std::printf("\nSpeed against the reference kernel, fastest repetition of each"
                    " (wall clock; processor time in brackets for one thread):\n");
        const auto cachedReference = m_fastest.find("KernelInCache/reference");
        for (const auto& [name, times] : m_fastest) {
            if (cachedReference == m_fastest.end() || name.rfind("KernelInCache/", 0) != 0)
                continue;
            std::printf("  %-36s %6.2f G multiply-adds/s  x%.2f\n", name.c_str(),
                        kCachedFrames / times.m_dReal / 1e9, cachedReference->second.m_dReal / times.m_dReal);
        }
        for (const Setting& setting : kSettings) {
            const std::string prefix = std::string("GrainLoop/") + setting.m_szName + "/";
            const auto reference = m_fastest.find(prefix + "reference");
            if (reference == m_fastest.end())
                continue;
            const double madds = MultiplyAdds(MakeSettings(setting));
            for (const auto& [name, times] : m_fastest) {
                if (name.rfind(prefix, 0) != 0)
                    continue;
                std::printf("  %-36s %6.3f s  %6.2f G multiply-adds/s  x%.2f", name.c_str(), times.m_dReal,
                            madds / times.m_dReal / 1e9, reference->second.m_dReal / times.m_dReal);
                if (name.find("_threads") == std::string::npos)
                    std::printf("  (x%.2f)", reference->second.m_dCpu / times.m_dCpu);
                std::printf("\n");
            }
        }
    }

private:
    struct Times {
        double m_dReal;
        double m_dCpu;
    };
    std::map<std::string, Times> m_fastest;
};

void RegisterBenchmarks()
{
    benchmark::RegisterBenchmark("KernelInCache/reference", BM_KernelInCache, AddKernel::Portable, true);
    for (const AddKernel kernel : SupportedBatchKernels()) {
        benchmark::RegisterBenchmark((std::string("KernelInCache/") + AddKernelName(kernel)).c_str(),
                                     BM_KernelInCache, kernel, false);
    }
    const int cores = DefaultThreadCount();
    for (const Setting& setting : kSettings) {
        const std::string prefix = std::string("GrainLoop/") + setting.m_szName + "/";
        const std::string fastest = AddKernelName(AddKernel::Fastest);
        std::vector<std::tuple<std::string, SynthesisOptions, bool>> variants = {
            {"reference", {AddKernel::Reference, 1}, false},
            {fastest + "_1_thread", {AddKernel::Fastest, 1}, false},
        };
        int threads = 2;
        for (; threads <= std::max(cores, 2); threads *= 2) {
            variants.push_back(
                {fastest + "_" + std::to_string(threads) + "_threads", {AddKernel::Fastest, threads}, false});
        }
        threads /= 2;
        variants.push_back(
            {fastest + "_" + std::to_string(threads) + "_threads_streamed", {AddKernel::Fastest, threads}, true});
        for (const auto& [variant, options, streamed] : variants) {
            benchmark::RegisterBenchmark((prefix + variant).c_str(), BM_GrainLoop, setting, options, streamed)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->Iterations(1);
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // Three repetitions, interleaved at random, unless the command line says otherwise.
    std::vector<char*> arguments(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=3";
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, {repetitions.data(), interleave.data()});
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data()))
        return 1;
    RegisterBenchmarks();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
