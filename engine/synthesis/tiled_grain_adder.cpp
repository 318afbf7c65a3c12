#include "engine/synthesis/tiled_grain_adder.h"

#include <algorithm>
#include <limits>

#include "engine/synthesis/worker_pool.h"

namespace {

// Below this many frame additions a batch is quicker done than shared out.
constexpr std::uint64_t kSmallestSharedBatch = 1 << 18;

}  // namespace

TiledGrainAdder::TiledGrainAdder(const GrainCanvas& canvas, AddKernelFunction add, WorkerPool* pool)
    : m_canvas(canvas)
    , m_add(add)
    , m_pPool(pool)
{
}

FrameRange TiledGrainAdder::CoveredFrames(const GrainPlacement& grain) const
{
    return ClipToWindow(CutGrain(grain, m_canvas.m_nGrainFrames, m_canvas.m_nSourceFrames, m_canvas.m_nOutputFrames),
                        m_window);
}

void TiledGrainAdder::Add(const GrainPlacement* grains, std::size_t count, const OutputWindow& window)
{
    m_pGrains = grains;
    m_nGrains = count;
    m_window = window;
    m_nBegin = std::numeric_limits<std::uint64_t>::max();
    m_nEnd = 0;
    for (std::size_t g = 0; g < count; ++g) {
        const FrameRange covered = CoveredFrames(grains[g]);
        if (covered.IsEmpty())
            continue;
        m_nBegin = std::min(m_nBegin, covered.m_nBegin);
        m_nEnd = std::max(m_nEnd, covered.m_nEnd);
    }
    if (m_nEnd <= m_nBegin)
        return;
    // Tiles sit at multiples of kTileFrames of the whole output, so that
    // neighbouring batches and windows cut the output at the same places.
    m_nFirstTile = m_nBegin / kTileFrames;
    m_nTiles = (m_nEnd - 1) / kTileFrames - m_nFirstTile + 1;
    m_nNextTile.store(0, std::memory_order_relaxed);
    if (m_pPool != nullptr && m_pPool->Size() > 1 && m_nTiles > 1 && IsWorthSharing(count))
        m_pPool->RunOnAll([this] { AddClaimedTiles(); });
    else
        AddClaimedTiles();
}

bool TiledGrainAdder::IsWorthSharing(std::size_t count) const
{
    return static_cast<std::uint64_t>(count) * static_cast<std::uint64_t>(m_canvas.m_nGrainFrames) >=
           kSmallestSharedBatch;
}

void TiledGrainAdder::AddClaimedTiles()
{
    for (;;) {
        const std::uint64_t tile = m_nNextTile.fetch_add(1, std::memory_order_relaxed);
        if (tile >= m_nTiles)
            return;
        const std::uint64_t tileStart = (m_nFirstTile + tile) * kTileFrames;
        AddTile(std::max(tileStart, m_nBegin), std::min(tileStart + kTileFrames, m_nEnd));
    }
}

// Every grain whose frames overlap [begin, end), in grain order. Grains start
// in order and none is longer than m_nGrainFrames, so those that can reach the
// tile form one run of the batch.
void TiledGrainAdder::AddTile(std::uint64_t begin, std::uint64_t end) const
{
    const auto grainFrames = static_cast<std::uint64_t>(m_canvas.m_nGrainFrames);
    const GrainPlacement* last = m_pGrains + m_nGrains;
    const GrainPlacement* first = std::partition_point(
        m_pGrains, last, [&](const GrainPlacement& grain) { return grain.m_nOutput + grainFrames <= begin; });
    for (const GrainPlacement* grain = first; grain != last && grain->m_nOutput < end; ++grain) {
        const FrameRange covered = CoveredFrames(*grain);
        const std::uint64_t from = std::max(covered.m_nBegin, begin);
        const std::uint64_t to = std::min(covered.m_nEnd, end);
        if (from >= to)
            continue;
        const std::uint64_t offset = from - grain->m_nOutput;
        m_add(m_window.m_pFrames + (from - m_window.m_nFirst), m_canvas.m_pSource + grain->m_nSource + offset,
              m_canvas.m_pPairWeights + 2 * offset, static_cast<std::int32_t>(to - from));
    }
}
