#include "engine/automation/keyframe_curves.h"

#include <algorithm>
#include <cmath>

namespace {

// A line between a gain and silence moves the gain's factor, 10^(dB/20),
// between the factor and 0 along its curve, as the track's own fades move the
// level; the value stays in dB. progress runs from the audible end (0) to
// silence (1).
double TowardsSilence(double audibleDb, double progress)
{
    const double factor = std::pow(10.0, audibleDb / 20.0) * (1.0 - progress);
    return factor > 0.0 ? 20.0 * std::log10(factor) : -INFINITY;
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
    const double progress = CurveProgress(to.m_curve, u);
    if (to.m_dValue == -INFINITY)
        return TowardsSilence(from.m_dValue, progress);
    if (from.m_dValue == -INFINITY)
        return TowardsSilence(to.m_dValue, 1.0 - progress);
    return from.m_dValue + (to.m_dValue - from.m_dValue) * progress;
}

// The value as the line reaches seconds from before: of the points at seconds
// itself, none is taken yet, and the first is reached along its curve.
double KeyframeLine::Before(double seconds) const
{
    const auto at = std::lower_bound(m_points.begin(), m_points.end(), seconds,
                                     [](const Point& point, double time) { return point.m_dSeconds < time; });
    if (at == m_points.begin() || at == m_points.end() || at->m_dSeconds != seconds)
        return At(seconds);
    return at->m_curve == Curve::Step ? (at - 1)->m_dValue : at->m_dValue;
}

// A point reached by a step, or at the same time as the point before it,
// changes the value at once where the values differ.
std::vector<double> KeyframeLine::JumpTimes() const
{
    std::vector<double> times;
    for (std::size_t i = 1; i < m_points.size(); ++i) {
        const Point& from = m_points[i - 1];
        const Point& to = m_points[i];
        const bool atOnce = to.m_curve == Curve::Step || to.m_dSeconds == from.m_dSeconds;
        if (atOnce && to.m_dValue != from.m_dValue && (times.empty() || times.back() != to.m_dSeconds))
            times.push_back(to.m_dSeconds);
    }
    return times;
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
