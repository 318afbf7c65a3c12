// What a lane shows of a layer: the keyframes that give its parameter a
// value (its points), the line through them, and the drift around it.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "engine/automation/keyframe_curves.h"
#include "engine/score/score.h"
#include "studio/model/lane_facts.h"

namespace studio {

struct LanePoint {
    std::size_t m_nKeyframe = 0;  // its index among the layer's keyframes
    double m_dSeconds = 0.0;
    double m_dValue = 0.0;          // a number, or a choice's index
    std::vector<double> m_list;     // a list lane's value
    Curve m_curve = Curve::Linear;  // how the value is reached from the point before
};

// Whether the keyframe gives the lane a value.
bool HoldsLane(const Keyframe& keyframe, LaneKey key);
// The lane's points in time order.
std::vector<LanePoint> PointsOf(const ScoreLayer& layer, LaneKey key);
// The layer's own value of the lane, which holds before its first point.
double BaseValue(const ScoreLayer& layer, LaneKey key);
std::vector<double> BaseList(const ScoreLayer& layer, LaneKey key);
// The line through the lane's points as the engine draws it (a number or
// gain lane; a choice lane steps through its indexes).
KeyframeLine LineOf(const ScoreLayer& layer, LaneKey key);
std::optional<Drift> DriftOf(const ScoreLayer& layer, LaneKey key);
// Whether the lane changes over the track: a point, or drift.
bool LaneMoves(const ScoreLayer& layer, LaneKey key);
// The lanes that change over the track, in the order of AllLanes.
std::vector<LaneKey> MovingLanes(const ScoreLayer& layer);

// A list lane's value at time seconds: the base list before its first point,
// then each point's list from its time on.
std::vector<double> ListAt(const ScoreLayer& layer, LaneKey key, double seconds);

}  // namespace studio
