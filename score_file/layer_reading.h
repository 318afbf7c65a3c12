// One [[layer]] of a score: its source (found from the score's folder and
// checked to open), the stretch of it to read, its gain and parameters, its
// keyframes and drift.
#pragma once

#include <string>
#include <toml++/toml.h>

#include "score_file/keyframe_reading.h"
#include "engine/score/score.h"

// Refuses (ScoreRefusal) the first thing in the layer that is not allowed,
// its source last.
ScoreLayer ReadLayer(const toml::table& table, const std::string& folder);
