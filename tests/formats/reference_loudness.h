// Integrated loudness as ITU-R BS.1770-4 states it, written out for the tests
// as the independent judge of the library's measurement: K-weighting (a high
// shelf and a high pass, designed for the rate from the standard's filter
// parameters), mean squares over 400 ms blocks overlapping by 75 %, the
// absolute gate at -70 LKFS and the relative gate 10 LU below.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "engine/base/stereo_frame.h"

struct Biquad {
    std::array<double, 3> b;
    std::array<double, 3> a;  // a[0] is 1
};

// The two K-weighting stages at rate.
std::array<Biquad, 2> KWeightingFilters(double rate);

// Loudness in LUFS of stereo frames (left and right weighted 1.0); minus
// infinity when no block passes the gates.
double ReferenceIntegratedLoudness(const std::vector<StereoFrame>& frames, double rate);

// Short-term loudness in LUFS (the K-weighted mean square of 3 s, as above)
// of the windows [n × hop, n × hop + 3 s) that fit in the frames; hop divides
// 3 s. Minus infinity for a silent window.
std::vector<double> ReferenceShortTermLoudness(const std::vector<StereoFrame>& frames, double rate, std::size_t hop);

// The same for windows of any length that hop divides (0.4 s: the momentary
// loudness).
std::vector<double> ReferenceWindowLoudness(const std::vector<StereoFrame>& frames, double rate, std::size_t hop,
                                            double seconds);
