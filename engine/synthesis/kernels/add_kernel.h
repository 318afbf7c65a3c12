// The add kernels: the innermost loop of grain synthesis, which adds the
// frames of one grain, weighted by the grain window and the volume, onto the
// output. One plain reference kernel, one batch kernel per kind of vector
// unit, and the choice among them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/base/stereo_frame.h"

// How grains are added. Reference adds them one by one with the plain loop,
// on one thread. The batch kernels add them tile by tile on the threads asked
// for: Portable in plain C++, Avx2 and Avx512 on those vector units (where the
// processor lacks the one named, the fastest it has), Fastest on the fastest
// this processor has. Every kernel gives the same bits.
enum class AddKernel { Fastest, Reference, Portable, Avx2, Avx512 };

// The reference kernel. For i = 0 to count − 1: output[i] += source[i] ×
// window[i] × gain, both channels with the same weight. The weight and the
// sums are evaluated in 64-bit floating point and each sum is stored back as a
// 32-bit float. Every batch kernel must reproduce it exactly.
void AddKernelReference(StereoFrame* output, const StereoFrame* source, const float* window, float gain,
                        std::int32_t count);

// A batch kernel. For i = 0 to count − 1 and each channel: output[i] =
// float(output[i] + source[i] × pairWeights[2i]), evaluated in 64-bit floating
// point exactly as the reference kernel does it. pairWeights holds each frame's
// weight twice (for left and right), so that vector lanes line up with the
// interleaved frames; each weight is double(window[i]) × double(gain), the
// reference kernel's own weight.
using AddKernelFunction = void (*)(StereoFrame* output, const StereoFrame* source, const double* pairWeights,
                                   std::int32_t count);

void AddKernelPortable(StereoFrame* output, const StereoFrame* source, const double* pairWeights,
                       std::int32_t count);
#if defined(__x86_64__) || defined(__i386__)
void AddKernelAvx2(StereoFrame* output, const StereoFrame* source, const double* pairWeights, std::int32_t count);
void AddKernelAvx512(StereoFrame* output, const StereoFrame* source, const double* pairWeights,
                     std::int32_t count);
#endif

// Whether this processor (and its operating system) can run the kernel.
bool IsAddKernelSupported(AddKernel kernel);
// The fastest batch kernel this processor supports: each is timed once per
// process, at the first call, for about a millisecond.
AddKernel FastestAddKernel();
// Which of kernels adds a tile of frames in the nearest cache fastest: each
// timed several times in turn, the best time of each compared. 0 for fewer
// than two.
std::size_t FastestKernelIndex(const std::vector<AddKernelFunction>& kernels);
// Which of count candidates is quickest: secondsFor(k) times candidate k
// once; each is timed several times in turn after a round that warms
// the caches and vector units, and the best times are compared, so that an
// interruption of the calling thread spoils one timing and not the choice.
std::size_t QuickestIndex(std::size_t count, const std::function<double(std::size_t)>& secondsFor);
// Every batch kernel this processor supports, the portable one first.
std::vector<AddKernel> SupportedBatchKernels();
// The kernel that runs when kernel is asked for: Fastest and an unsupported
// vector kernel become FastestAddKernel(); the others stay as they are.
AddKernel ResolveAddKernel(AddKernel kernel);
// The function of a supported batch kernel.
AddKernelFunction BatchKernelFunction(AddKernel kernel);
// "reference", "portable", "avx2" or "avx512": the name of the kernel that
// runs when kernel is asked for.
const char* AddKernelName(AddKernel kernel);
