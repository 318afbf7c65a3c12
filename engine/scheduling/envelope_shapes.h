// The gain curves of grain synthesis: the grain window and the blend between
// the two read positions across a segment.
#pragma once

#include <cstdint>

// The periodic Hann window of length n at index i: 0 at i = 0, 1 at i = n/2,
// small but not 0 at i = n − 1.
double GrainWindowGain(std::uint32_t i, std::int32_t n);

// How likely the grain grainInSegment of a segment of segmentLength grains is
// to read from the second position: 1 at the first grain, 0 at the middle,
// rising back towards 1 at the end.
double SegmentBlend(std::int32_t grainInSegment, std::int32_t segmentLength);
