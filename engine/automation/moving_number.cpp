#include "engine/automation/moving_number.h"

#include <algorithm>
#include <cmath>
#include <utility>

MovingNumber::MovingNumber(KeyframeLine line, NumberLimits limits, std::optional<DriftNoise> drift,
                           double driftDepth)
    : m_line(std::move(line)), m_limits(limits), m_drift(std::move(drift)), m_dDriftDepth(m_drift ? driftDepth : 0.0)
{
}

double MovingNumber::At(double seconds) const
{
    const double line = m_line.At(seconds);
    const double drift = m_drift ? m_dDriftDepth * m_drift->At(seconds) : 0.0;
    return Kept(line, drift);
}

double MovingNumber::Before(double seconds) const
{
    const double drift = m_drift ? m_dDriftDepth * m_drift->At(seconds) : 0.0;
    return Kept(m_line.Before(seconds), drift);
}

// The line between two of its points and the drift within one period each
// move one way only.
double MovingNumber::SteadyUntil(double seconds) const
{
    double end = m_line.MonotoneUntil(seconds);
    if (m_drift)
        end = std::min(end, m_drift->MonotoneUntil(seconds));
    if (!(end > seconds))
        return seconds;
    const NumberParts at = PartsAt(seconds);
    const std::optional<SteadyBand> band = SteadyBandOf(at, m_limits);
    if (!band)
        return seconds;
    return SteadyWithin(seconds, end, *band, at, [this](double t) { return PartsAt(t); });
}

NumberParts MovingNumber::PartsAt(double seconds) const
{
    return {m_line.At(seconds), m_drift ? m_dDriftDepth * m_drift->At(seconds) : 0.0};
}

bool MovingNumber::HoldsOnly(double value) const
{
    return !m_drift && m_line.HoldsOnly(value);
}

ValueBounds MovingNumber::Bounds() const
{
    return {Kept(m_line.Lowest(), -m_dDriftDepth), Kept(m_line.Highest(), m_dDriftDepth)};
}

ValueBounds MovingNumber::BoundsBetween(double from, double to) const
{
    double lowest = INFINITY;
    double highest = -INFINITY;
    m_line.VisitValuesBetween(from, to, [&](double value) {
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);
    });
    return {Kept(lowest, -m_dDriftDepth), Kept(highest, m_dDriftDepth)};
}

double MovingNumber::Kept(double line, double drift) const
{
    if (m_limits.m_off && line < m_limits.m_dLowest)
        return *m_limits.m_off;
    const double value = std::clamp(line + drift, m_limits.m_dLowest, m_limits.m_dHighest);
    if (m_limits.m_dStep <= 0.0)
        return value;
    if (value < m_limits.m_dStepsFrom)
        return std::round(value);
    // The nearest allowed value; the highest allowed one where the range ends
    // between two steps.
    const double step = m_limits.m_dStep;
    const double steps = std::round((value - m_limits.m_dStepsFrom) / step);
    const double mostSteps = std::floor((m_limits.m_dHighest - m_limits.m_dStepsFrom) / step);
    return m_limits.m_dStepsFrom + std::min(steps, mostSteps) * step;
}
