#include "engine/automation/drift_noise.h"

#include <algorithm>
#include <cmath>

namespace {

// Far shorter than any drift a score may ask for; it only keeps the knots'
// indexes well inside 64 bits whatever the caller passes.
constexpr double kShortestPeriodSeconds = 1e-3;
// Past this many periods a double no longer tells neighbouring knots apart.
constexpr double kMostPeriods = 0x1p52;

}  // namespace

DriftNoise::DriftNoise(RandomStream stream, double periodSeconds, double lengthSeconds, bool loop)
    : m_stream(stream),
      m_dPeriodSeconds(periodSeconds > kShortestPeriodSeconds ? periodSeconds : kShortestPeriodSeconds),
      m_nLoopKnots(0)
{
    if (!loop || !(lengthSeconds > 0.0))
        return;
    // The nearest whole number of periods, at least one.
    const double periods = std::min(std::floor(lengthSeconds / m_dPeriodSeconds + 0.5), kMostPeriods);
    m_nLoopKnots = std::max<std::int64_t>(1, static_cast<std::int64_t>(periods));
    m_dPeriodSeconds = lengthSeconds / static_cast<double>(m_nLoopKnots);
}

double DriftNoise::Knot(std::int64_t index) const
{
    if (m_nLoopKnots > 0)
        index = ((index % m_nLoopKnots) + m_nLoopKnots) % m_nLoopKnots;
    return 2.0 * m_stream.UnitAt(static_cast<std::uint64_t>(index)) - 1.0;
}

double DriftNoise::Slope(double before, double at, double after, std::int64_t index) const
{
    if (index <= 0 && m_nLoopKnots == 0)
        return 0.0;
    const double rise = at - before;
    const double next = after - at;
    if (rise * next <= 0.0)
        return 0.0;
    return 2.0 * rise * next / (rise + next);
}

double DriftNoise::MonotoneUntil(double seconds) const
{
    const double place = seconds > 0.0 ? seconds / m_dPeriodSeconds : 0.0;
    if (!(place < kMostPeriods))
        return seconds;
    const double until = (std::floor(place) + 1.0) * m_dPeriodSeconds * (1.0 - 1e-12);
    return until > seconds ? until : seconds;
}

double DriftNoise::At(double seconds) const
{
    const double place = seconds > 0.0 ? std::min(seconds / m_dPeriodSeconds, kMostPeriods) : 0.0;
    const double whole = std::floor(place);
    const double u = place - whole;
    const auto index = static_cast<std::int64_t>(whole);
    const double before = Knot(index - 1);
    const double from = Knot(index);
    const double to = Knot(index + 1);
    const double after = Knot(index + 2);
    const double slopeFrom = Slope(before, from, to, index);
    const double slopeTo = Slope(from, to, after, index + 1);
    // Cubic Hermite on one period.
    const double u2 = u * u;
    const double u3 = u2 * u;
    const double value = (2.0 * u3 - 3.0 * u2 + 1.0) * from + (u3 - 2.0 * u2 + u) * slopeFrom +
                         (3.0 * u2 - 2.0 * u3) * to + (u3 - u2) * slopeTo;
    return std::clamp(value, -1.0, 1.0);
}
