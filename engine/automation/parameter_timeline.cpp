#include "engine/automation/parameter_timeline.h"

#include <algorithm>
#include <cmath>

#include "engine/parameters/parameter_table.h"

namespace {

// Drift streams: 64 lanes a layer, each parameter's the drift lane its row
// in the parameter table gives, the gain's the last.
constexpr std::uint32_t kLanesPerLayer = 64;
constexpr std::uint32_t kGainLane = 63;
static_assert(kLastDriftLane < kGainLane);

struct DriftPlace {
    double m_dLengthSeconds;
    std::uint32_t m_nSeed;
    int m_nLayerIndex;
    bool m_bLoop;
};

std::optional<DriftNoise> NoiseOf(const Drift* drift, const DriftPlace& place, std::uint32_t laneInLayer)
{
    if (!drift || !(drift->m_dDepth > 0.0) || !(drift->m_dPeriodSeconds > 0.0))
        return std::nullopt;
    const auto lane = static_cast<std::uint32_t>(place.m_nLayerIndex) * kLanesPerLayer + laneInLayer;
    return DriftNoise(RandomStream(place.m_nSeed, StreamPurpose::Drift, lane), drift->m_dPeriodSeconds,
                      place.m_dLengthSeconds, place.m_bLoop);
}

// The line of one parameter (a whole index for the window): the layer's own
// value, then every keyframe that names it. stepOnly: changes come at once.
KeyframeLine LineOf(const ScoreLayer& layer, ParameterId id, bool stepOnly)
{
    KeyframeLine line(layer.m_values.Get(id));
    for (const Keyframe& keyframe : layer.m_keyframes) {
        const auto value = keyframe.m_values.find(id);
        if (value != keyframe.m_values.end())
            line.Add(keyframe.m_dSeconds, value->second, stepOnly ? Curve::Step : keyframe.m_curve);
    }
    return line;
}

MovingNumber NumberOf(const ScoreLayer& layer, const ParameterRow& row, const DriftPlace& place)
{
    const NumberLimits limits{LowestOf(row), row.m_dMaximum, row.m_kind == ParameterKind::Whole ? row.m_dStep : 0.0,
                              row.m_dMinimum, row.m_bZeroIsOff ? std::optional<double>(0.0) : std::nullopt};
    const auto drift = layer.m_drift.find(row.m_id);
    const Drift* driftOfRow = drift == layer.m_drift.end() ? nullptr : &drift->second;
    const auto noise = NoiseOf(driftOfRow, place, row.m_nDriftLane);
    return MovingNumber(LineOf(layer, row.m_id, false), limits, noise, driftOfRow ? driftOfRow->m_dDepth : 0.0);
}

MovingNumber GainOf(const ScoreLayer& layer, const DriftPlace& place)
{
    KeyframeLine line(layer.m_dGainDb);
    for (const Keyframe& keyframe : layer.m_keyframes) {
        if (keyframe.m_gainDb)
            line.Add(keyframe.m_dSeconds, *keyframe.m_gainDb, keyframe.m_curve);
    }
    const NumberLimits limits{kQuietestGainDb, kLoudestGainDb, 0.0, kQuietestGainDb, -INFINITY};
    const Drift* drift = layer.m_gainDrift ? &*layer.m_gainDrift : nullptr;
    return MovingNumber(line, limits, NoiseOf(drift, place, kGainLane), drift ? drift->m_dDepth : 0.0);
}

// 10^(dB/20), exactly 0 for -infinity and exactly 1 for 0 dB.
double FactorOf(double gainDb)
{
    if (gainDb == -INFINITY)
        return 0.0;
    if (gainDb == 0.0)
        return 1.0;
    return std::pow(10.0, gainDb / 20.0);
}

// The distinct values of a stepped line, in the order they first appear.
std::vector<double> DistinctValues(const KeyframeLine& line)
{
    std::vector<double> distinct;
    for (const double value : line.PointValues()) {
        if (std::find(distinct.begin(), distinct.end(), value) == distinct.end())
            distinct.push_back(value);
    }
    return distinct;
}

}  // namespace

ParameterTimeline::ParameterTimeline(const ScoreLayer& layer, double lengthSeconds, std::uint32_t seed,
                                     int layerIndex, bool loop)
    : m_dLengthSeconds(lengthSeconds),
      m_gain(GainOf(layer, DriftPlace{lengthSeconds, seed, layerIndex, loop}))
{
    AddLines(layer, seed, layerIndex, loop);
    AddPitchSets(layer);
    m_bConstant = FindConstant(layer);
    for (const Keyframe& keyframe : layer.m_keyframes)
        m_keyframeTimes.push_back(keyframe.m_dSeconds);
    m_gainJumps = m_gain.JumpTimes();
}

void ParameterTimeline::AddLines(const ScoreLayer& layer, std::uint32_t seed, int layerIndex, bool loop)
{
    const DriftPlace place{m_dLengthSeconds, seed, layerIndex, loop};
    for (const ParameterRow& row : ParameterTable()) {
        const auto index = static_cast<std::size_t>(IndexOf(row.m_id));
        switch (row.m_kind) {
        case ParameterKind::Whole:
        case ParameterKind::Real: m_numbers[index] = NumberOf(layer, row, place); break;
        case ParameterKind::Choice: m_steps[index] = LineOf(layer, row.m_id, true); break;
        case ParameterKind::RealList: break;  // the pitch set, with its own list of sets
        }
    }
}

// The pitch set steps through indexes into m_pitchSets.
void ParameterTimeline::AddPitchSets(const ScoreLayer& layer)
{
    const auto indexOf = [this](const std::vector<double>& set) {
        const auto found = std::find(m_pitchSets.begin(), m_pitchSets.end(), set);
        if (found != m_pitchSets.end())
            return static_cast<double>(found - m_pitchSets.begin());
        m_pitchSets.push_back(set);
        const auto [lowest, highest] = std::minmax_element(set.begin(), set.end());
        m_pitchSetIntervals.push_back(set.empty() ? ValueBounds{} : ValueBounds{*lowest, *highest});
        return static_cast<double>(m_pitchSets.size() - 1);
    };
    KeyframeLine line(indexOf(layer.m_values.GetPitchSet()));
    for (const Keyframe& keyframe : layer.m_keyframes) {
        if (keyframe.m_pitchSet)
            line.Add(keyframe.m_dSeconds, indexOf(*keyframe.m_pitchSet), Curve::Step);
    }
    m_steps[static_cast<std::size_t>(IndexOf(ParameterId::PitchSet))] = line;
}

bool ParameterTimeline::FindConstant(const ScoreLayer& layer) const
{
    if (!m_gain.HoldsOnly(layer.m_dGainDb))
        return false;
    for (const ParameterRow& row : ParameterTable()) {
        const auto index = static_cast<std::size_t>(IndexOf(row.m_id));
        if (m_numbers[index] && !m_numbers[index]->HoldsOnly(layer.m_values.Get(row.m_id)))
            return false;
        if (row.m_kind == ParameterKind::Choice && !m_steps[index]->HoldsOnly(layer.m_values.Get(row.m_id)))
            return false;
    }
    // The layer's own set is the first one found.
    return m_steps[static_cast<std::size_t>(IndexOf(ParameterId::PitchSet))]->HoldsOnly(0.0);
}

bool ParameterTimeline::IsConstant() const
{
    return m_bConstant;
}

double ParameterTimeline::ClampedTime(double seconds) const
{
    if (!(seconds > 0.0))
        return 0.0;
    return std::min(seconds, m_dLengthSeconds);
}

LayerValues ParameterTimeline::At(double seconds) const
{
    LayerValues values;
    At(seconds, values);
    return values;
}

void ParameterTimeline::At(double seconds, LayerValues& values) const
{
    const double time = ClampedTime(seconds);
    for (const ParameterRow& row : ParameterTable()) {
        const auto index = static_cast<std::size_t>(IndexOf(row.m_id));
        if (m_numbers[index])
            values.m_values.Set(row.m_id, m_numbers[index]->At(time));
        else if (row.m_kind == ParameterKind::Choice)
            values.m_values.Set(row.m_id, m_steps[index]->At(time));
        else
            values.m_values.AssignPitchSet(m_pitchSets[static_cast<std::size_t>(m_steps[index]->At(time))]);
    }
    values.m_dGainDb = m_gain.At(time);
}

double ParameterTimeline::NumberAt(ParameterId id, double seconds) const
{
    return m_numbers[static_cast<std::size_t>(IndexOf(id))]->At(ClampedTime(seconds));
}

// Every time before 0:00 is 0:00, every time after the end is the end.
double ParameterTimeline::NumberSteadyUntil(ParameterId id, double seconds) const
{
    if (seconds >= m_dLengthSeconds)
        return INFINITY;
    const double until = m_numbers[static_cast<std::size_t>(IndexOf(id))]->SteadyUntil(ClampedTime(seconds));
    if (until > m_dLengthSeconds)
        return INFINITY;
    return std::max(until, 0.0);
}

double ParameterTimeline::GainDbAt(double seconds) const
{
    return m_gain.At(ClampedTime(seconds));
}

double ParameterTimeline::GainAt(double seconds) const
{
    const double time = ClampedTime(seconds);
    double factor = FactorOf(m_gain.At(time));
    // Each jump less than kGainJumpSeconds ago still holds back the part of
    // its change the S-curve has not made yet.
    const auto after = std::upper_bound(m_gainJumps.begin(), m_gainJumps.end(), time);
    bool moving = false;
    for (auto jump = after; jump != m_gainJumps.begin();) {
        --jump;
        const double since = time - *jump;
        if (since >= kGainJumpSeconds)
            break;
        const double unmade = 1.0 - CurveProgress(Curve::Smooth, since / kGainJumpSeconds);
        factor += (FactorOf(m_gain.Before(*jump)) - FactorOf(m_gain.At(*jump))) * unmade;
        moving = true;
    }
    return moving ? std::max(factor, 0.0) : factor;
}

ValueBounds ParameterTimeline::BoundsOf(ParameterId id) const
{
    const auto& number = m_numbers[static_cast<std::size_t>(IndexOf(id))];
    return number ? number->Bounds() : ValueBounds{};
}

ValueBounds ParameterTimeline::GainBoundsDb() const
{
    return m_gain.Bounds();
}

ValueBounds ParameterTimeline::BoundsBetween(ParameterId id, double from, double to) const
{
    const auto& number = m_numbers[static_cast<std::size_t>(IndexOf(id))];
    return number ? number->BoundsBetween(ClampedTime(from), ClampedTime(to)) : ValueBounds{};
}

ValueBounds ParameterTimeline::IntervalBoundsBetween(double from, double to) const
{
    ValueBounds bounds{INFINITY, -INFINITY};
    const KeyframeLine& sets = *m_steps[static_cast<std::size_t>(IndexOf(ParameterId::PitchSet))];
    sets.VisitValuesBetween(ClampedTime(from), ClampedTime(to), [&](double index) {
        const ValueBounds& intervals = m_pitchSetIntervals[static_cast<std::size_t>(index)];
        bounds.m_dLowest = std::min(bounds.m_dLowest, intervals.m_dLowest);
        bounds.m_dHighest = std::max(bounds.m_dHighest, intervals.m_dHighest);
    });
    return bounds;
}

std::vector<std::vector<double>> ParameterTimeline::PitchSets() const
{
    std::vector<std::vector<double>> used;
    for (const double index : DistinctValues(*m_steps[static_cast<std::size_t>(IndexOf(ParameterId::PitchSet))]))
        used.push_back(m_pitchSets[static_cast<std::size_t>(index)]);
    return used;
}

std::vector<int> ParameterTimeline::WindowChoices() const
{
    std::vector<int> used;
    for (const double index : DistinctValues(*m_steps[static_cast<std::size_t>(IndexOf(ParameterId::Window))]))
        used.push_back(static_cast<int>(index));
    return used;
}
