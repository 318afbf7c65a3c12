#include "engine/fast_grain_adder.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The reference kernel's weight of each frame, double(window[i]) × double(gain), once
// per channel.
void FillPairWeights(double* pairWeights, const float* window, float gain, std::int32_t grainFrames)
{
    for (std::int32_t i = 0; i < grainFrames; ++i) {
        const double weight = static_cast<double>(window[i]) * gain;
        pairWeights[2 * i] = weight;
        pairWeights[2 * i + 1] = weight;
    }
}

}  // namespace

std::unique_ptr<FastGrainAdder> FastGrainAdder::Create(GrainCanvas canvas, const float* window, float gain,
                                                       BufferAllocator allocate, AddKernel kernel, int threads)
{
    const std::int32_t grainFrames = std::max(canvas.m_nGrainFrames, 0);
    auto* pairWeights = AllocateZeroed<double>(allocate, 2 * static_cast<std::uint64_t>(grainFrames));
    if (pairWeights == nullptr)
        return nullptr;
    FillPairWeights(pairWeights, window, gain, grainFrames);
    canvas.m_pPairWeights = pairWeights;
    return std::unique_ptr<FastGrainAdder>(new FastGrainAdder(canvas, pairWeights, kernel, threads));
}

FastGrainAdder::FastGrainAdder(const GrainCanvas& canvas, double* pairWeights, AddKernel kernel, int threads)
    : m_pPairWeights(pairWeights)
    , m_pool(threads > 1 ? std::make_unique<WorkerPool>(threads) : nullptr)
    , m_adder(canvas, BatchKernelFunction(kernel), m_pool.get())
{
}

FastGrainAdder::~FastGrainAdder()
{
    m_pool.reset();  // the workers are joined before the weights they read go
    std::free(m_pPairWeights);
}
