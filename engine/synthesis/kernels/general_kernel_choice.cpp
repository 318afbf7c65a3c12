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
#include <memory>
#include <vector>

namespace {

constexpr std::int32_t kTimingSourceFrames = 2048;
constexpr std::int32_t kTimingGrainFrames = 512;
constexpr int kCallsPerTiming = 24;

struct TimingData {
    std::array<StereoFrame, kTimingSourceFrames> m_source;
    std::array<std::array<StereoFrame, kTimingSourceFrames>, 3> m_terms;  // stand-ins for the spline's terms
    std::array<float, kTimingGrainFrames> m_window;
    std::array<float, 2 * kTimingGrainFrames> m_pairWindow;  // each gain twice, as windows bring them
    std::array<StereoFrame, kTimingGrainFrames> m_output;
};

// Ordinary sound and window values: nothing that could take a slow path on
// one variant and not on another.
void FillTimingData(TimingData& data)
{
    for (std::int32_t i = 0; i < kTimingSourceFrames; ++i) {
        const double phase = 0.05 * i;
        data.m_source[i] = {static_cast<float>(std::sin(1.3 * phase)), static_cast<float>(std::cos(0.7 * phase))};
        for (std::size_t which = 0; which < data.m_terms.size(); ++which)
            data.m_terms[which][i] = {0.25f * data.m_source[i].right, 0.5f * data.m_source[i].left};
    }
    for (std::int32_t i = 0; i < kTimingGrainFrames; ++i) {
        data.m_window[i] = static_cast<float>(0.25 + 0.5 * i / kTimingGrainFrames);
        data.m_pairWindow[2 * i] = data.m_pairWindow[2 * i + 1] = data.m_window[i];
        data.m_output[i] = {0.0f, 0.0f};
    }
}

// The kinds of grain the general kernel meets most, as a render brings them:
// transposed ones (read between frames, at most a frame per frame from the
// octave level below, from the spline's terms worked out beforehand), up
// and played backwards, and one reversed without transposition (read at
// whole frames).
std::array<GeneralGrain, 3> TimingGrains(const TimingData& data)
{
    GeneralGrain up;
    up.m_pSource = data.m_source.data();
    up.m_nSourceFrames = kTimingSourceFrames;
    up.m_dFirstRead = 100.25;
    up.m_dIncrement = 0.5297315471796477;  // a semitone up, on the level an octave down
    up.m_fGainLeft = 0.7f;
    up.m_fGainRight = 0.3f;
    up.m_pWindow = data.m_window.data();
    up.m_pPairWindow = data.m_pairWindow.data();
    for (std::size_t which = 0; which < data.m_terms.size(); ++which)
        up.m_pTerms[which] = data.m_terms[which].data();
    GeneralGrain backwards = up;
    backwards.m_dFirstRead = 1500.75;
    backwards.m_dIncrement = -0.5297315471796477;
    GeneralGrain reversed = up;
    reversed.m_dFirstRead = 1500.0;
    reversed.m_dIncrement = -1.0;
    reversed.m_bWholeFrames = true;
    return {up, backwards, reversed};
}

double SecondsFor(GeneralKernelFunction add, TimingData& data, const std::array<GeneralGrain, 3>& grains)
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
    // On the heap: the arrays are too large for a worker thread's stack.
    const auto data = std::make_unique<TimingData>();
    FillTimingData(*data);
    const std::array<GeneralGrain, 3> grains = TimingGrains(*data);
    return kernels[QuickestIndex(kernels.size(), [&](std::size_t k) {
        return SecondsFor(GeneralKernelOfVectorUnit(kernels[k]), *data, grains);
    })];
}

}  // namespace

AddKernel FastestGeneralKernel()
{
    static const AddKernel fastest = TimeFastestGeneralKernel();
    return fastest;
}
