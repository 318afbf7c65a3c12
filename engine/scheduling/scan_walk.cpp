#include "engine/scheduling/scan_walk.h"

#include <algorithm>
#include <cmath>

#include "engine/scheduling/envelope_shapes.h"

namespace {

// A fresh position lies in the middle 80 % of the span.
constexpr double kFreshLow = 0.1;
constexpr double kFreshWidth = 0.8;
constexpr double kLowBound = 0.1;
constexpr double kHighBound = 0.9;

}  // namespace

std::int32_t ScanWalk::FreshPosition(double span)
{
    return static_cast<std::int32_t>(std::trunc((m_random.Unit() * kFreshWidth + kFreshLow) * span));
}

std::int32_t ScanWalk::ChooseGrainPosition(std::int32_t k)
{
    const double span = m_nSpan;
    if (k == 0) {
        m_nPositionA = FreshPosition(span);
        m_nPositionB = FreshPosition(span);
        NewSegmentLength();
        m_nGrainInSegment = 0;
    } else if (m_nGrainInSegment == m_nSegmentLength) {
        m_nPositionA = FreshPosition(span);
        NewSegmentLength();
        m_nGrainInSegment = 0;
    } else if (m_nGrainInSegment == m_nSegmentLength / 2) {
        m_nPositionB = FreshPosition(span);
    }

    const double blend = SegmentBlend(m_nGrainInSegment, m_nSegmentLength);
    const double u = m_random.Unit();
    std::int32_t& candidate = ((u + blend) * 0.5 < 0.5) ? m_nPositionA : m_nPositionB;

    std::int32_t p = candidate;
    std::int32_t d = static_cast<std::int32_t>(std::trunc((m_random.Unit() + 0.5) * m_nScanFrames));
    if (m_random.Below(2) == 0)
        d = -d;
    p += d;

    const auto lo = static_cast<std::int32_t>(std::trunc(span * kLowBound));
    if (p <= lo)
        p = lo;
    const auto hi = static_cast<std::int32_t>(std::trunc(span * kHighBound));
    if (p >= hi)
        p = hi;

    candidate = p;
    m_nGrainInSegment += 1;
    return p;
}

// At least one grain: a segment of a single grain (a sparse, short one) may
// draw 0, which would never end.
std::int32_t ScanWalk::NewSegmentLength()
{
    m_nSegmentLength =
        std::max(static_cast<std::int32_t>(std::trunc((m_random.Unit() + 0.5) * m_nSegmentGrains)), 1);
    return m_nSegmentLength;
}

void ScanWalk::SetPositions(std::int32_t a, std::int32_t b)
{
    m_nPositionA = a;
    m_nPositionB = b;
}

void ScanWalk::SetSegment(std::int32_t length, std::int32_t grainInSegment)
{
    m_nSegmentLength = length;
    m_nGrainInSegment = grainInSegment;
}

WalkState ScanWalk::GetState() const
{
    return WalkState{m_random.GetState(), m_nPositionA, m_nPositionB, m_nSegmentLength, m_nGrainInSegment};
}

void ScanWalk::SetState(const WalkState& state)
{
    m_random.SetState(state.m_nRandomState);
    SetPositions(state.m_nPositionA, state.m_nPositionB);
    SetSegment(state.m_nSegmentLength, state.m_nGrainInSegment);
}
