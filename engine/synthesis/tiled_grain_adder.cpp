#include "engine/synthesis/tiled_grain_adder.h"

#include <algorithm>

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

// The same cut as AddGrain: to the end of the OutputBuffer and of the
// SourceBuffer, and nothing at all for a grain placed outside either.
TiledGrainAdder::GrainSpan TiledGrainAdder::CutToBuffers(const GrainPlacement& grain) const
{
    const std::uint32_t q = grain.m_nOutput;
    if (m_canvas.m_nGrainFrames <= 0 || q >= m_canvas.m_nOutputFrames || grain.m_nSource < 0 ||
        static_cast<std::uint32_t>(grain.m_nSource) >= m_canvas.m_nSourceFrames)
        return {q, q};
    const auto source = static_cast<std::uint32_t>(grain.m_nSource);
    const std::uint32_t count = std::min({static_cast<std::uint32_t>(m_canvas.m_nGrainFrames),
                                          m_canvas.m_nOutputFrames - q, m_canvas.m_nSourceFrames - source});
    return {q, q + count};
}

void TiledGrainAdder::Add(const GrainPlacement* grains, std::int32_t count)
{
    if (count <= 0)
        return;
    m_pGrains = grains;
    m_nGrains = count;
    m_nBegin = grains[0].m_nOutput;
    m_nEnd = m_nBegin;
    for (std::int32_t g = 0; g < count; ++g)
        m_nEnd = std::max(m_nEnd, CutToBuffers(grains[g]).m_nEnd);
    if (m_nEnd <= m_nBegin)
        return;
    // Tiles sit at multiples of kTileFrames, so that neighbouring batches cut
    // the output at the same places.
    m_nFirstTile = m_nBegin / kTileFrames;
    m_nTiles = (m_nEnd - 1) / kTileFrames - m_nFirstTile + 1;
    m_nNextTile.store(0, std::memory_order_relaxed);
    if (m_pPool != nullptr && m_pPool->Size() > 1 && m_nTiles > 1 && IsWorthSharing(count))
        m_pPool->RunOnAll([this] { AddClaimedTiles(); });
    else
        AddClaimedTiles();
}

bool TiledGrainAdder::IsWorthSharing(std::int32_t count) const
{
    return static_cast<std::uint64_t>(count) * static_cast<std::uint64_t>(m_canvas.m_nGrainFrames) >=
           kSmallestSharedBatch;
}

void TiledGrainAdder::AddClaimedTiles()
{
    for (;;) {
        const std::uint32_t tile = m_nNextTile.fetch_add(1, std::memory_order_relaxed);
        if (tile >= m_nTiles)
            return;
        const std::uint32_t tileStart = (m_nFirstTile + tile) * kTileFrames;
        AddTile(std::max(tileStart, m_nBegin), std::min(tileStart + kTileFrames, m_nEnd));
    }
}

// Every grain whose span overlaps [begin, end), in grain order. Grains start in
// order and none is longer than m_nGrainFrames, so those that can reach the
// tile form one run of the batch.
void TiledGrainAdder::AddTile(std::uint32_t begin, std::uint32_t end) const
{
    const auto grainFrames = static_cast<std::uint32_t>(m_canvas.m_nGrainFrames);
    const GrainPlacement* last = m_pGrains + m_nGrains;
    const GrainPlacement* first = std::partition_point(m_pGrains, last, [&](const GrainPlacement& grain) {
        return grain.m_nOutput + static_cast<std::uint64_t>(grainFrames) <= begin;
    });
    for (const GrainPlacement* grain = first; grain != last && grain->m_nOutput < end; ++grain) {
        const GrainSpan span = CutToBuffers(*grain);
        const std::uint32_t from = std::max(span.m_nBegin, begin);
        const std::uint32_t to = std::min(span.m_nEnd, end);
        if (from >= to)
            continue;
        const std::uint32_t offset = from - grain->m_nOutput;
        m_add(m_canvas.m_pOutput + from, m_canvas.m_pSource + grain->m_nSource + offset,
              m_canvas.m_pPairWeights + 2 * static_cast<std::size_t>(offset), static_cast<std::int32_t>(to - from));
    }
}
