#include "engine/automation/steady_value.h"

#include <algorithm>

#include "engine/automation/moving_number.h"

namespace {

// Far more than the rounding errors of a line and a drift at the numbers a
// parameter takes, far less than a step.
constexpr double kRelativeMargin = 1e-9;
// A hundredth of a frame's time: where the search stops.
constexpr double kToleranceSeconds = 1.0 / 4410000.0;
constexpr int kMostProbes = 64;

// How far the parts between their values at two times can leave the band
// (at most 0: they stay inside).
double Excess(const SteadyBand& band, const NumberParts& a, const NumberParts& b)
{
    const double lineLow = std::min(a.m_dLine, b.m_dLine);
    const double lineHigh = std::max(a.m_dLine, b.m_dLine);
    const double rawLow = lineLow + std::min(a.m_dDrift, b.m_dDrift);
    const double rawHigh = lineHigh + std::max(a.m_dDrift, b.m_dDrift);
    return std::max({rawHigh - band.m_dHighRaw, band.m_dLowRaw - rawLow, lineHigh - band.m_dHighLine,
                     band.m_dLowLine - lineLow});
}

}  // namespace

std::optional<SteadyBand> SteadyBandOf(const NumberParts& parts, const NumberLimits& limits)
{
    const double line = parts.m_dLine;
    const double raw = parts.m_dLine + parts.m_dDrift;
    if (!std::isfinite(raw))
        return std::nullopt;
    const double margin = kRelativeMargin * std::max({1.0, std::abs(raw), std::abs(line), std::abs(limits.m_dLowest),
                                                      std::abs(limits.m_dHighest)});
    SteadyBand band;
    if (limits.m_off) {
        if (std::abs(line - limits.m_dLowest) <= margin)
            return std::nullopt;
        if (line < limits.m_dLowest) {
            band.m_dHighLine = limits.m_dLowest - margin;  // off, whatever the drift
            return band;
        }
        band.m_dLowLine = limits.m_dLowest + margin;
    }
    if (limits.m_dStep <= 0.0) {
        band.m_dLowRaw = raw;
        band.m_dHighRaw = raw;
        return band;
    }
    // The step the value is kept to, as MovingNumber rounds it, and the raw
    // values that round to it: a whole number below the steps, else a step.
    const double step = limits.m_dStep;
    const double from = limits.m_dStepsFrom;
    const double kept = std::clamp(raw, limits.m_dLowest, limits.m_dHighest);
    const double whole = std::round(kept);
    if (kept < from && whole < from) {
        if (whole > limits.m_dLowest)
            band.m_dLowRaw = whole - 0.5 + margin;
        band.m_dHighRaw = whole + 0.5 - margin;
    } else {
        const double mostSteps = std::floor((limits.m_dHighest - from) / step);
        const double steps = std::min(std::round((std::max(kept, from) - from) / step), mostSteps);
        if (steps > 0.0)
            band.m_dLowRaw = from + (steps - 0.5) * step + margin;
        else if (from > limits.m_dLowest)
            band.m_dLowRaw = from - 0.5 + margin;
        if (steps < mostSteps)
            band.m_dHighRaw = from + (steps + 0.5) * step - margin;
    }
    if (!(raw > band.m_dLowRaw && raw < band.m_dHighRaw))
        return std::nullopt;
    return band;
}

// Where the band is left, by regula falsi with the Illinois halving: the
// excess never falls as the later time moves on, so the times where it is at
// most 0 come first.
double SteadyWithin(double seconds, double end, const SteadyBand& band, const NumberParts& at,
                    const std::function<NumberParts(double)>& partsAt)
{
    if (end == INFINITY)
        return INFINITY;  // neither part moves any more
    const double last = std::nextafter(end, seconds);
    if (!(last > seconds))
        return seconds;
    double bad = last;
    double badExcess = Excess(band, at, partsAt(last));
    if (badExcess <= 0.0)
        return end;
    double good = seconds;
    double goodExcess = Excess(band, at, at);
    int lastMoved = 0;  // −1: good, +1: bad
    for (int probe = 0; probe < kMostProbes && bad - good > kToleranceSeconds; ++probe) {
        double t = good + (bad - good) * (goodExcess / (goodExcess - badExcess));
        if (!(t > good && t < bad))
            t = good + (bad - good) * 0.5;
        const double excess = Excess(band, at, partsAt(t));
        if (excess <= 0.0) {
            good = t;
            goodExcess = excess;
            if (lastMoved == -1)
                badExcess *= 0.5;
            lastMoved = -1;
        } else {
            bad = t;
            badExcess = excess;
            if (lastMoved == 1)
                goodExcess *= 0.5;
            lastMoved = 1;
        }
    }
    return good;
}
