// The short-term loudness of a long sound (3 s windows) every 100 ms, from the
// K-weighted energy of each 100 ms block: the series level evening plans on.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "engine/finishing/evening/slope_limits.h"

// 30 blocks of 100 ms: the short-term window of EBU R128.
constexpr std::size_t kShortTermBlocks = 30;

// BS.1770's loudness of a K-weighted mean square summed over the channels:
// kLoudnessOffsetLu + 10 log10 of it, in LUFS.
constexpr double kLoudnessOffsetLu = -0.691;

// The loudness of an energy as above; minus infinity for 0.
float LoudnessOfEnergy(double energy);

// blockEnergies[b] is the K-weighted mean square of the b-th 100 ms block,
// counted from point 0 of the curve. The loudness at point k is that of the
// 3 s centred on it: the mean energy of blocks k - 15 to k + 14. An open
// sound's windows are cut at its ends (a shorter window, not silence); a
// loop's go round its seam, over at most as many blocks as it has.
std::vector<float> ShortTermLoudness(std::span<const float> blockEnergies, std::size_t points, CurveEnds ends);
