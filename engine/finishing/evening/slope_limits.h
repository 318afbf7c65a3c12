// Limits on how fast a curve of gains (in dB, one value per point) may turn,
// and a rounding of its corners that keeps those limits.
#pragma once

#include <cstddef>
#include <span>

// Whether a curve ends at its two ends, or its last point is followed by its
// first (a seamless loop).
enum class CurveEnds { Open, Circular };

// The highest curve that lies nowhere above values and rises or falls by at
// most step from one point to the next: at point k, the least of
// values[j] + step × (distance from j to k). It meets values wherever they
// already turn no faster than step, and otherwise turns early: it starts
// down before a dip and comes back up after it at exactly step per point.
void LimitSlopeFromBelow(std::span<float> values, float step, CurveEnds ends);

// The lowest curve that lies nowhere below values and turns by at most step
// per point: the mirror image of LimitSlopeFromBelow.
void LimitSlopeFromAbove(std::span<float> values, float step, CurveEnds ends);

// Rounds the corners a slope limit leaves: the least value within radius
// points of each point, then the mean within radius points of that. The
// result lies nowhere above the input (each mean is of values no higher than
// the input at the point itself) and turns no faster than the input did (a
// least and a mean of curves that turn by at most step turn by at most step).
// scratch holds values.size() values.
void RoundCorners(std::span<float> values, std::span<float> scratch, std::size_t radius, CurveEnds ends);
