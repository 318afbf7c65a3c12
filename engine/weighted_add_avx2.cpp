// The weighted add on 256-bit vectors: two stereo frames per step, as four
// 64-bit lanes. Compiled for AVX2 through a function attribute, so the rest of
// the program keeps the baseline instruction set; called only where the
// processor has it. No fused multiply-add: the reference rounds the product
// before the sum.
#include "weighted_add.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace {

constexpr std::int32_t kFramesPerStep = 2;

}  // namespace

__attribute__((target("avx2"))) void WeightedAddAvx2(StereoFrame* output, const StereoFrame* source,
                                                     const double* pairWeights, std::int32_t count)
{
    auto* out = reinterpret_cast<float*>(output);
    const auto* in = reinterpret_cast<const float*>(source);
    std::int32_t i = 0;
    for (; i + kFramesPerStep <= count; i += kFramesPerStep) {
        const __m256d sum = _mm256_cvtps_pd(_mm_loadu_ps(out + 2 * i));
        const __m256d sample = _mm256_cvtps_pd(_mm_loadu_ps(in + 2 * i));
        const __m256d product = _mm256_mul_pd(sample, _mm256_loadu_pd(pairWeights + 2 * i));
        _mm_storeu_ps(out + 2 * i, _mm256_cvtpd_ps(_mm256_add_pd(sum, product)));
    }
    WeightedAddPortable(output + i, source + i, pairWeights + 2 * i, count - i);
}
#endif
