// The general grain path against the plain one: a whole 10 s render of the
// bundled sample at the panel's start values, streamed to a WAV file as
// sonnelith-cli renders it, on one thread, once plain and once with every
// grain transposed within half an octave either way, placed anywhere in the
// stereo field and half of them reversed (--pitch-spread 12 --pan-spread 100
// --reverse 50), which sends every grain through the general kernel.
//
//   GeneralOverPlain/<kernel>   one iteration renders both, back to back, with
//                               that kernel family (auto: what --kernel auto
//                               runs, the batch and the general kernel each
//                               the fastest here), and reports the processor
//                               time of each (plain_cpu_s, general_cpu_s) and
//                               general_over_plain, their ratio: the two come
//                               from runs seconds apart, so a change in the
//                               machine's load between benchmarks does not
//                               enter the ratio. load1 is the system's load
//                               average over the last minute as the iteration
//                               ends (2 cores are busy at 2).
//
// Processor time, not wall time: on a shared machine a run waits for a core
// now and then, and that wait is not the render's cost. Every kernel's outputs
// are compared with the portable kernel's, bit for bit.
//
//   build/bench/general_path_bench [--benchmark_repetitions=N] [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "engine/run/generation_run.h"
#include "engine/parameters/parameter_table.h"
#include "engine/render/frame_spill.h"
#include "bench/quiet_host.h"
#include "bench/repeated_benchmark_main.h"

namespace {

double ProcessSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

ParameterValues General()
{
    return ParameterValues()
        .With(ParameterId::PitchSpread, 12)
        .With(ParameterId::PanSpread, 100)
        .With(ParameterId::Reverse, 50);
}

struct Render {
    double m_dProcessorSeconds = 0.0;
    std::vector<char> m_bytes;
    std::string m_strError;
};

// A 10 s streamed render of the sample into a temporary WAV file, timed from
// the start of the run to its end, loading and writing included.
Render RenderOnce(const ParameterValues& panel, AddKernel kernel)
{
    QuietHost host;
    GenerationRun run(host);
    GenerationSettings settings;
    ApplyParameters(panel, settings);
    settings.m_strInputPath = SONNELITH_SAMPLE_PATH;
    settings.m_strOutputPath = TemporaryFolder() + "/sonnelith-general-path-bench.wav";
    settings.m_nDurationSeconds = 10;
    run.SetSettings(settings);
    run.SetSynthesisOptions({kernel, 1});
    run.SetRandomState(7);
    run.SetStreaming(StreamingOptions{});
    Render render;
    const double start = ProcessSeconds();
    const RunOutcome outcome = run.Run();
    render.m_dProcessorSeconds = ProcessSeconds() - start;
    if (outcome != RunOutcome::Completed())
        render.m_strError = host.m_strError.empty() ? "the run did not complete" : host.m_strError;
    std::ifstream written(settings.m_strOutputPath, std::ios::binary);
    render.m_bytes.assign(std::istreambuf_iterator<char>(written), std::istreambuf_iterator<char>());
    std::remove(settings.m_strOutputPath.c_str());
    return render;
}

// The portable kernel's outputs, made once, which every kernel must repeat.
const std::vector<char>& PortableBytes(bool general)
{
    static const std::map<bool, std::vector<char>> bytes = {
        {false, RenderOnce(ParameterValues{}, AddKernel::Portable).m_bytes},
        {true, RenderOnce(General(), AddKernel::Portable).m_bytes}};
    return bytes.at(general);
}

void BM_GeneralOverPlain(benchmark::State& state, AddKernel kernel)
{
    double plain = 0.0;
    double general = 0.0;
    for (auto _ : state) {
        const Render plainRender = RenderOnce(ParameterValues{}, kernel);
        const Render generalRender = RenderOnce(General(), kernel);
        for (const Render* render : {&plainRender, &generalRender}) {
            if (!render->m_strError.empty())
                state.SkipWithError(render->m_strError.c_str());
        }
        if (plainRender.m_bytes != PortableBytes(false) || generalRender.m_bytes != PortableBytes(true))
            state.SkipWithError("the output differs from the portable kernel's");
        plain = plainRender.m_dProcessorSeconds;
        general = generalRender.m_dProcessorSeconds;
    }
    double load[1] = {0.0};
    getloadavg(load, 1);
    state.counters["plain_cpu_s"] = plain;
    state.counters["general_cpu_s"] = general;
    state.counters["general_over_plain"] = general / plain;
    state.counters["load1"] = load[0];
}

void RegisterBenchmarks()
{
    std::vector<AddKernel> kernels = SupportedBatchKernels();
    kernels.push_back(AddKernel::Fastest);
    for (const AddKernel kernel : kernels) {
        const std::string name = kernel == AddKernel::Fastest ? "auto" : AddKernelName(kernel);
        benchmark::RegisterBenchmark(("GeneralOverPlain/" + name).c_str(), BM_GeneralOverPlain, kernel)
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
