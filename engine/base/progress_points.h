// Where the loops of a run report progress and serve their host: at every
// iteration whose index is a multiple of an interval, index 0 included.
#pragma once

#include <algorithm>
#include <cstdint>

// Loading, grain synthesis and writing report at every 1000th iteration (frame
// or grain).
constexpr std::uint64_t kIterationsPerProgressPoint = 1000;
// The level finishing passes serve the host at every 100000th frame.
constexpr std::uint64_t kFramesPerFinishingPump = 100000;

constexpr bool IsProgressPoint(std::uint64_t index, std::uint64_t interval = kIterationsPerProgressPoint)
{
    return index % interval == 0;
}

// The first progress point at or after index.
constexpr std::uint64_t NextProgressPoint(std::uint64_t index, std::uint64_t interval = kIterationsPerProgressPoint)
{
    return (index + interval - 1) / interval * interval;
}

// Cuts iterations [0, total) into pieces that each end just after a point:
// [0, 1), [1, interval + 1), [interval + 1, 2 interval + 1), ... and a last
// piece up to total, which ends on a point only when total − 1 is one. Calls
// piece(first, count, endsOnPoint) for each, in order; stops early when piece
// answers false.
template <typename Piece>
void ForEachPieceToAPoint(std::uint64_t total, std::uint64_t interval, Piece piece)
{
    for (std::uint64_t first = 0; first < total;) {
        const std::uint64_t end = std::min(NextProgressPoint(first, interval) + 1, total);
        if (!piece(first, end - first, IsProgressPoint(end - 1, interval)))
            return;
        first = end;
    }
}
