// What a score file may hold: its size and counts, which keep reading it
// bounded whatever the file, and the ranges of the values that are not
// parameters of the parameter table.
#pragma once

#include <cstddef>

#include "engine/score/loudness_range.h"
#include "engine/score/score.h"  // the range of a layer's gain

// A score, as typed and as the program writes it (a --save-score file, or
// the score stored in an output, which must read back as the same), is at
// most 4 MiB of text: a long piece of many layers of thousands of keyframes.
inline constexpr std::size_t kLargestScoreBytes = 4 * 1024 * 1024;
// The room a source's name may take in a written score, in bytes: the
// longest path the system opens. A written score names its sources from
// its own folder, so their names are not known until it is written.
inline constexpr std::size_t kRoomForSourceName = 4096;
inline constexpr int kMostLayers = 64;
inline constexpr int kMostKeyframesPerLayer = 10000;

// level_range, in LU.
inline constexpr double kNarrowestLevelRange = 1.0;
inline constexpr double kWidestLevelRange = 40.0;

// loudness, in LUFS: what --loudness takes too.
inline constexpr double kQuietestScoreLoudness = kQuietestLoudness;
inline constexpr double kLoudestScoreLoudness = kLoudestLoudness;

// A drift is slow: it turns about once a period, never within a second.
inline constexpr double kShortestDriftPeriodSeconds = 1.0;
