// The low cut: a zero-phase high-pass over a whole source before any grain is
// read from it, so that rumble and drift below the cutoff never build up in
// the overlapping grains.
#pragma once

#include <span>

#include "engine/base/stereo_frame.h"

constexpr double kLowestLowCutHz = 5.0;
constexpr double kHighestLowCutHz = 200.0;

// High-passes both channels of sound in place.
//
// The filter is a 4th-order Butterworth high-pass: two biquad sections with
// Q = 1 / (2 cos(π/8)) ≈ 0.5412 and Q = 1 / (2 cos(3π/8)) ≈ 1.3066, each
// made by the bilinear transform with the cutoff prewarped, K = tan(π fc / fs):
//
//   H(z) = b0 (1 − z⁻¹)² / (1 + a1 z⁻¹ + a2 z⁻²),
//   b0 = 1 / (1 + K/Q + K²),  a1 = 2 (K² − 1) b0,  a2 = (1 − K/Q + K²) b0.
//
// It runs in 64-bit floating point over the whole sound forwards, then
// backwards over the result, so the phase is zero (nothing moves in time) and
// the magnitude is the square of the filter's: 1 / (1 + (fc/f)^8) before the
// bilinear warping, −6.02 dB at the cutoff and 48 dB per octave below it.
// The forward result is held in the sound, as 32-bit floats, between the two
// passes: nothing is allocated.
//
// Each pass starts as if the sound had always followed the cubic that best
// fits the first frames it sees (weighted least squares over one period of
// the cutoff, fs / fc frames, at most the whole sound): its states are the
// filter's steady state for that cubic, whose output is 0, since the
// high-pass has four zeros at 0 Hz. So a sound that starts or ends on an
// offset, a slope or a slow bend gives no transient at either end. What
// remains at an end is what the sound's audible content, cut off there, has
// below the cutoff itself: a tone of frequency f stopped mid-cycle leaves a
// brief ring of about fc / f of its amplitude.
//
// cutoffHz is brought into [kLowestLowCutHz, kHighestLowCutHz]. A sample rate
// that is not above four times that cutoff leaves the sound as it is.
void ApplyLowCut(std::span<StereoFrame> sound, double cutoffHz, double sampleRate = kRunSampleRate);
