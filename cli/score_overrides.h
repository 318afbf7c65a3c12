// The command-line options that may stand beside a score: they override its
// top-level values (length, seed, volume, loudness, fade, loop, level range).
// A layer's grain parameter on the command line is refused: it belongs to the
// score's layers.
#pragma once

#include <optional>
#include <string>

#include "engine/score/score.h"

struct CommandLine;

// Why the command line cannot go with a score; nothing when score took its
// overrides.
std::optional<std::string> ApplyScoreOverrides(const CommandLine& line, Score& score);
