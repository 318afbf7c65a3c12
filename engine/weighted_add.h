// The grain loop's inner arithmetic with the weights computed beforehand, in
// one build per kind of vector unit, and the choice among them.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/stereo_frame.h"

// Which build adds the frames: plain C++, or a vector unit found at run time.
enum class KernelPath { Portable, Avx2, Avx512 };

// For i = 0 to count − 1 and each channel: output[i] = float(output[i] +
// source[i] × pairWeights[2i]), evaluated in 64-bit floating point exactly as
// AddGrainFrames does it. pairWeights holds each frame's weight twice (for left
// and right), so that vector lanes line up with the interleaved frames; each
// weight is double(window[i]) × double(gain), AddGrainFrames' own weight. Every
// path gives the same bits as AddGrainFrames, whatever the data.
using WeightedAdd = void (*)(StereoFrame* output, const StereoFrame* source, const double* pairWeights,
                             std::int32_t count);

void WeightedAddPortable(StereoFrame* output, const StereoFrame* source, const double* pairWeights,
                         std::int32_t count);
#if defined(__x86_64__) || defined(__i386__)
void WeightedAddAvx2(StereoFrame* output, const StereoFrame* source, const double* pairWeights,
                     std::int32_t count);
void WeightedAddAvx512(StereoFrame* output, const StereoFrame* source, const double* pairWeights,
                       std::int32_t count);
#endif

// Whether this processor (and its operating system) can run the path.
bool IsKernelPathSupported(KernelPath path);
// The fastest supported path.
KernelPath FastestKernelPath();
// Every supported path, the portable one first.
std::vector<KernelPath> SupportedKernelPaths();
// The function of a path; the path must be supported.
WeightedAdd WeightedAddFor(KernelPath path);
// "portable", "avx2" or "avx512".
const char* KernelPathName(KernelPath path);
