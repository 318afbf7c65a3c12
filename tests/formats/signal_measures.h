// Measures on test signals, written here independently of the code under test:
// the frequency of a tone, the amplitude of one frequency, a sample peak.
#pragma once

#include <vector>

#include "engine/base/stereo_frame.h"

std::vector<float> LeftChannel(const std::vector<StereoFrame>& frames);

// The frequency of a single steady tone, from the times of its rising zero
// crossings (each found between two samples by a straight line).
double ZeroCrossingFrequency(const std::vector<float>& samples, double rate);

// The amplitude of the component at frequency Hz: one DFT term under a
// 4-term Blackman-Harris window (side lobes below -92 dB), scaled so that a
// sine of amplitude A reads A.
double ToneAmplitude(const std::vector<float>& samples, double frequency, double rate);

// The largest ToneAmplitude between two frequencies, in steps of step Hz.
double LargestToneBetween(const std::vector<float>& samples, double from, double to, double step, double rate);

double SamplePeak(const std::vector<StereoFrame>& frames);

double ToDecibels(double ratio);
