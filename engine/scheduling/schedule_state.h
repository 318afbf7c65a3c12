// Where a grain schedule stands between two grains: everything that depends
// on the grains decided before, so a render can go on from there as if it had
// decided them all.
#pragma once

#include <cstdint>

// A grain by its index k and its output start.
struct GrainCursor {
    std::int32_t m_nIndex = 0;
    std::uint64_t m_nStart = 0;

    bool operator==(const GrainCursor&) const = default;
};

// The scan walk: its generator, its two candidates and its segment, and the
// middle of the reach the candidates were last moved in.
struct WalkState {
    std::uint32_t m_nRandomState = 1;
    std::int32_t m_nPositionA = 0;
    std::int32_t m_nPositionB = 0;
    std::int32_t m_nSegmentLength = 0;
    std::int32_t m_nGrainInSegment = 0;
    std::int32_t m_nReachMiddle = 0;

    bool operator==(const WalkState&) const = default;
};

// The grain clock: grain k + 1 starts at trunc(m_dAnchor + (k − m_nAnchorIndex)
// × m_dStep) while the density stays that of grain k.
struct ClockState {
    double m_dStep = 0.0;
    double m_dAnchor = 0.0;
    std::int32_t m_nAnchorIndex = 0;
    GrainCursor m_next;
    GrainCursor m_lastPlaced;

    bool operator==(const ClockState&) const = default;
};

struct ScheduleState {
    WalkState m_walk;
    ClockState m_clock;

    bool operator==(const ScheduleState&) const = default;
};
