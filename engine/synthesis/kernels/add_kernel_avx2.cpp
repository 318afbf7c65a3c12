// The weighted add on 256-bit vectors: two stereo frames per vector, as four
// 64-bit lanes, four vectors per step. Compiled for AVX2 through a function
// attribute, so the rest of the program keeps the baseline instruction set;
// called only where the processor has it. No fused multiply-add: the
// reference rounds the product before the sum.
#include "engine/synthesis/kernels/add_kernel.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace {

constexpr std::int32_t kFramesPerVector = 2;
constexpr std::int32_t kVectorsPerStep = 4;

// Frames i and i + 1: widened to double, multiplied, added, narrowed back.
__attribute__((target("avx2"), always_inline)) inline void AddTwoFrames(float* out, const float* in,
                                                                       const double* pairWeights,
                                                                       std::int32_t i)
{
    const __m256d sum = _mm256_cvtps_pd(_mm_loadu_ps(out + 2 * i));
    const __m256d sample = _mm256_cvtps_pd(_mm_loadu_ps(in + 2 * i));
    const __m256d product = _mm256_mul_pd(sample, _mm256_loadu_pd(pairWeights + 2 * i));
    _mm_storeu_ps(out + 2 * i, _mm256_cvtpd_ps(_mm256_add_pd(sum, product)));
}

}  // namespace

__attribute__((target("avx2"))) void AddKernelAvx2(StereoFrame* output, const StereoFrame* source,
                                                   const double* pairWeights, std::int32_t count)
{
    auto* out = reinterpret_cast<float*>(output);
    const auto* in = reinterpret_cast<const float*>(source);
    std::int32_t i = 0;
    // Four independent vectors per step keep the conversion units busy.
    for (; i + kVectorsPerStep * kFramesPerVector <= count; i += kVectorsPerStep * kFramesPerVector) {
        AddTwoFrames(out, in, pairWeights, i);
        AddTwoFrames(out, in, pairWeights, i + 2);
        AddTwoFrames(out, in, pairWeights, i + 4);
        AddTwoFrames(out, in, pairWeights, i + 6);
    }
    for (; i + kFramesPerVector <= count; i += kFramesPerVector)
        AddTwoFrames(out, in, pairWeights, i);
    AddKernelPortable(output + i, source + i, pairWeights + 2 * i, count - i);
}
#endif
