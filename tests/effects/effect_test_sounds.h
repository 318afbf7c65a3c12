// Sounds the effects tests feed chains, made in memory, and the measures they
// take of what comes out.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "engine/base/stereo_frame.h"

// Silence with a click: one frame at full level at frame `at`, both sides.
std::vector<StereoFrame> ClickSound(std::size_t frames, std::size_t at = 0);
// A sine of frequency Hz at amplitude on the left, silence on the right.
std::vector<StereoFrame> LeftToneSound(std::size_t frames, double frequency, double amplitude);
// Seeded white noise, different on each side, within ±amplitude.
std::vector<StereoFrame> NoiseSound(std::size_t frames, float amplitude, unsigned seed);

// The energy (sum of squares, both sides) of frames [first, first + count).
double Energy(std::span<const StereoFrame> sound, std::size_t first, std::size_t count);
// The largest magnitude of either side.
float Peak(std::span<const StereoFrame> sound);
// Whether two sounds are the same bits.
bool SameBits(std::span<const StereoFrame> a, std::span<const StereoFrame> b);
