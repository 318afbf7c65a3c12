// One frame of the general kernel in plain C++: the arithmetic every variant
// reproduces (see general_kernel.h).
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/synthesis/kernels/general_kernel.h"

namespace general_kernel {

// The terms of the Catmull-Rom spline through s0 .. s3 (between s1 and s2):
// they depend on the four frames alone, so they can be worked out once per
// frame of a source and kept (see SplineTerms).
struct SplineCoefficients {
    float c1, c2, c3;
};

inline SplineCoefficients CoefficientsOf(float s0, float s1, float s2, float s3)
{
    return {(s2 - s0) * 0.5f, (s0 - s1 * 2.5f) + (s2 * 2.0f - s3 * 0.5f), (s3 - s0) * 0.5f + (s1 - s2) * 1.5f};
}

// The spline at f, grouped (Estrin's way) so that few operations wait on
// each other.
inline float SplineValue(const SplineCoefficients& c, float s1, float f)
{
    return (c.c1 * f + s1) + (f * f) * (c.c3 * f + c.c2);
}

// Each product and sum rounded as written.
inline float SplineAt(float s0, float s1, float s2, float s3, float f)
{
    return SplineValue(CoefficientsOf(s0, s1, s2, s3), s1, f);
}

// The read position of grain frame j.
inline double ReadPosition(const GeneralGrain& grain, std::int32_t j)
{
    return grain.m_dFirstRead + static_cast<double>(j) * grain.m_dIncrement;
}

// The source frame a grain read at whole frames reads at grain frame j.
inline const StereoFrame& WholeFrame(const GeneralGrain& grain, std::int32_t j)
{
    const auto last = static_cast<std::int32_t>(grain.m_nSourceFrames - 1);
    return grain.m_pSource[std::clamp(static_cast<std::int32_t>(ReadPosition(grain, j)), 0, last)];
}

// The sample of grain frame j, the source's neighbours clamped to its ends
// (without overflow: sources hold fewer than 2^31 frames).
inline StereoFrame SampleAt(const GeneralGrain& grain, std::int32_t j)
{
    if (grain.m_bWholeFrames)
        return WholeFrame(grain, j);
    const StereoFrame* source = grain.m_pSource;
    const auto last = static_cast<std::int32_t>(grain.m_nSourceFrames - 1);
    const double x = ReadPosition(grain, j);
    const auto i = static_cast<std::int32_t>(x);
    const auto f = static_cast<float>(x - static_cast<double>(i));
    if (grain.m_pTerms[0] != nullptr && i >= 0 && i <= last) {
        // The coefficients worked out beforehand from the same clamped frames.
        const StereoFrame& s1 = source[i];
        const StereoFrame& c1 = grain.m_pTerms[0][i];
        const StereoFrame& c2 = grain.m_pTerms[1][i];
        const StereoFrame& c3 = grain.m_pTerms[2][i];
        return {SplineValue({c1.left, c2.left, c3.left}, s1.left, f),
                SplineValue({c1.right, c2.right, c3.right}, s1.right, f)};
    }
    const StereoFrame& s0 = source[std::min(std::max(i, 1) - 1, last)];
    const StereoFrame& s1 = source[std::min(i, last)];
    const StereoFrame& s2 = source[std::min(i, last - 1) + 1];
    const StereoFrame& s3 = source[std::min(i, last - 2) + 2];
    return {SplineAt(s0.left, s1.left, s2.left, s3.left, f), SplineAt(s0.right, s1.right, s2.right, s3.right, f)};
}

// Grain frame j onto out.
inline void AddFrame(StereoFrame& out, const GeneralGrain& grain, std::int32_t j)
{
    const StereoFrame sample = SampleAt(grain, j);
    const float w = grain.m_pWindow[j];
    out.left = out.left + sample.left * (w * grain.m_fGainLeft);
    out.right = out.right + sample.right * (w * grain.m_fGainRight);
}

}  // namespace general_kernel
