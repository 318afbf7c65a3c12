#include "engine/synthesis/tiled_grain_adder.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "engine/synthesis/worker_pool.h"

namespace {

// Below this many frame additions a batch is quicker done than shared out.
constexpr std::uint64_t kSmallestSharedBatch = 1 << 18;

constexpr std::uintptr_t kCacheLineBytes = 64;

}  // namespace

TiledGrainAdder::TiledGrainAdder(const GrainCanvas& canvas, AddKernelFunction add, WorkerPool* pool)
    : m_canvas(canvas)
    , m_add(add)
    , m_pPool(pool)
{
}

FrameRange TiledGrainAdder::CoveredFrames(const GrainEvent& grain) const
{
    return ClipToWindow(::CoveredFrames(grain, m_canvas), m_window);
}

void TiledGrainAdder::Add(const GrainEvent* grains, std::size_t count, const OutputWindow& window)
{
    m_pGrains = grains;
    m_nGrains = count;
    m_window = window;
    m_nBegin = std::numeric_limits<std::uint64_t>::max();
    m_nEnd = 0;
    if (m_general.size() < count)
        m_general.resize(count);
    bool anyGeneral = false;
    for (std::size_t g = 0; g < count; ++g) {
        const FrameRange covered = CoveredFrames(grains[g]);
        if (covered.IsEmpty())
            continue;
        m_nBegin = std::min(m_nBegin, covered.m_nBegin);
        m_nEnd = std::max(m_nEnd, covered.m_nEnd);
        if (!grains[g].m_bPlain) {
            m_general[g] = GeneralGrainOf(grains[g], m_canvas);
            anyGeneral = true;
        }
    }
    const bool shared = IsShared(count);
    m_nTileFrames = !anyGeneral ? kTileFrames : shared ? kGeneralTileFrames : kLoneGeneralTileFrames;
    if (m_nEnd <= m_nBegin)
        return;
    PlaceTiles();
    m_nNextTile.store(0, std::memory_order_relaxed);
    if (shared && m_nTiles > 1)
        m_pPool->RunOnAll([this] { AddClaimedTiles(); });
    else
        AddClaimedTiles();
}

// Tile edges lie m_nTileFrames apart on the output frames whose memory begins a
// cache line (all frames of the window share one such grid, as its frames
// lie 8 bytes apart; a window that is not 8-byte aligned gets a grid all the
// same, only not on line boundaries).
void TiledGrainAdder::PlaceTiles()
{
    const auto windowAddress = reinterpret_cast<std::uintptr_t>(m_window.m_pFrames);
    const std::uint64_t framesToLine = (kCacheLineBytes - windowAddress % kCacheLineBytes) % kCacheLineBytes /
                                       sizeof(StereoFrame);
    const std::uint64_t edgeOffset = (m_window.m_nFirst + framesToLine) % m_nTileFrames;
    // The last tile edge at or before m_nBegin, and the number of tiles up to m_nEnd.
    m_nFirstTileStart = m_nBegin - (m_nBegin + m_nTileFrames - edgeOffset) % m_nTileFrames;
    m_nTiles = (m_nEnd - m_nFirstTileStart + m_nTileFrames - 1) / m_nTileFrames;
}

// Whether the batch is shared among the pool's threads: when there are
// others, and it is large enough to be worth it.
bool TiledGrainAdder::IsShared(std::size_t count) const
{
    return m_pPool != nullptr && m_pPool->Size() > 1 &&
           static_cast<std::uint64_t>(count) * static_cast<std::uint64_t>(m_canvas.m_nLongestGrain) >=
               kSmallestSharedBatch;
}

void TiledGrainAdder::AddClaimedTiles()
{
    for (;;) {
        const std::uint64_t tile = m_nNextTile.fetch_add(1, std::memory_order_relaxed);
        if (tile >= m_nTiles)
            return;
        // The first tile may begin before frame 0 (the sums wrap around and
        // back), so it is cut to m_nBegin without comparing its start.
        const std::uint64_t tileStart = m_nFirstTileStart + tile * m_nTileFrames;
        AddTile(tile == 0 ? m_nBegin : tileStart, std::min(tileStart + m_nTileFrames, m_nEnd));
    }
}

// Every grain whose frames overlap [begin, end), in grain order. Grains start
// in order and none is longer than the longest, so those that can reach the
// tile form one run of the batch.
void TiledGrainAdder::AddTile(std::uint64_t begin, std::uint64_t end) const
{
    const auto longest = static_cast<std::uint64_t>(m_canvas.m_nLongestGrain);
    const GrainEvent* last = m_pGrains + m_nGrains;
    const GrainEvent* first = std::partition_point(
        m_pGrains, last, [&](const GrainEvent& grain) { return grain.m_nOutput + longest <= begin; });
    for (const GrainEvent* grain = first; grain != last && grain->m_nOutput < end; ++grain) {
        const FrameRange covered = CoveredFrames(*grain);
        const FrameRange part{std::max(covered.m_nBegin, begin), std::min(covered.m_nEnd, end)};
        if (part.IsEmpty())
            continue;
        if (grain->m_bPlain)
            AddGrainPart(m_canvas, m_add, *grain, part, m_window);
        else
            AddGeneralGrainPart(m_canvas, m_general[static_cast<std::size_t>(grain - m_pGrains)], *grain, part, m_window);
    }
}
