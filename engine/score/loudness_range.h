// The loudness a piece may be delivered at, in LUFS: a score's `loudness`
// and the command line's --loudness take the same range.
#pragma once

inline constexpr double kQuietestLoudness = -70.0;
inline constexpr double kLoudestLoudness = 0.0;
