// The weighted add on 512-bit vectors: four stereo frames per vector, as
// eight 64-bit lanes, two independent vectors per step, and the last one to
// three frames through masked loads and stores instead of a scalar loop.
// Compiled for AVX-512F through a function attribute and called only where
// the processor has it. AVX-512F brings fused multiply-add with it; the engine
// is compiled with contraction off, so the product is rounded before the sum
// as in the reference.
//
// Each vector needs three conversions between float and double (the output
// and the source widened, the sum narrowed); on AMD Zen 5 those bound the
// speed, about 1.2 conversions per cycle, and the loads come next. Wider
// unrolling, 512-bit loads of the floats split in two, and a double copy of
// the source (one conversion fewer, twice the bytes read) were all measured
// no faster there.
#include "engine/synthesis/kernels/add_kernel.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace {

constexpr std::int32_t kFramesPerVector = 4;
constexpr std::int32_t kVectorsPerStep = 2;

// GCC 12's conversion and cast intrinsics pass a deliberately undefined vector
// as the unused merge source or upper half, which its own flow analysis then
// reports.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// Frames i to i + 3: widened to double, multiplied, added, narrowed back.
__attribute__((target("avx512f"), always_inline)) inline void AddFourFrames(float* out, const float* in,
                                                                           const double* pairWeights,
                                                                           std::int32_t i)
{
    const __m512d sum = _mm512_cvtps_pd(_mm256_loadu_ps(out + 2 * i));
    const __m512d sample = _mm512_cvtps_pd(_mm256_loadu_ps(in + 2 * i));
    const __m512d product = _mm512_mul_pd(sample, _mm512_loadu_pd(pairWeights + 2 * i));
    _mm256_storeu_ps(out + 2 * i, _mm512_cvtpd_ps(_mm512_add_pd(sum, product)));
}

// The last count (1 to 3) frames from i: the same arithmetic on the lanes
// the mask keeps. Masked-off lanes are neither read nor written, so nothing
// past the arrays' ends is touched.
__attribute__((target("avx512f"), always_inline)) inline void AddLastFrames(float* out, const float* in,
                                                                           const double* pairWeights,
                                                                           std::int32_t i, std::int32_t count)
{
    const auto lanes = static_cast<__mmask8>((1u << (2 * count)) - 1u);
    const auto floatLanes = static_cast<__mmask16>(lanes);
    const __m512d sum = _mm512_cvtps_pd(_mm512_castps512_ps256(_mm512_maskz_loadu_ps(floatLanes, out + 2 * i)));
    const __m512d sample = _mm512_cvtps_pd(_mm512_castps512_ps256(_mm512_maskz_loadu_ps(floatLanes, in + 2 * i)));
    const __m512d product = _mm512_mul_pd(sample, _mm512_maskz_loadu_pd(lanes, pairWeights + 2 * i));
    const __m256 result = _mm512_cvtpd_ps(_mm512_add_pd(sum, product));
    _mm512_mask_storeu_ps(out + 2 * i, floatLanes, _mm512_castps256_ps512(result));
}

}  // namespace

__attribute__((target("avx512f"))) void AddKernelAvx512(StereoFrame* output, const StereoFrame* source,
                                                        const double* pairWeights, std::int32_t count)
{
    auto* out = reinterpret_cast<float*>(output);
    const auto* in = reinterpret_cast<const float*>(source);
    std::int32_t i = 0;
    // Two vectors per step: half the loop's own instructions.
    for (; i + kVectorsPerStep * kFramesPerVector <= count; i += kVectorsPerStep * kFramesPerVector) {
        AddFourFrames(out, in, pairWeights, i);
        AddFourFrames(out, in, pairWeights, i + kFramesPerVector);
    }
    if (i + kFramesPerVector <= count) {
        AddFourFrames(out, in, pairWeights, i);
        i += kFramesPerVector;
    }
    if (i < count)
        AddLastFrames(out, in, pairWeights, i, count - i);
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif
