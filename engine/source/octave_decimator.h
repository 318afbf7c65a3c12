// Halving a sound's rate without aliasing: the linear-phase low-pass and
// decimation by 2 that make each octave level from the one above it.
#pragma once

#include <span>

#include "engine/base/stereo_frame.h"

// The low-pass: a windowed sinc of kOctaveFilterTaps taps (odd, so it has a
// centre tap and no delay), in frequencies relative to the input's rate:
//
//   passband   0 to 0.2     (8820 Hz at 44100 Hz), within ±0.0002 dB
//   stopband   0.25 to 0.5  (from the halved rate's Nyquist up), at least
//                           94.9 dB down
//
//   h[j] = 2 fc sinc(2 fc j) × w[j],  j = −M .. M,  M = (taps − 1) / 2,
//   fc = 0.225 (the middle of the transition band), sinc(t) = sin(πt) / (πt),
//   w[j] = I0(β √(1 − (j/M)²)) / I0(β), the Kaiser window with β =
//   0.1102 × (95 − 8.7) = 9.510 (Kaiser's formula for 95 dB); the length is Kaiser's
//   estimate for 95 dB over a transition of 0.05, (95 − 7.95) /
//   (2.285 × 2π × 0.05) = 121.3, rounded up to the next even order, 122.
//   The taps are then divided by their sum, so a constant passes at gain 1.
//
// They are computed once, in 64-bit floating point, at the first use.
constexpr int kOctaveFilterTaps = 123;

// The centre half of the taps, h[0] .. h[M]; h[−j] = h[j].
std::span<const double> OctaveFilterHalf();

// Low-passes input and keeps every second frame: output[i] = Σ h[j] ×
// input[2i + j] over j = −M .. M, frames outside input taken as 0, each
// channel summed in 64-bit floating point (symmetric pairs first, outward
// from the centre) and stored as a 32-bit float. output must hold
// ceil(input.size() / 2) frames; output[i] lines up with input[2i].
void HalveRate(std::span<const StereoFrame> input, std::span<StereoFrame> output);
