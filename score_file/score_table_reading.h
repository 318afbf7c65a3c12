// A whole parsed score: its top-level values, then each [[layer]].
#pragma once

#include <string>
#include <toml++/toml.h>

#include "engine/score/score.h"

// The score the document describes, its sources found from folder; refuses
// (ScoreRefusal) the first thing that is not allowed.
Score ReadScoreTable(const toml::table& document, const std::string& folder);
