// Checkpoints of a score's render at regular times, so a render can start
// anywhere at once: where every layer's grain schedule stands every half
// minute or so, found by one pass over the whole render.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "engine/seek/seek_plan.h"
#include "engine/seek/seek_state.h"

// Build runs the pass (on whatever thread calls it: it is meant for a
// background one, and stops within a few milliseconds when keepGoing says
// so). Afterwards the index does not change: StateAt may be called from any
// number of threads at once, but not while Build runs.
//
// The checkpoints of a day-long score of a few layers take well under a
// megabyte; they lie further apart, never more than kMostBytes, for scores of
// many layers.
class SeekIndex {
public:
    static constexpr std::uint64_t kCheckpointFrames = 30 * 44100;
    static constexpr std::size_t kMostBytes = 8 << 20;

    // The checkpoints of plan's render, made by skipping through it once.
    // Answers false when stopped; the index is then empty.
    bool Build(const SeekPlan& plan, const std::function<bool()>& keepGoing = {});
    bool IsBuilt() const { return !m_checkpoints.empty(); }
    // Built for a score with this fingerprint: its checkpoints serve that
    // score, and any edit that leaves the fingerprint as it is.
    bool Matches(const SeekFingerprint& fingerprint) const { return IsBuilt() && m_plan.m_fingerprint == fingerprint; }

    // The state a render needs to start at frame trackFrame of the track:
    // from the nearest checkpoint before it, skipped the rest of the way.
    // None when the index is empty or keepGoing says to stop.
    std::optional<SeekState> StateAt(std::uint64_t trackFrame, const std::function<bool()>& keepGoing = {}) const;

    std::uint64_t GetIntervalFrames() const { return m_nIntervalFrames; }
    std::size_t GetCheckpointCount() const { return m_checkpoints.size() / std::max<std::size_t>(1, m_plan.m_layers.size()); }
    // The memory the checkpoints take.
    std::size_t GetBytes() const { return m_checkpoints.capacity() * sizeof(ScheduleState); }

    // The frames between checkpoints of an index of plan.
    static std::uint64_t IntervalFor(const SeekPlan& plan);

private:
    SeekPlan m_plan;
    std::uint64_t m_nIntervalFrames = kCheckpointFrames;
    // Checkpoint c (at render frame c × m_nIntervalFrames) holds each layer's
    // schedule in turn.
    std::vector<ScheduleState> m_checkpoints;
};
