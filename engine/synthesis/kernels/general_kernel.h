// The general kernel: adds a grain that is not the plain kind (transposed,
// reversed, placed in the stereo field, or with another window) onto the
// output, reading the source between its frames.
#pragma once

#include <cstdint>

#include "engine/base/stereo_frame.h"
#include "engine/synthesis/kernels/add_kernel.h"

// A stretch of grain frames, [m_nBegin, m_nEnd).
struct FrameStretch {
    std::int32_t m_nBegin = 0;
    std::int32_t m_nEnd = 0;
};

// What the general kernel needs of one grain.
struct GeneralGrain {
    const StereoFrame* m_pSource = nullptr;  // the frames read: the source or one of its octave levels
    std::int64_t m_nSourceFrames = 0;
    double m_dFirstRead = 0.0;               // read position of grain frame 0, in those frames
    double m_dIncrement = 0.0;               // read positions per output frame
    float m_fGainLeft = 0.0f;
    float m_fGainRight = 0.0f;
    const float* m_pWindow = nullptr;        // the window's gain at each frame of the grain
    // The same gains each twice in a row (frame j's at 2j and 2j + 1), or
    // null: the vector variants then spread them over both channels
    // themselves, to the same bits.
    const float* m_pPairWindow = nullptr;
    // Read frame by frame, without the spline: the increment is +1 or −1 and
    // the first read position a whole frame (a grain placed or reversed but
    // not transposed).
    bool m_bWholeFrames = false;
    // The spline coefficients of every frame of the frames read (c1, c2, c3;
    // see SplineTerms), or null: the kernel then works them out itself, to
    // the same bits.
    const StereoFrame* m_pTerms[3] = {nullptr, nullptr, nullptr};
    // The grain frames whose reads the vector variants may load without
    // reaching past the source (see PrepareVectorFrames), when worked out
    // once for the whole grain; otherwise each call works out its own.
    FrameStretch m_vectorFrames;
    bool m_bVectorFramesKnown = false;
};

// For grain frames j = first to first + count − 1, onto output[j − first]:
//
//   x      = m_dFirstRead + j × m_dIncrement       the read position, in 64 bits
//   i      = trunc(x)  (read positions are never negative: the floor)
//   f      = float(x − i)
//   sample = the 4-point, 3rd-order Hermite (Catmull-Rom) spline through
//            s0 = s[i−1], s1 = s[i], s2 = s[i+1], s3 = s[i+2] at f, in
//            Niemitalo's "x-form":
//              c1 = (s2 − s0)·½
//              c2 = (s0 − s1·2.5) + (s2·2 − s3·½)
//              c3 = (s3 − s0)·½ + (s1 − s2)·1.5
//              sample = (c1·f + s1) + (f·f)·(c3·f + c2)
//            frames outside the source taken as its first or last; a grain
//            read at whole frames (m_bWholeFrames) takes sample = s1
//   output = output + sample × (window[j] × gain)   each channel with its gain
//
// in 32-bit floating point from f on, every product and sum rounded as
// written. Every grain frame's result depends on j alone, so cutting a grain
// into pieces (tiles, windows) never changes a bit, and every variant of the
// kernel gives the same bits.
using GeneralKernelFunction = void (*)(StereoFrame* output, const GeneralGrain& grain, std::int32_t first,
                                       std::int32_t count);

void AddGeneralGrainPortable(StereoFrame* output, const GeneralGrain& grain, std::int32_t first, std::int32_t count);
#if defined(__x86_64__) || defined(__i386__)
// Four frames at a time on 256-bit vectors, their source frames loaded
// together and shuffled into place (AVX2 with the fused multiply-add).
void AddGeneralGrainAvx2(StereoFrame* output, const GeneralGrain& grain, std::int32_t first, std::int32_t count);
// Eight frames at a time on 512-bit vectors: their source frames loaded
// together and shuffled into place, no gathering.
void AddGeneralGrainAvx512(StereoFrame* output, const GeneralGrain& grain, std::int32_t first, std::int32_t count);
#endif

// The variant compiled for a vector unit this processor supports (Avx2,
// Avx512), or the portable one for any other kernel.
GeneralKernelFunction GeneralKernelOfVectorUnit(AddKernel kernel);
// The vector unit whose general kernel is the fastest here (Portable, Avx2 or
// Avx512): each variant is timed once per process, at the first call, for
// about a millisecond, apart from the batch kernels (FastestAddKernel).
AddKernel FastestGeneralKernel();
