// The weighted add on 512-bit vectors: four stereo frames per step, as eight
// 64-bit lanes. Compiled for AVX-512F through a function attribute and called
// only where the processor has it. AVX-512F brings fused multiply-add with it;
// the engine is compiled with contraction off, so the product is rounded
// before the sum as in the reference.
#include "engine/synthesis/add_kernel.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace {

constexpr std::int32_t kFramesPerStep = 4;

}  // namespace

// GCC 12's conversion intrinsics pass a deliberately undefined vector as the
// unused merge source, which its own flow analysis then reports.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

__attribute__((target("avx512f"))) void AddKernelAvx512(StereoFrame* output, const StereoFrame* source,
                                                        const double* pairWeights, std::int32_t count)
{
    auto* out = reinterpret_cast<float*>(output);
    const auto* in = reinterpret_cast<const float*>(source);
    std::int32_t i = 0;
    for (; i + kFramesPerStep <= count; i += kFramesPerStep) {
        const __m512d sum = _mm512_cvtps_pd(_mm256_loadu_ps(out + 2 * i));
        const __m512d sample = _mm512_cvtps_pd(_mm256_loadu_ps(in + 2 * i));
        const __m512d product = _mm512_mul_pd(sample, _mm512_loadu_pd(pairWeights + 2 * i));
        _mm256_storeu_ps(out + 2 * i, _mm512_cvtpd_ps(_mm512_add_pd(sum, product)));
    }
    AddKernelPortable(output + i, source + i, pairWeights + 2 * i, count - i);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif
