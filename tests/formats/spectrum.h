// The amplitude spectrum of a test signal, written here independently of the
// code under test: a radix-2 FFT under a 4-term Blackman-Harris window.
#pragma once

#include <cstddef>
#include <vector>

struct Spectrum {
    std::vector<double> m_amplitudes;  // per bin, scaled so that a sine of amplitude A peaks near A
    double m_dBinHz = 0.0;             // the width of a bin

    // The largest amplitude between two frequencies (inclusive).
    double LargestBetween(double from, double to) const;
    // The frequency of the largest amplitude between two frequencies.
    double PeakFrequencyBetween(double from, double to) const;
    // The share of the total power that lies below frequency.
    double PowerShareBelow(double frequency) const;
    // The spectral flatness between two frequencies: the geometric mean of the
    // power over its arithmetic mean, near 0 for a tone, about 0.5 for noise.
    double FlatnessBetween(double from, double to) const;
};

// The spectrum of the first power of two samples (at most all of them).
Spectrum SpectrumOf(const std::vector<float>& samples, double rate);
