#include "engine/synthesis/kernels/general_kernel_stretch.h"

#include <algorithm>
#include <cmath>

#include "engine/synthesis/kernels/general_kernel_frame.h"

namespace {

// The first frame in [begin, end) for which past(j) holds, past being false
// up to some frame and true from there on; estimated from where the read
// position crosses limit (off by a frame at most), then settled.
template <typename Past>
std::int32_t FirstPast(const GeneralGrain& grain, std::int32_t begin, std::int32_t end, double limit, Past past)
{
    const double crossing = (limit - grain.m_dFirstRead) / grain.m_dIncrement;
    const double clamped = std::clamp(std::ceil(crossing), static_cast<double>(begin), static_cast<double>(end));
    std::int32_t j = std::isfinite(clamped) ? static_cast<std::int32_t>(clamped) : begin;
    while (j > begin && past(j - 1))
        --j;
    while (j < end && !past(j))
        ++j;
    return j;
}

}  // namespace

FrameStretch StretchInside(const GeneralGrain& grain, std::int32_t begin, std::int32_t end, std::int32_t lowest,
                           std::int32_t highest)
{
    // Moving forwards the frames before the stretch read too low and those
    // after it too high; backwards the other way round.
    const bool forwards = grain.m_dIncrement >= 0.0;
    const double low = lowest;
    const double high = highest + 1.0;
    auto position = [&](std::int32_t j) { return general_kernel::ReadPosition(grain, j); };
    auto atOrAboveLow = [&](std::int32_t j) { return position(j) >= low; };
    auto belowHigh = [&](std::int32_t j) { return position(j) < high; };
    auto atOrAboveHigh = [&](std::int32_t j) { return position(j) >= high; };
    auto belowLow = [&](std::int32_t j) { return position(j) < low; };
    const std::int32_t first = forwards ? FirstPast(grain, begin, end, low, atOrAboveLow)
                                        : FirstPast(grain, begin, end, high, belowHigh);
    const std::int32_t last = forwards ? FirstPast(grain, first, end, high, atOrAboveHigh)
                                       : FirstPast(grain, first, end, low, belowLow);
    return {first, last};
}

namespace {

FrameStretch StretchOfReads(const GeneralGrain& grain, std::int32_t begin, std::int32_t end)
{
    const auto highest = static_cast<std::int32_t>(grain.m_nSourceFrames - kVectorReadMargin);
    return StretchInside(grain, begin, end, kLowestVectorRead, highest);
}

}  // namespace

void PrepareVectorFrames(GeneralGrain& grain, std::int32_t frames)
{
    grain.m_vectorFrames = StretchOfReads(grain, 0, std::max(frames, 0));
    grain.m_bVectorFramesKnown = true;
}

FrameStretch VectorFrames(const GeneralGrain& grain, std::int32_t first, std::int32_t count)
{
    const std::int32_t end = first + count;
    if (!grain.m_bVectorFramesKnown)
        return StretchOfReads(grain, first, end);
    const std::int32_t begin = std::clamp(grain.m_vectorFrames.m_nBegin, first, end);
    return {begin, std::clamp(grain.m_vectorFrames.m_nEnd, begin, end)};
}
