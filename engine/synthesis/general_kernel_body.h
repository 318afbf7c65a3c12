// The loop of the general kernel, written once and compiled for each kind of
// vector unit (see general_kernel.h for what it computes). Every operation is
// an IEEE operation on doubles or an exact conversion, and nothing may be
// fused (the engine is built with -ffp-contract=off), so each compilation
// gives the same bits; the compiler only chooses how many frames it works on
// at once.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/synthesis/general_kernel.h"

namespace general_kernel {

// The four Hermite weights of fraction f, each rounded as written.
struct HermiteWeights {
    double h0, h1, h2, h3;
};

__attribute__((always_inline)) inline HermiteWeights WeightsAt(double f)
{
    const double half = 0.5;
    return {f * ((2.0 - f) * f - 1.0) * half, ((3.0 * f - 5.0) * f * f + 2.0) * half,
            f * ((4.0 - 3.0 * f) * f + 1.0) * half, f * f * (f - 1.0) * half};
}

// Written so that the compiler can work on several frames at once: 32-bit
// indices (sources hold fewer than 2^31 frames), the four neighbours clamped
// without overflow, and pointers that do not alias.
__attribute__((always_inline)) inline void AddFrames(StereoFrame* __restrict output, const GeneralGrain& grain,
                                                     std::int32_t first, std::int32_t count)
{
    const StereoFrame* __restrict source = grain.m_pSource;
    const auto last = static_cast<std::int32_t>(grain.m_nSourceFrames - 1);
    const double* __restrict window = grain.m_pWindow;
    const double start = grain.m_dFirstRead;
    const double increment = grain.m_dIncrement;
    const double windowStep = grain.m_dWindowStep;
    const double gainLeft = grain.m_dGainLeft;
    const double gainRight = grain.m_dGainRight;
    for (std::int32_t n = 0; n < count; ++n) {
        const double j = static_cast<double>(first + n);
        const double x = start + j * increment;
        // Read positions are never negative, so truncation is the floor.
        const auto i = static_cast<std::int32_t>(x);
        const HermiteWeights h = WeightsAt(x - static_cast<double>(i));
        const std::int32_t i0 = std::max(i, 1) - 1;
        const std::int32_t i1 = std::min(i, last);
        const std::int32_t i2 = std::min(i, last - 1) + 1;
        const std::int32_t i3 = std::min(i, last - 2) + 2;
        const double left = (h.h0 * source[i0].left + h.h1 * source[i1].left) +
                            (h.h2 * source[i2].left + h.h3 * source[i3].left);
        const double right = (h.h0 * source[i0].right + h.h1 * source[i1].right) +
                             (h.h2 * source[i2].right + h.h3 * source[i3].right);
        const double u = j * windowStep;
        const auto k = static_cast<std::int32_t>(u);
        const double w = window[k] + (window[k + 1] - window[k]) * (u - static_cast<double>(k));
        output[n].left = static_cast<float>(output[n].left + left * (w * gainLeft));
        output[n].right = static_cast<float>(output[n].right + right * (w * gainRight));
    }
}

}  // namespace general_kernel
