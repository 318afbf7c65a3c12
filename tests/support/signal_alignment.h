// Where a known signal lies in a recording of it, found by cross-correlation
// (through kissfft's FFT, so that seconds of sound align in milliseconds), and
// how closely the recording follows it there.
#pragma once

#include <cstddef>
#include <vector>

#include "engine/base/stereo_frame.h"

struct SignalAlignment {
    // The recording's frame where the signal's first frame lies; negative
    // when the recording began after the signal did.
    long m_nOffset = 0;
    // Frames of the signal that the recording holds at that offset.
    std::size_t m_nOverlap = 0;
    // The normalised correlation of each channel over the overlap: 1 for a
    // copy at any level, near 0 for unrelated sound.
    double m_dCorrelationLeft = 0.0;
    double m_dCorrelationRight = 0.0;
    // The recording's RMS over the signal's, in dB, over the overlap.
    double m_dLevelDb = 0.0;
};

// Aligns the two by their channels' sum, then measures each channel apart,
// so a swapped pair of channels shows as a poor correlation.
SignalAlignment AlignSignal(const std::vector<StereoFrame>& signal, const std::vector<StereoFrame>& recording);
