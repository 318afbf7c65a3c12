#include "engine/finishing/evening/gain_curve.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

std::size_t CurvePlacement::PointCount() const
{
    if (m_nFrames == 0)
        return 0;
    // A loop's last stretch ends at point 0; an open sound needs a point at
    // or past its last frame to end its last stretch.
    const std::uint64_t stretches = (m_nFrames - 1) / kPointFrames + 1;
    return static_cast<std::size_t>(m_bLoop ? stretches : stretches + 1);
}

std::uint64_t CurvePlacement::OffsetOf(std::uint64_t frame) const
{
    return frame >= m_nOrigin ? frame - m_nOrigin : frame + (m_nFrames - m_nOrigin);
}

bool CurvePlacement::IsValid() const
{
    if (m_bLoop)
        return m_nOrigin < std::max<std::uint64_t>(m_nFrames, 1);
    return m_nOrigin == 0;
}

GainCurve::GainCurve(const CurvePlacement& placement, std::vector<float> factors)
    : m_placement(placement)
    , m_factors(std::move(factors))
{
    if (!placement.IsValid() || m_factors.size() != placement.PointCount())
        throw std::invalid_argument("a gain curve needs one factor per point of its sound");
}

double GainCurve::At(std::uint64_t frame) const
{
    if (m_factors.empty())
        return 1.0;
    constexpr std::uint64_t kStep = CurvePlacement::kPointFrames;
    const std::uint64_t offset = m_placement.OffsetOf(std::min(frame, m_placement.m_nFrames - 1));
    const std::uint64_t k = offset / kStep;
    std::size_t next = static_cast<std::size_t>(k) + 1;
    std::uint64_t stretch = kStep;
    if (next == m_factors.size()) {  // a loop's last stretch, which ends at point 0
        next = 0;
        stretch = m_placement.m_nFrames - k * kStep;
    }
    const double from = m_factors[static_cast<std::size_t>(k)];
    const double to = m_factors[next];
    return from + (to - from) * (static_cast<double>(offset - k * kStep) / static_cast<double>(stretch));
}
