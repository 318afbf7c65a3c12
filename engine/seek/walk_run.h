// Many grains of the scan walk at once: the stretches between the grains that
// move a candidate to a fresh place, walked or hopped over as a whole.
#pragma once

#include <cstdint>

#include "engine/scheduling/grain_settings.h"
#include "engine/scheduling/schedule_state.h"

// What a candidate's refresh the next grain of a walk brings, by the same
// tests ScanWalk::ChooseGrainPosition makes: grain 0 draws both, the first
// grain of a segment A, its middle grain B.
enum class FreshDraw { None, A, B, Both };
FreshDraw FreshDrawOfNextGrain(const WalkState& walk, std::int32_t nextIndex);

// How many grains from the walk's next one (not grain 0) go before the next
// that draws a fresh position or a segment length: 0 when the next one does,
// and also when the segment is too short (under 2 grains) for runs to pay.
// Those grains draw three numbers each and nothing else.
std::int64_t GrainsBeforeFreshDraw(const WalkState& walk);

// The settings a run of grains shares.
struct WalkRunShape {
    std::int32_t m_nLowBound = 0;    // the walk's reach over the run (ScanWalk's clamp)
    std::int32_t m_nHighBound = 0;
    std::int32_t m_nScanFrames = 0;  // the step size of every grain of the run
};

// The shape of a run of grains with settings over a walk of span.
WalkRunShape WalkRunShapeOf(std::uint32_t span, const GrainSettings& settings);

// Moves the walk over grains grains that draw nothing fresh (at most
// GrainsBeforeFreshDraw), exactly as ChooseGrainPosition would, candidates
// included.
void WalkRun(WalkState& walk, std::int64_t grains, const WalkRunShape& shape);
// The same for the generator and the segment alone, in O(log grains): the
// candidates keep whatever they held. Their values only matter from the
// grain that draws each afresh.
void HopRun(WalkState& walk, std::int64_t grains);
