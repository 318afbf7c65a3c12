#include "engine/score/keyframe_curves.h"

#include <algorithm>
#include <cmath>

namespace {

// Inside a line, silence stands for the quietest gain a keyframe may give.
double AudibleEnd(double value)
{
    return value == -INFINITY ? kQuietestGainDb : value;
}

}  // namespace

double CurveProgress(Curve curve, double u)
{
    switch (curve) {
    case Curve::Linear: return u;
    case Curve::Smooth: return u * u * (3.0 - 2.0 * u);
    case Curve::Step: return 0.0;
    }
    return u;
}

KeyframeLine::KeyframeLine(double startValue)
{
    m_points.push_back({0.0, startValue, Curve::Linear});
}

void KeyframeLine::Add(double seconds, double value, Curve curve)
{
    if (seconds <= 0.0 && m_points.size() == 1) {
        m_points.front().m_dValue = value;
        return;
    }
    m_points.push_back({seconds, value, curve});
}

double KeyframeLine::At(double seconds) const
{
    if (m_points.size() == 1)
        return m_points.front().m_dValue;
    // The first point after seconds; the one before it holds or starts the line.
    const auto after = std::upper_bound(m_points.begin(), m_points.end(), seconds,
                                        [](double time, const Point& point) { return time < point.m_dSeconds; });
    if (after == m_points.begin())
        return after->m_dValue;
    if (after == m_points.end())
        return m_points.back().m_dValue;
    return Between(*(after - 1), *after, seconds);
}

// from.m_dSeconds ≤ seconds < to.m_dSeconds.
double KeyframeLine::Between(const Point& from, const Point& to, double seconds)
{
    if (to.m_curve == Curve::Step || seconds <= from.m_dSeconds || from.m_dValue == to.m_dValue)
        return from.m_dValue;
    const double u = (seconds - from.m_dSeconds) / (to.m_dSeconds - from.m_dSeconds);
    const double start = AudibleEnd(from.m_dValue);
    const double end = AudibleEnd(to.m_dValue);
    return start + (end - start) * CurveProgress(to.m_curve, u);
}

double KeyframeLine::MonotoneUntil(double seconds) const
{
    const auto after = std::upper_bound(m_points.begin(), m_points.end(), seconds,
                                        [](double time, const Point& point) { return time < point.m_dSeconds; });
    return after == m_points.end() ? INFINITY : after->m_dSeconds;
}

bool KeyframeLine::HoldsOnly(double value) const
{
    return std::all_of(m_points.begin(), m_points.end(), [value](const Point& point) {
        return point.m_dValue == value;
    });
}

double KeyframeLine::Lowest() const
{
    double lowest = m_points.front().m_dValue;
    for (const Point& point : m_points)
        lowest = std::min(lowest, point.m_dValue);
    return lowest;
}

double KeyframeLine::Highest() const
{
    double highest = m_points.front().m_dValue;
    for (const Point& point : m_points)
        highest = std::max(highest, point.m_dValue);
    return highest;
}

std::vector<double> KeyframeLine::PointValues() const
{
    std::vector<double> values;
    values.reserve(m_points.size());
    for (const Point& point : m_points)
        values.push_back(point.m_dValue);
    return values;
}
