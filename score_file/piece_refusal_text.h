// Why a score's layer cannot be rendered from its source, in the score's
// own words (its keys and its source's name), for a message at the layer's
// line.
#pragma once

#include <string>

#include "engine/run/score_piece.h"
#include "engine/score/score.h"

std::string PieceRefusalText(const PieceRefusal& refusal, const ScoreLayer& layer);

// What a score's render says when its sources' preparation cannot have the
// memory it needs.
extern const char kNoMemoryForSources[];
