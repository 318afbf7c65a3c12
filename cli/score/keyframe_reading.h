// A layer's keyframes, [[layer.at]]: each a time within the track, an
// optional curve, and values for the layer's gain and moving parameters; in
// time order, no two at one time.
#pragma once

#include <toml++/toml.h>
#include <vector>

#include "engine/score/score.h"

// The length the keyframes fit in, and whether the score gave it (else it is
// the default).
struct TrackLength {
    double m_dSeconds = 0.0;
    bool m_bGiven = false;
};

// The keyframes of the layer's "at" node; refuses (ScoreRefusal) the first
// that is not allowed.
std::vector<Keyframe> ReadKeyframes(const toml::node& at, const TrackLength& length);
