// Edits of a lane's points, as score edits: each keeps the score one a
// score file can hold (keyframes in time order, at most one at a time,
// inside the track, values the table allows), whatever it is asked.
//
// A keyframe gives values to several lanes at once. A point moved to
// another time takes only its own lane's value along: the keyframe it left
// keeps its other values (and is removed once it holds none), and a
// keyframe already at the new time takes the value in.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "studio/model/lane_facts.h"
#include "studio/model/score_edit.h"

namespace studio {

struct LaneTarget {
    std::size_t m_nLayer = 0;
    LaneKey m_key;
};

// A point's value: a number (a choice's index), or a list lane's list.
struct LaneValue {
    double m_dNumber = 0.0;
    std::vector<double> m_list;
};

// Keyframe times are kept to whole milliseconds inside [0, track length].
double KeepTime(const Score& score, double seconds);

// A point at seconds with value (added to a keyframe already there).
ScoreEdit AddPoint(const Score& score, LaneTarget target, double seconds, const LaneValue& value);
// The point of keyframe index moved to seconds with value.
ScoreEdit MovePoint(const Score& score, LaneTarget target, std::size_t keyframe, double seconds,
                    const LaneValue& value);
// The lane's value taken out of keyframe index (the keyframe goes when it
// holds nothing else).
ScoreEdit DeletePoint(const Score& score, LaneTarget target, std::size_t keyframe);
// The curve by which keyframe index is reached (for every value it gives).
ScoreEdit SetPointCurve(const Score& score, LaneTarget target, std::size_t keyframe, Curve curve);

// A lane's drift set (none: removed).
ScoreEdit SetLaneDrift(const Score& score, LaneTarget target, const std::optional<Drift>& drift);
// A drift as a person types it: its depth in the lane's unit and its period
// as a time ("0.5 1:30"); nothing when either is missing or not allowed.
std::optional<Drift> ParseDriftText(const LaneFacts& facts, const std::string& text);
std::string DriftText(const Drift& drift);

// Every point and the drift of the lane removed: the layer's own value holds.
ScoreEdit ClearLane(const Score& score, LaneTarget target);

}  // namespace studio
