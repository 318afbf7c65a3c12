// A layer's keyframes, [[layer.at]]: each a time, an optional curve, and
// values for the layer's gain and moving parameters; in time order, no two
// at one time. A keyframe may lie past the end of the track: the line runs
// towards it and stops at the end, so a track cut short (by --length, say)
// is the same piece, shorter, and its score reads again.
#pragma once

#include <toml++/toml.h>
#include <vector>

#include "engine/score/score.h"

// The keyframes of the layer's "at" node; refuses (ScoreRefusal) the first
// that is not allowed.
std::vector<Keyframe> ReadKeyframes(const toml::node& at);
