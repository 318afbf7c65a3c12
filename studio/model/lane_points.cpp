#include "studio/model/lane_points.h"

namespace studio {

bool HoldsLane(const Keyframe& keyframe, LaneKey key)
{
    if (key.IsGain())
        return keyframe.m_gainDb.has_value();
    if (FactsOf(key).m_kind == LaneKind::List)
        return keyframe.m_pitchSet.has_value();
    return keyframe.m_values.count(*key.m_parameter) > 0;
}

std::vector<LanePoint> PointsOf(const ScoreLayer& layer, LaneKey key)
{
    const bool list = !key.IsGain() && FactsOf(key).m_kind == LaneKind::List;
    std::vector<LanePoint> points;
    for (std::size_t i = 0; i < layer.m_keyframes.size(); ++i) {
        const Keyframe& keyframe = layer.m_keyframes[i];
        if (!HoldsLane(keyframe, key))
            continue;
        LanePoint point;
        point.m_nKeyframe = i;
        point.m_dSeconds = keyframe.m_dSeconds;
        point.m_curve = keyframe.m_curve;
        if (key.IsGain())
            point.m_dValue = *keyframe.m_gainDb;
        else if (list)
            point.m_list = *keyframe.m_pitchSet;
        else
            point.m_dValue = keyframe.m_values.at(*key.m_parameter);
        points.push_back(std::move(point));
    }
    return points;
}

double BaseValue(const ScoreLayer& layer, LaneKey key)
{
    return key.IsGain() ? layer.m_dGainDb : layer.m_values.Get(*key.m_parameter);
}

std::vector<double> BaseList(const ScoreLayer& layer, LaneKey)
{
    return layer.m_values.GetPitchSet();
}

KeyframeLine LineOf(const ScoreLayer& layer, LaneKey key)
{
    KeyframeLine line(BaseValue(layer, key));
    // Choices change at their keyframes' times whatever the curve.
    const bool steps = !key.IsGain() && FactsOf(key).m_kind != LaneKind::Number;
    for (const LanePoint& point : PointsOf(layer, key))
        line.Add(point.m_dSeconds, point.m_dValue, steps ? Curve::Step : point.m_curve);
    return line;
}

std::optional<Drift> DriftOf(const ScoreLayer& layer, LaneKey key)
{
    if (key.IsGain())
        return layer.m_gainDrift;
    const auto found = layer.m_drift.find(*key.m_parameter);
    if (found == layer.m_drift.end())
        return std::nullopt;
    return found->second;
}

bool LaneMoves(const ScoreLayer& layer, LaneKey key)
{
    if (DriftOf(layer, key))
        return true;
    for (const Keyframe& keyframe : layer.m_keyframes) {
        if (HoldsLane(keyframe, key))
            return true;
    }
    return false;
}

std::vector<LaneKey> MovingLanes(const ScoreLayer& layer)
{
    std::vector<LaneKey> lanes;
    for (const LaneKey key : AllLanes()) {
        if (LaneMoves(layer, key))
            lanes.push_back(key);
    }
    return lanes;
}

std::vector<double> ListAt(const ScoreLayer& layer, LaneKey key, double seconds)
{
    std::vector<double> list = BaseList(layer, key);
    for (const Keyframe& keyframe : layer.m_keyframes) {
        if (keyframe.m_dSeconds > seconds)
            break;
        if (HoldsLane(keyframe, key))
            list = *keyframe.m_pitchSet;
    }
    return list;
}

}  // namespace studio
