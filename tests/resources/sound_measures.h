// Simple measures of a mono sound (samples as fractions of full scale at
// 44100 Hz), to tell a varied sound from a static one: the strongest pitch,
// how noise-like the spectrum is, and where sharp attacks lie.
#pragma once

#include <cstddef>
#include <vector>

constexpr double kMeasureRate = 44100.0;

// The frequency in Hz of the strongest spectral peak between lowHz and highHz,
// in the Hann-windowed frames [start, start + size); size is a power of two.
double StrongestFrequency(const std::vector<double>& sound, std::size_t start, std::size_t size, double lowHz,
                          double highHz);

// Spectral flatness (geometric over arithmetic mean of the power spectrum)
// between lowHz and highHz of the Hann-windowed frames [start, start + size):
// near 0 for a few clear tones, towards 1 for white noise.
double SpectralFlatness(const std::vector<double>& sound, std::size_t start, std::size_t size, double lowHz,
                        double highHz);

// Root mean square of the frames [start, start + size).
double RootMeanSquare(const std::vector<double>& sound, std::size_t start, std::size_t size);

// The times in seconds where the level leaps: a 5 ms block whose RMS is at
// least twice the mean RMS of the 50 ms before it and above that mean by at
// least minimumRise (of full scale); at the start, the blocks there are stand
// for the 50 ms. Leaps closer than 100 ms to the one before count once.
std::vector<double> AttackTimes(const std::vector<double>& sound, double minimumRise);

// The widest upward glide of the strongest pitch between 100 and 1000 Hz, as
// the ratio of its last to its first frequency: over consecutive windows of
// 4096 frames (hop 2048) that are not near silence, the pitch never falls and
// rises less than three semitones a step. 1 for a steady tone.
double WidestRisingGlide(const std::vector<double>& sound);
