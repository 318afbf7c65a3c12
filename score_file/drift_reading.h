// A layer's drift, [layer.drift]: for its gain and any of its moving number
// parameters, a depth (in the parameter's unit) and a period.
#pragma once

#include <toml++/toml.h>

#include "engine/score/score.h"

// Reads the layer's "drift" node into layer; refuses (ScoreRefusal) the
// first entry that is not allowed.
void ReadDrift(const toml::node& drift, ScoreLayer& layer);
