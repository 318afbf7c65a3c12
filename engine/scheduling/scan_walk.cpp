#include "engine/scheduling/scan_walk.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/scheduling/envelope_shapes.h"

namespace {

// A fresh position lies in the middle 80 % of the span.
constexpr double kFreshLow = 0.1;
constexpr double kFreshWidth = 0.8;
constexpr double kLowBound = 0.1;
constexpr double kHighBound = 0.9;

}  // namespace

WalkReach ReachOf(std::uint32_t span, double position, double spread)
{
    const double frames = span;
    WalkReach reach;
    reach.m_nLowBound = static_cast<std::int32_t>(std::trunc(frames * kLowBound));
    reach.m_nHighBound = static_cast<std::int32_t>(std::trunc(frames * kHighBound));
    reach.m_nMiddle = static_cast<std::int32_t>(std::trunc(frames * 0.5));
    if (!(spread < 1.0))
        return reach;
    const double share = std::max(spread, 0.0);
    const double width = share * kFreshWidth * frames;
    const double margin = share * kFreshLow * frames;
    const double centred = std::clamp(position, 0.0, 1.0) * frames - 0.5 * width;
    reach.m_bWhole = false;
    reach.m_dLow = std::clamp(centred, margin, std::max(margin, frames - margin - width));
    reach.m_dWidth = width;
    reach.m_nLowBound = static_cast<std::int32_t>(std::trunc(reach.m_dLow));
    reach.m_nHighBound = static_cast<std::int32_t>(std::trunc(reach.m_dLow + width));
    reach.m_nMiddle = static_cast<std::int32_t>(std::trunc(reach.m_dLow + 0.5 * width));
    reach.m_nLargestStep = static_cast<std::int32_t>(std::trunc(0.125 * width));
    return reach;
}

// The whole reach keeps the walk's own arithmetic, to the bit.
std::int32_t ScanWalk::FreshPosition(double span)
{
    const double u = m_random.Unit();
    if (m_reach.m_bWhole)
        return static_cast<std::int32_t>(std::trunc((u * kFreshWidth + kFreshLow) * span));
    return static_cast<std::int32_t>(std::trunc(m_reach.m_dLow + u * m_reach.m_dWidth));
}

std::int32_t ScanWalk::ChooseGrainPosition(std::int32_t k)
{
    const double span = m_nSpan;
    if (!m_reach.m_bWhole && k != 0)
        FollowReach();
    m_nReachMiddle = m_reach.m_nMiddle;
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
    std::int32_t d = static_cast<std::int32_t>(std::trunc((m_random.Unit() + 0.5) * m_reach.StepFrames(m_nScanFrames)));
    if (m_random.Below(2) == 0)
        d = -d;
    p += d;

    const std::int32_t lo = m_reach.m_bWhole ? static_cast<std::int32_t>(std::trunc(span * kLowBound))
                                             : m_reach.m_nLowBound;
    if (p <= lo)
        p = lo;
    const std::int32_t hi = m_reach.m_bWhole ? static_cast<std::int32_t>(std::trunc(span * kHighBound))
                                             : m_reach.m_nHighBound;
    if (p >= hi)
        p = hi;

    candidate = p;
    m_nGrainInSegment += 1;
    return p;
}

// Both candidates by as far as the reach's middle moved since they were last
// moved (in 64 bits: a candidate may lie anywhere in a span of up to 2^31
// frames), before they draw or step; a step clamps the one it moves into the
// reach.
void ScanWalk::FollowReach()
{
    const std::int64_t shift = static_cast<std::int64_t>(m_reach.m_nMiddle) - m_nReachMiddle;
    if (shift == 0)
        return;
    const auto moved = [shift](std::int32_t position) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(position + shift, 0, std::numeric_limits<std::int32_t>::max()));
    };
    m_nPositionA = moved(m_nPositionA);
    m_nPositionB = moved(m_nPositionB);
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
    return WalkState{m_random.GetState(), m_nPositionA,      m_nPositionB,
                     m_nSegmentLength,    m_nGrainInSegment, m_nReachMiddle};
}

void ScanWalk::SetState(const WalkState& state)
{
    m_random.SetState(state.m_nRandomState);
    SetPositions(state.m_nPositionA, state.m_nPositionB);
    SetSegment(state.m_nSegmentLength, state.m_nGrainInSegment);
    m_nReachMiddle = state.m_nReachMiddle;
}
