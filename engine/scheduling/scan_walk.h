// Where each grain is read from: two read positions wandering through the
// middle of the source, swapped in and out across segments of grains, driven
// by the run's own random generator.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/random/random_generator.h"
#include "engine/scheduling/schedule_state.h"

// Two candidates, A and B, each wander by a random step whenever they are
// used. Within a segment the choice slides from B (at its first grain) to A
// (at its middle) and back; each candidate is moved to a fresh place where
// its chance of being used is (nearly) 0, so every change fades in.
//
// The span of read positions is what the source leaves after the longest
// read of a grain (and one frame): fresh positions lie in its middle 80 %,
// and every step is clamped to [trunc(0.1 × span), trunc(0.9 × span)], so a
// read that starts at a position stays inside the source.
//
// A position and a spread below 1 narrow this: the fresh places are drawn in a
// window of spread × 80 % of the span around the position, the steps are
// clamped to that window and their size to an eighth of its width (ReachOf: at a low
// density the step, the gap between grain starts, may be far wider than the
// window), so the reading stays near the position;
// at a spread of 0 every grain reads at the position itself. When a narrow
// window moves, both candidates move with its middle before the grain's
// choice, so the reading follows a moving position without lagging behind it
// (the walk's own steps only wander around it).
//
// Every random number of the walk comes from one generator, in a fixed order
// per grain: the fresh positions (A before B), the segment length, the choice,
// the step size, the step's sign. A run that repeats the generator's starting
// state repeats every position.
// Where a walk draws its fresh places and keeps its candidates: fresh places
// at trunc(m_dLow + u × m_dWidth), u uniform in [0, 1), and every step
// clamped to [m_nLowBound, m_nHighBound].
struct WalkReach {
    double m_dLow = 0.0;
    double m_dWidth = 0.0;
    std::int32_t m_nLowBound = 0;
    std::int32_t m_nHighBound = 0;
    std::int32_t m_nMiddle = 0;  // trunc(m_dLow + m_dWidth / 2): where a narrow reach is
    // The largest step size a narrow reach lets the walk take: an eighth of its
    // width, so that the steps (0.5 to 1.5 times the size) wander within it,
    // clamped onto an edge about one time in six, instead of throwing the
    // reading from edge to edge (a half would leave it on an edge every other
    // grain).
    std::int32_t m_nLargestStep = 0;

    // The step size of settings' scan frames within this reach.
    std::int32_t StepFrames(std::int32_t scanFrames) const
    {
        return m_bWhole ? scanFrames : std::min(scanFrames, m_nLargestStep);
    }
    // The whole reach: the walk as it is without a position.
    bool m_bWhole = true;
};

// The reach of a walk over span at position and spread (each 0 to 1). A
// spread of 1 or more gives the whole reach, the middle 80 % of the span, by
// the walk's own arithmetic; a narrower one a window of spread × 80 % of the
// span whose low end lies where the window is centred on the position, kept
// between spread × 10 % of the span from either end (so that the window
// widens smoothly into the whole reach as the spread grows to 1, and at a
// spread of 0 is the position itself, anywhere in the span).
WalkReach ReachOf(std::uint32_t span, double position, double spread);

class ScanWalk {
public:
    void SetRandomState(std::uint32_t state) { m_random.SetState(state); }
    std::uint32_t GetRandomState() const { return m_random.GetState(); }

    // The span of positions, the step size and the mean segment length the
    // next choices use.
    void SetSpan(std::uint32_t span)
    {
        m_nSpan = span;
        m_reach = ReachOf(m_nSpan, m_dPosition, m_dSpread);
    }
    std::uint32_t GetSpan() const { return m_nSpan; }
    void SetScanFrames(std::int32_t scanFrames) { m_nScanFrames = scanFrames; }
    void SetSegmentGrains(std::int32_t segmentGrains) { m_nSegmentGrains = segmentGrains; }
    // The position and spread the next choices read (0 to 1 each), with the
    // span set before.
    void SetPlace(double position, double spread)
    {
        if (position == m_dPosition && spread == m_dSpread)
            return;
        m_dPosition = position;
        m_dSpread = spread;
        m_reach = ReachOf(m_nSpan, m_dPosition, m_dSpread);
    }
    const WalkReach& GetReach() const { return m_reach; }

    // The start frame in the source of grain k; k = 0 begins the candidates
    // and the segment afresh, later grains must follow with increasing k.
    std::int32_t ChooseGrainPosition(std::int32_t k);
    // A new segment length, stored and answered.
    std::int32_t NewSegmentLength();

    // The candidates and the segment, as ChooseGrainPosition leaves them.
    std::int32_t GetPositionA() const { return m_nPositionA; }
    std::int32_t GetPositionB() const { return m_nPositionB; }
    std::int32_t GetSegmentLength() const { return m_nSegmentLength; }
    std::int32_t GetGrainInSegment() const { return m_nGrainInSegment; }
    // Puts the candidates and the segment where a walk left them.
    void SetPositions(std::int32_t a, std::int32_t b);
    void SetSegment(std::int32_t length, std::int32_t grainInSegment);
    // The generator, the candidates and the segment together.
    WalkState GetState() const;
    void SetState(const WalkState& state);

private:
    std::int32_t FreshPosition(double span);
    void FollowReach();

    RandomGenerator m_random;
    std::uint32_t m_nSpan = 0;
    std::int32_t m_nScanFrames = 0;
    std::int32_t m_nSegmentGrains = 0;
    double m_dPosition = 0.5;
    double m_dSpread = 1.0;
    WalkReach m_reach;

    std::int32_t m_nPositionA = 0;
    std::int32_t m_nPositionB = 0;
    std::int32_t m_nSegmentLength = 0;
    std::int32_t m_nGrainInSegment = 0;
    std::int32_t m_nReachMiddle = 0;
};
