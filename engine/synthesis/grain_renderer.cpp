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
    EndAdding();
    TableMaking making;
    making.m_nGrainFrames = std::max(settings.m_nGrainFrames, 0);
    making.m_fVolume = static_cast<float>(settings.m_dVolume);
    making.m_bShaped = !settings.m_variation.IsPlain() || levelled;
    making.m_shape = settings.m_variation.m_window;
    making.m_bWeights = options.m_kernel != AddKernel::Reference && outputFrames > 0;
    making.m_allocate = allocate;
    if (!MakeTables(making)) {
        End();
        return Start::NoWindowMemory;
    }
    m_canvas.m_pLevels = &levels;
    m_canvas.m_nOutputFrames = outputFrames;
    m_canvas.m_nGrainFrames = making.m_nGrainFrames;
    m_canvas.m_pWindow = m_window.data();
    m_canvas.m_fVolume = making.m_fVolume;
    m_canvas.m_nLongestGrain = std::max(making.m_nGrainFrames, longestGrain);
    m_canvas.m_general = GeneralKernelFor(options.m_kernel);
    m_canvas.m_pSplineTerms = terms != nullptr && terms->IsBuilt() ? terms : nullptr;
    if (m_shapedWindow) {
        m_canvas.m_pShapedWindow = m_shapedWindow->Data();
        m_canvas.m_pShapedPairWindow = m_shapedWindow->PairData();
    }
    if (making.m_bWeights && m_pairWeights.data() != nullptr)
        StartBatchAdding(options);
    return Start::Ready;
}

// The plain window table, the shaped window and the paired weights as making
// asks for them, or those held when they were made alike. Answers false
// when the window tables' memory cannot be had. Without memory for the
// weights the reference kernel adds the grains (the output is the same),
// and the next Begin tries again.
bool GrainRenderer::MakeTables(const TableMaking& making)
{
    if (m_tables == making)
        return true;
    End();
    const std::int32_t grainFrames = making.m_nGrainFrames;
    std::optional<ZeroedBuffer<float>> window = ZeroedBuffer<float>::Allocate(making.m_allocate, grainFrames);
    if (!window)
        return false;
    m_window = std::move(*window);
    for (std::int32_t i = 0; i < grainFrames; ++i)
        m_window[i] = static_cast<float>(GrainWindowGain(static_cast<std::uint32_t>(i), grainFrames));
    if (making.m_bShaped) {
        m_shapedWindow = ShapedWindow::Make(making.m_shape, grainFrames, making.m_allocate);
        if (!m_shapedWindow)
            return false;
    }
    if (!making.m_bWeights || MakePairWeights(making))
        m_tables = making;
    return true;
}

// The reference kernel's weight of each frame, double(window[i]) × double(gain), once per channel.
bool GrainRenderer::MakePairWeights(const TableMaking& making)
{
    const std::int32_t grainFrames = making.m_nGrainFrames;
    std::optional<ZeroedBuffer<double>> weights =
        ZeroedBuffer<double>::Allocate(making.m_allocate, 2 * static_cast<std::uint64_t>(grainFrames));
    if (!weights)
        return false;
    m_pairWeights = std::move(*weights);
    for (std::int32_t i = 0; i < grainFrames; ++i) {
        const double weight = static_cast<double>(m_window[i]) * making.m_fVolume;
        m_pairWeights[2 * i] = weight;
        m_pairWeights[2 * i + 1] = weight;
    }
    return true;
}

// The threads and the tiled adder of a batch kernel, over the paired weights.
void GrainRenderer::StartBatchAdding(const SynthesisOptions& options)
{
    m_canvas.m_pPairWeights = m_pairWeights.data();
    const int threads = ResolveThreadCount(options);
    m_pPool = threads > 1 ? std::make_unique<WorkerPool>(threads) : nullptr;
    m_pTiledAdder = std::make_unique<TiledGrainAdder>(
        m_canvas, BatchKernelFunction(ResolveAddKernel(options.m_kernel)), m_pPool.get());
}

// The render's threads and adder; the tables stay.
void GrainRenderer::EndAdding()
{
    m_pTiledAdder.reset();
    m_pPool.reset();  // the workers are joined before the weights they read go
    m_canvas = GrainCanvas{};
}

void GrainRenderer::End()
{
    EndAdding();
    m_tables.reset();
    m_pairWeights = ZeroedBuffer<double>();
    m_window = ZeroedBuffer<float>();
    m_shapedWindow.reset();
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
