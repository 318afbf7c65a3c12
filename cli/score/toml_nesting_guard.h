// How deeply a TOML text nests, measured before toml++ reads it. toml++ 3.3
// (Debian 12's) recurses once for each part of a dotted key, and a key of
// some thousands of parts overflows the stack (3.4 limits them itself); a
// score needs keys of three parts and values nested two deep.
#pragma once

#include <optional>
#include <string_view>

#include "cli/score/score_refusal.h"

inline constexpr int kMostKeyParts = 8;       // layer.drift.pitch is 3
inline constexpr int kDeepestValueNesting = 16;  // arrays and inline tables

// The first place where text nests deeper than the limits above; nothing
// when it does not. Strings and comments are skipped as TOML reads them; the
// rest of the syntax is left to toml++.
std::optional<ScoreRefusal> FindExcessiveNesting(std::string_view text);
