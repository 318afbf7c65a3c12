// A score as a score file: readable TOML, with times as people write them
// and numbers in their shortest form, that reads back to the same score.
#pragma once

#include <string>

#include "engine/score/score.h"

// The text of score, keys in the order a score file gives them: the whole
// score's values, then each layer with its source, gain and parameters, its
// keyframes and its drift. ParseScoreText reads it back to an equal Score
// (its sources found from the folder it is read from) when score is one the
// reader allows. A layer writes the four parameters every render uses
// (scan_range, segment, density, grain_length) and any other that differs
// from its default.
std::string WriteScoreText(const Score& score);

// text as a TOML basic string, in quotes, with its quotes, backslashes and
// control characters escaped.
std::string QuoteTomlString(const std::string& text);
