// The general kernel: adds a grain that is not the plain kind (transposed,
// reversed, placed in the stereo field, or with another window) onto the
// output, reading the source between its frames.
#pragma once

#include <cstdint>

#include "engine/stereo_frame.h"

// What the general kernel needs of one grain.
struct GeneralGrain {
    const StereoFrame* m_pSource = nullptr;  // the frames read: the source or one of its octave levels
    std::int64_t m_nSourceFrames = 0;
    double m_dFirstRead = 0.0;               // read position of grain frame 0, in those frames
    double m_dIncrement = 0.0;               // read positions per output frame
    double m_dGainLeft = 0.0;
    double m_dGainRight = 0.0;
    const double* m_pWindow = nullptr;       // a window table (see WindowTable)
    double m_dWindowStep = 0.0;              // table intervals per grain frame
};

// For grain frames j = first to first + count − 1, onto output[j − first]:
//
//   x      = m_dFirstRead + j × m_dIncrement            the read position
//   i, f   = floor(x), x − floor(x)
//   sample = h0(f)·s[i−1] + h1(f)·s[i] + h2(f)·s[i+1] + h3(f)·s[i+2]
//            (4-point, 3rd-order Hermite: the Catmull-Rom spline through
//            the four frames around x, exact at f = 0; frames outside the
//            source are taken as its first or last)
//   u      = j × m_dWindowStep; k = trunc(u)
//   w      = t[k] + (t[k + 1] − t[k]) × (u − k)          the window, linearly
//                                                          between table points
//   output = float(output + sample × (w × gain))          each channel with its gain
//
// in 64-bit floating point, each product and sum rounded as written: the
// sample as (h0·s0 + h1·s1) + (h2·s2 + h3·s3). Every grain frame's result
// depends on j alone, so cutting a grain into pieces (tiles, windows) never
// changes a bit, and every variant of the kernel gives the same bits.
using GeneralKernelFunction = void (*)(StereoFrame* output, const GeneralGrain& grain, std::int32_t first,
                                       std::int32_t count);

void AddGeneralGrainPortable(StereoFrame* output, const GeneralGrain& grain, std::int32_t first, std::int32_t count);

#include "engine/synthesis/add_kernel.h"

// The variant compiled for a vector unit (Avx2 or Avx512) that this processor
// supports; the portable one for any other kernel.
GeneralKernelFunction GeneralKernelOfVectorUnit(AddKernel kernel);
