#include "engine/score/moving_number.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/score/steady_value.h"

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

double MovingNumber::SteadyUntil(double seconds) const
{
    NumberMotion motion;
    motion.m_dSeconds = seconds;
    motion.m_dLine = m_line.At(seconds);
    motion.m_line = m_line.SlopeAt(seconds);
    motion.m_total = motion.m_line;
    motion.m_dRaw = motion.m_dLine;
    if (m_drift) {
        motion.m_dRaw += m_dDriftDepth * m_drift->At(seconds);
        const SlopeBound drift = m_drift->SlopeAt(seconds);
        motion.m_total.m_dUntil = std::min(motion.m_total.m_dUntil, drift.m_dUntil);
        motion.m_total.m_dRise += m_dDriftDepth * drift.m_dRise;
        motion.m_total.m_dFall += m_dDriftDepth * drift.m_dFall;
    }
    return SteadyValueUntil(motion, m_limits);
}

bool MovingNumber::HoldsOnly(double value) const
{
    return !m_drift && m_line.HoldsOnly(value);
}

ValueBounds MovingNumber::Bounds() const
{
    return {Kept(m_line.Lowest(), -m_dDriftDepth), Kept(m_line.Highest(), m_dDriftDepth)};
}

double MovingNumber::Kept(double line, double drift) const
{
    if (m_limits.m_off && line < m_limits.m_dLowest)
        return *m_limits.m_off;
    const double value = std::clamp(line + drift, m_limits.m_dLowest, m_limits.m_dHighest);
    if (m_limits.m_dStep <= 0.0)
        return value;
    // The nearest allowed value; the highest allowed one where the range ends
    // between two steps.
    const double step = m_limits.m_dStep;
    const double steps = std::round((value - m_limits.m_dLowest) / step);
    const double mostSteps = std::floor((m_limits.m_dHighest - m_limits.m_dLowest) / step);
    return m_limits.m_dLowest + std::min(steps, mostSteps) * step;
}
