#include "engine/score/steady_value.h"

#include <algorithm>
#include <cmath>

#include "engine/score/moving_number.h"

namespace {

// Far more than the rounding errors of a line and a drift at the numbers a
// parameter takes, far less than a step.
constexpr double kRelativeMargin = 1e-9;

// The time to cover distance at rate; forever at no rate.
double TimeToCover(double distance, double rate)
{
    return rate > 0.0 ? distance / rate : INFINITY;
}

// How long an off-able number stays on its side of its range's low end,
// which only its line decides.
double OffSideHolds(const NumberMotion& motion, const NumberLimits& limits, double margin)
{
    const double distance = std::abs(motion.m_dLine - limits.m_dLowest) - margin;
    if (distance <= 0.0)
        return 0.0;
    return TimeToCover(distance, motion.m_dLine < limits.m_dLowest ? motion.m_line.m_dRise : motion.m_line.m_dFall);
}

}  // namespace

double SteadyValueUntil(const NumberMotion& motion, const NumberLimits& limits)
{
    const double seconds = motion.m_dSeconds;
    const double until = std::min(motion.m_line.m_dUntil, motion.m_total.m_dUntil);
    if (!(until > seconds) || !std::isfinite(motion.m_dRaw))
        return seconds;
    const double rise = motion.m_total.m_dRise;
    const double fall = motion.m_total.m_dFall;
    if (limits.m_dStep <= 0.0)
        return rise == 0.0 && fall == 0.0 ? until : seconds;
    const double margin =
        kRelativeMargin * std::max({1.0, std::abs(motion.m_dRaw), std::abs(limits.m_dLowest), std::abs(limits.m_dHighest)});
    double holds = INFINITY;
    if (limits.m_off) {
        holds = OffSideHolds(motion, limits, margin);
        if (motion.m_dLine < limits.m_dLowest)
            return holds > 0.0 ? std::min(until, seconds + holds) : seconds;
    }
    // The step the value is kept to, as MovingNumber rounds it, and the raw
    // values that round to it.
    const double step = limits.m_dStep;
    const double kept = std::clamp(motion.m_dRaw, limits.m_dLowest, limits.m_dHighest);
    const double mostSteps = std::floor((limits.m_dHighest - limits.m_dLowest) / step);
    const double steps = std::min(std::round((kept - limits.m_dLowest) / step), mostSteps);
    const double lowerEdge = steps <= 0.0 ? -INFINITY : limits.m_dLowest + (steps - 0.5) * step;
    const double upperEdge = steps >= mostSteps ? INFINITY : limits.m_dLowest + (steps + 0.5) * step;
    const double room = upperEdge - motion.m_dRaw - margin;
    const double depth = motion.m_dRaw - lowerEdge - margin;
    if (room <= 0.0 || depth <= 0.0)
        return seconds;
    holds = std::min({holds, TimeToCover(room, rise), TimeToCover(depth, fall)});
    return holds > 0.0 ? std::min(until, seconds + holds) : seconds;
}
