// Which general kernel runs when the fastest is asked for. The general
// kernels are timed on their own, apart from the batch kernels: on some
// processors the 256-bit batch kernel adds plain grains faster than the
// 512-bit one while the 512-bit general kernel reads transposed grains
// faster than the 256-bit one, so the batch kernel's choice says nothing of
// theirs. Every variant gives the same bits, so the choice never changes the
// output.
#include "engine/synthesis/kernels/general_kernel.h"

#include <array>
#include <chrono>
#include <cmath>
#include <vector>

namespace {

constexpr std::int32_t kTimingSourceFrames = 2048;
constexpr std::int32_t kTimingGrainFrames = 512;
constexpr int kCallsPerTiming = 32;

struct TimingData {
    std::array<StereoFrame, kTimingSourceFrames> m_source;
    std::array<float, kTimingGrainFrames> m_window;
    std::array<StereoFrame, kTimingGrainFrames> m_output;
};

// Ordinary sound and window values: nothing that could take a slow path on
// one variant and not on another.
void FillTimingData(TimingData& data)
{
    for (std::int32_t i = 0; i < kTimingSourceFrames; ++i) {
        const double phase = 0.05 * i;
        data.m_source[i] = {static_cast<float>(std::sin(1.3 * phase)), static_cast<float>(std::cos(0.7 * phase))};
    }
    for (std::int32_t i = 0; i < kTimingGrainFrames; ++i) {
        data.m_window[i] = static_cast<float>(0.25 + 0.5 * i / kTimingGrainFrames);
        data.m_output[i] = {0.0f, 0.0f};
    }
}

// The two kinds of grain the general kernel meets most: one transposed (read
// between frames, through the spline) and one reversed (read at whole frames).
std::array<GeneralGrain, 2> TimingGrains(const TimingData& data)
{
    GeneralGrain transposed;
    transposed.m_pSource = data.m_source.data();
    transposed.m_nSourceFrames = kTimingSourceFrames;
    transposed.m_dFirstRead = 100.25;
    transposed.m_dIncrement = 1.0594630943592953;  // a semitone up
    transposed.m_fGainLeft = 0.7f;
    transposed.m_fGainRight = 0.3f;
    transposed.m_pWindow = data.m_window.data();
    GeneralGrain reversed = transposed;
    reversed.m_dFirstRead = 1500.0;
    reversed.m_dIncrement = -1.0;
    reversed.m_bWholeFrames = true;
    return {transposed, reversed};
}

double SecondsFor(GeneralKernelFunction add, TimingData& data, const std::array<GeneralGrain, 2>& grains)
{
    const auto start = std::chrono::steady_clock::now();
    for (int call = 0; call < kCallsPerTiming; ++call) {
        for (const GeneralGrain& grain : grains)
            add(data.m_output.data(), grain, 0, kTimingGrainFrames);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

AddKernel TimeFastestGeneralKernel()
{
    const std::vector<AddKernel> kernels = SupportedBatchKernels();
    if (kernels.size() <= 1)
        return kernels.empty() ? AddKernel::Portable : kernels.front();
    TimingData data;
    FillTimingData(data);
    const std::array<GeneralGrain, 2> grains = TimingGrains(data);
    return kernels[QuickestIndex(kernels.size(), [&](std::size_t k) {
        return SecondsFor(GeneralKernelOfVectorUnit(kernels[k]), data, grains);
    })];
}

}  // namespace

AddKernel FastestGeneralKernel()
{
    static const AddKernel fastest = TimeFastestGeneralKernel();
    return fastest;
}
