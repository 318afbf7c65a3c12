#include "engine/finishing/evening/evening_planner.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <utility>

#include "engine/finishing/evening/evening_bounds.h"
#include "engine/finishing/evening/loudness_series.h"
#include "engine/finishing/evening/slope_limits.h"

namespace {

constexpr double kPointSeconds = 0.1;

// The step in dB allowed from one point to the next. Between the points the
// factor runs in a straight line, whose slope in dB is steepest at its low
// end: (20 / ln 10) (r - 1) per stretch for a ratio r between the points. So
// r - 1 may be at most kSteepestDbPerSecond × 0.1 s × ln 10 / 20, and the
// step is that r in dB (0.58 dB, a little under 0.6).
float StepPerPoint()
{
    const double ratio = 1.0 + kSteepestDbPerSecond * kPointSeconds * std::numbers::ln10 / 20.0;
    return static_cast<float>(20.0 * std::log10(ratio));
}

// The points [first, end) whose 3 s windows lie outside the fades of an open
// sound (all of a loop's); all points when the fades leave none.
std::pair<std::size_t, std::size_t> CountedPoints(const CurvePlacement& placement, std::uint64_t fadeFrames,
                                                  std::size_t points)
{
    constexpr std::uint64_t kStep = CurvePlacement::kPointFrames;
    const std::uint64_t frames = placement.m_nFrames;
    if (placement.m_bLoop || fadeFrames > frames)
        return {0, points};
    const std::uint64_t margin = fadeFrames + kShortTermBlocks / 2 * kStep;
    if (margin > frames / 2)
        return {0, points};
    const std::uint64_t first = (margin + kStep - 1) / kStep;
    const std::uint64_t last = (frames - margin) / kStep;
    if (first > last)
        return {0, points};
    return {static_cast<std::size_t>(first), std::min(points, static_cast<std::size_t>(last) + 1)};
}

// The gain in dB at each point: as near the least change as a curve that
// turns by at most step per point can come, and never above the most gain.
// The least changes, limited from above, start turning early enough to reach
// each lift or cut in time; the most gains, limited from below, turn down
// early enough to be under every point's ceiling. Both turn no faster than
// step, and so does the lower of the two. The series becomes the curve.
void GainsFromBounds(std::vector<float>& series, const EveningRule& rule, CurveEnds ends)
{
    std::vector<float> most(series.size());
    for (std::size_t k = 0; k < series.size(); ++k) {
        const GainBounds bounds = rule.BoundsAt(series[k]);
        series[k] = bounds.m_fLeast;
        most[k] = bounds.m_fMost;
    }
    const float step = StepPerPoint();
    LimitSlopeFromAbove(series, step, ends);
    LimitSlopeFromBelow(most, step, ends);
    for (std::size_t k = 0; k < series.size(); ++k)
        series[k] = std::min(series[k], most[k]);
    RoundCorners(series, most, kRoundingPoints, ends);
}

// The gains in dB become factors, in place.
void ToFactors(std::vector<float>& gains)
{
    for (float& gain : gains)
        gain = static_cast<float>(std::pow(10.0, gain / 20.0));
}

}  // namespace

EveningPlan PlanEvening(std::vector<float> blockEnergies, const CurvePlacement& placement,
                        std::uint64_t fadeFrames, double rangeLu)
{
    if (blockEnergies.size() < kShortTermBlocks || !placement.IsValid())
        return {};
    const CurveEnds ends = placement.m_bLoop ? CurveEnds::Circular : CurveEnds::Open;
    const std::size_t points = placement.PointCount();
    std::vector<float> series = ShortTermLoudness(blockEnergies, points, ends);
    blockEnergies = std::vector<float>();  // freed: the series is all the plan needs
    const auto [first, end] = CountedPoints(placement, fadeFrames, points);
    const std::optional<EveningRule> rule = RuleFor(series, first, end, rangeLu);
    if (!rule)
        return {};
    GainsFromBounds(series, *rule, ends);
    const auto [lowest, highest] = std::minmax_element(series.begin(), series.end());
    const EveningSummary summary{true, rule->m_dMedianLufs, rule->m_dGateLufs, *lowest, *highest};
    ToFactors(series);
    return {GainCurve(placement, std::move(series)), summary};
}
