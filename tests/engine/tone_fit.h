// Sines for signal tests, and what a sound holds of one known frequency: its
// amplitude and phase by a least-squares fit.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "engine/base/stereo_frame.h"

// amplitude × sin(2π × cyclesPerFrame × n + phase) on both channels, for
// n = 0 .. frames − 1, computed in 64-bit floating point and stored as floats.
std::vector<StereoFrame> SineFrames(std::size_t frames, double cyclesPerFrame, double amplitude, double phase = 0.0);

// Adds b to a frame by frame (a is at least as long as b).
void AddFrames(std::vector<StereoFrame>& a, const std::vector<StereoFrame>& b);

// The sine of the frequency asked for, A sin(2π × cyclesPerFrame × n +
// phase) with n the index in the whole sound, that comes nearest the left
// channel of frames first .. first + count − 1 (least squares).
struct ToneFit {
    double m_dAmplitude;
    double m_dPhase;
};
ToneFit FitTone(std::span<const StereoFrame> frames, double cyclesPerFrame, std::size_t first, std::size_t count);

// 20 log10(a / b).
double Decibels(double a, double b);

// The largest magnitude of either channel over frames first .. first + count − 1.
double PeakOf(std::span<const StereoFrame> frames, std::size_t first, std::size_t count);
