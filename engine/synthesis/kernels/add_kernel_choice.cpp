// Which add kernels this processor can run, asked at run time, and which one
// runs when a kernel is asked for.
//
// The fastest kernel is found by timing each one, once per process: wider
// vectors are not faster everywhere. On AMD Zen 5 the AVX-512 kernel adds
// about 1.5 times as many frames per second as the AVX2 one, but processors
// that split 512-bit work in two halves (Zen 4) or slow their clock for it
// (several Intel ones) may not gain, and a rule by name would have to know
// them all. The timing takes about a millisecond and cannot change a
// bit of the output: every kernel gives the same bits.
#include "engine/synthesis/kernels/add_kernel.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <limits>

namespace {

// One tile of frames, as the grain loop hands them to a kernel, added over
// and over so that everything stays in the nearest cache.
constexpr std::int32_t kTimingFrames = 512;
constexpr int kCallsPerTiming = 128;
// Each kernel's best of several timings, taken in turns, so that an
// interruption of the calling thread spoils one timing and not the choice.
constexpr int kTimingRounds = 7;

struct TimingData {
    std::array<StereoFrame, kTimingFrames> m_output;
    std::array<StereoFrame, kTimingFrames> m_source;
    std::array<double, 2 * kTimingFrames> m_pairWeights;
};

// Ordinary sound and window values: no zeros or tiny numbers that could take
// a slow path on one kernel and not on another.
void FillTimingData(TimingData& data)
{
    for (std::int32_t i = 0; i < kTimingFrames; ++i) {
        const double phase = 0.05 * i;
        data.m_output[i] = {static_cast<float>(0.1 * std::sin(phase)), static_cast<float>(0.1 * std::cos(phase))};
        data.m_source[i] = {static_cast<float>(std::sin(1.3 * phase)), static_cast<float>(std::cos(0.7 * phase))};
        const double weight = 0.25 + 0.5 * i / kTimingFrames;
        data.m_pairWeights[2 * i] = weight;
        data.m_pairWeights[2 * i + 1] = weight;
    }
}

double SecondsFor(AddKernelFunction add, TimingData& data)
{
    const auto start = std::chrono::steady_clock::now();
    for (int call = 0; call < kCallsPerTiming; ++call)
        add(data.m_output.data(), data.m_source.data(), data.m_pairWeights.data(), kTimingFrames);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

bool IsAddKernelSupported(AddKernel kernel)
{
    switch (kernel) {
    case AddKernel::Fastest:
    case AddKernel::Reference:
    case AddKernel::Portable:
        return true;
#if defined(__x86_64__) || defined(__i386__)
    // These also check that the operating system saves the wide registers.
    case AddKernel::Avx2:
        return __builtin_cpu_supports("avx2");
    case AddKernel::Avx512:
        return __builtin_cpu_supports("avx512f");
#else
    case AddKernel::Avx2:
    case AddKernel::Avx512:
        return false;
#endif
    }
    return false;
}

std::size_t QuickestIndex(std::size_t count, const std::function<double(std::size_t)>& secondsFor)
{
    if (count <= 1)
        return 0;
    std::vector<double> best(count, std::numeric_limits<double>::infinity());
    // Round 0 brings the data into the cache and wakes the vector units; it does not count.
    for (int round = 0; round <= kTimingRounds; ++round) {
        for (std::size_t k = 0; k < count; ++k) {
            const double seconds = secondsFor(k);
            if (round > 0)
                best[k] = std::min(best[k], seconds);
        }
    }
    return static_cast<std::size_t>(std::min_element(best.begin(), best.end()) - best.begin());
}

std::size_t FastestKernelIndex(const std::vector<AddKernelFunction>& kernels)
{
    if (kernels.size() <= 1)
        return 0;
    TimingData data;
    FillTimingData(data);
    return QuickestIndex(kernels.size(), [&](std::size_t k) { return SecondsFor(kernels[k], data); });
}

AddKernel FastestAddKernel()
{
    static const AddKernel fastest = [] {
        const std::vector<AddKernel> kernels = SupportedBatchKernels();
        std::vector<AddKernelFunction> functions;
        for (const AddKernel kernel : kernels)
            functions.push_back(BatchKernelFunction(kernel));
        return kernels[FastestKernelIndex(functions)];
    }();
    return fastest;
}

std::vector<AddKernel> SupportedBatchKernels()
{
    std::vector<AddKernel> kernels;
    for (const AddKernel kernel : {AddKernel::Portable, AddKernel::Avx2, AddKernel::Avx512}) {
        if (IsAddKernelSupported(kernel))
            kernels.push_back(kernel);
    }
    return kernels;
}

AddKernel ResolveAddKernel(AddKernel kernel)
{
    if (kernel == AddKernel::Fastest || !IsAddKernelSupported(kernel))
        return FastestAddKernel();
    return kernel;
}

AddKernelFunction BatchKernelFunction(AddKernel kernel)
{
#if defined(__x86_64__) || defined(__i386__)
    if (kernel == AddKernel::Avx512)
        return AddKernelAvx512;
    if (kernel == AddKernel::Avx2)
        return AddKernelAvx2;
#endif
    (void)kernel;
    return AddKernelPortable;
}

const char* AddKernelName(AddKernel kernel)
{
    switch (ResolveAddKernel(kernel)) {
    case AddKernel::Reference:
        return "reference";
    case AddKernel::Portable:
        return "portable";
    case AddKernel::Avx2:
        return "avx2";
    case AddKernel::Avx512:
        return "avx512";
    case AddKernel::Fastest:
        break;
    }
    return "?";
}
