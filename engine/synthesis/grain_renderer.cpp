#include "engine/synthesis/grain_renderer.h"

#include <algorithm>

#include "engine/scheduling/envelope_shapes.h"
#include "engine/synthesis/tiled_grain_adder.h"
#include "engine/synthesis/worker_pool.h"

GeneralKernelFunction GeneralKernelFor(AddKernel kernel)
{
    if (kernel == AddKernel::Fastest || !IsAddKernelSupported(kernel))
        return GeneralKernelOfVectorUnit(FastestGeneralKernel());
    return GeneralKernelOfVectorUnit(kernel);
}

GrainRenderer::GrainRenderer() = default;

GrainRenderer::~GrainRenderer()
{
    End();
}

GrainRenderer::Start GrainRenderer::Begin(const OctaveLevels& levels, std::uint64_t outputFrames,
                                          const GrainSettings& settings, const SynthesisOptions& options,
                                          BufferAllocator allocate, const SplineTerms* terms,
                                          std::int32_t longestGrain, bool levelled)
{
    End();
    const std::int32_t grainFrames = std::max(settings.m_nGrainFrames, 0);
    std::optional<ZeroedBuffer<float>> window = ZeroedBuffer<float>::Allocate(allocate, grainFrames);
    if (!window)
        return Start::NoWindowMemory;
    m_window = std::move(*window);
    for (std::int32_t i = 0; i < grainFrames; ++i)
        m_window[i] = static_cast<float>(GrainWindowGain(static_cast<std::uint32_t>(i), grainFrames));

    m_canvas = GrainCanvas{};
    m_canvas.m_pLevels = &levels;
    m_canvas.m_nOutputFrames = outputFrames;
    m_canvas.m_nGrainFrames = grainFrames;
    m_canvas.m_pWindow = m_window.data();
    m_canvas.m_fVolume = static_cast<float>(settings.m_dVolume);
    m_canvas.m_nLongestGrain = std::max(grainFrames, longestGrain);
    m_canvas.m_general = GeneralKernelFor(options.m_kernel);
    m_canvas.m_pSplineTerms = terms != nullptr && terms->IsBuilt() ? terms : nullptr;
    if (!settings.m_variation.IsPlain() || levelled) {
        m_shapedWindow = ShapedWindow::Make(settings.m_variation.m_window, grainFrames, allocate);
        if (!m_shapedWindow)
            return Start::NoWindowMemory;
        m_canvas.m_pShapedWindow = m_shapedWindow->Data();
        m_canvas.m_pShapedPairWindow = m_shapedWindow->PairData();
    }
    if (options.m_kernel != AddKernel::Reference && outputFrames > 0)
        StartBatchAdding(options, allocate);
    return Start::Ready;
}

// The paired weights, the threads and the tiled adder of a batch kernel.
// Without memory for the weights the reference kernel adds the grains; the
// output is the same.
bool GrainRenderer::StartBatchAdding(const SynthesisOptions& options, BufferAllocator allocate)
{
    const std::int32_t grainFrames = m_canvas.m_nGrainFrames;
    std::optional<ZeroedBuffer<double>> weights =
        ZeroedBuffer<double>::Allocate(allocate, 2 * static_cast<std::uint64_t>(grainFrames));
    if (!weights)
        return false;
    m_pairWeights = std::move(*weights);
    // The reference kernel's weight of each frame, double(window[i]) × double(gain), once per channel.
    for (std::int32_t i = 0; i < grainFrames; ++i) {
        const double weight = static_cast<double>(m_window[i]) * m_canvas.m_fVolume;
        m_pairWeights[2 * i] = weight;
        m_pairWeights[2 * i + 1] = weight;
    }
    m_canvas.m_pPairWeights = m_pairWeights.data();
    const int threads = ResolveThreadCount(options);
    m_pPool = threads > 1 ? std::make_unique<WorkerPool>(threads) : nullptr;
    m_pTiledAdder = std::make_unique<TiledGrainAdder>(
        m_canvas, BatchKernelFunction(ResolveAddKernel(options.m_kernel)), m_pPool.get());
    return true;
}

void GrainRenderer::End()
{
    m_pTiledAdder.reset();
    m_pPool.reset();  // the workers are joined before the weights they read go
    m_pairWeights = ZeroedBuffer<double>();
    m_window = ZeroedBuffer<float>();
    m_shapedWindow.reset();
    m_canvas = GrainCanvas{};
}

void GrainRenderer::Add(std::span<const GrainEvent> grains, const OutputWindow& window)
{
    if (m_pTiledAdder) {
        m_pTiledAdder->Add(grains.data(), grains.size(), window);
        return;
    }
    for (const GrainEvent& grain : grains) {
        const FrameRange part = ClipToWindow(CoveredFrames(grain), window);
        if (!part.IsEmpty())
            AddGrainPart(m_canvas, nullptr, grain, part, window);
    }
}
