// The innermost loop of grain synthesis: one grain added onto the output.
#pragma once

#include <cstdint>

#include "engine/stereo_frame.h"

// For i = 0 to count − 1: output[i] += source[i] × window[i] × gain, both
// channels with the same weight. The weight and the sums are evaluated in 64-bit
// floating point and each sum is stored back as a 32-bit float. This plain loop
// is the reference that any faster version must reproduce exactly.
void AddGrainFrames(StereoFrame* output, const StereoFrame* source, const float* window, float gain,
                    std::int32_t count);
