// Where a render of a score stands at a frame: what a render needs to start
// there as if it had decided every grain before, and the key of what it
// depends on.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/scheduling/schedule_state.h"

// Each layer's grain schedule past every grain that ends before m_nFrame, in
// the score's order. A render of the same score, begun for the same number
// of frames and restored to it, renders from m_nFrame on exactly as one that
// began at frame 0.
struct SeekState {
    std::uint64_t m_nFrame = 0;        // of the render: a loop's warm-up comes before the track's 0:00
    std::uint64_t m_nRenderFrames = 0;  // every frame the render synthesises
    std::vector<ScheduleState> m_layers;

    bool operator==(const SeekState&) const = default;
};

// A digest of everything of a score that decides its grain schedules: the
// seed, the track's length and whether it loops, and for each layer its
// seed, the stretch of source it reads, the longest grain and read it allows,
// and the lines and drift of its density, scanning range and segment. Edits
// of anything else (gains, pan, pitch within the same extremes, windows)
// leave it as it was.
struct SeekFingerprint {
    std::uint64_t m_nDigest = 0;

    bool operator==(const SeekFingerprint&) const = default;
};
