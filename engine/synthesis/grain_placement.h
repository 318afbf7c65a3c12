// Where grains go: one grain's place in the source and in the output, the
// part of the output a caller hands over, and how a grain is cut to both.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/base/stereo_frame.h"

// One grain as the grain loop places it: its first source frame p and its
// first output frame q, counted from the start of the whole output.
struct GrainPlacement {
    std::int32_t m_nSource;
    std::uint64_t m_nOutput;
};

// Frames [m_nFirst, m_nFirst + m_nCount) of the whole output, held in memory
// at m_pFrames. A window may be the whole output or any stretch of it.
struct OutputWindow {
    StereoFrame* m_pFrames = nullptr;
    std::uint64_t m_nFirst = 0;
    std::uint64_t m_nCount = 0;

    std::uint64_t End() const { return m_nFirst + m_nCount; }
};

// Output frames [m_nBegin, m_nEnd); empty when they are equal.
struct FrameRange {
    std::uint64_t m_nBegin;
    std::uint64_t m_nEnd;

    bool IsEmpty() const { return m_nBegin >= m_nEnd; }
};

// The output frames a grain of grainFrames frames covers: cut at the end of
// the whole output and where its read would leave the source. A grain placed
// outside either covers nothing.
inline FrameRange CutGrain(const GrainPlacement& grain, std::int32_t grainFrames, std::uint64_t sourceFrames,
                           std::uint64_t outputFrames)
{
    const std::uint64_t q = grain.m_nOutput;
    if (grainFrames <= 0 || q >= outputFrames || grain.m_nSource < 0 ||
        static_cast<std::uint64_t>(grain.m_nSource) >= sourceFrames)
        return {q, q};
    const auto source = static_cast<std::uint64_t>(grain.m_nSource);
    const std::uint64_t count =
        std::min({static_cast<std::uint64_t>(grainFrames), outputFrames - q, sourceFrames - source});
    return {q, q + count};
}

// The part of range that lies inside window.
inline FrameRange ClipToWindow(FrameRange range, const OutputWindow& window)
{
    return {std::max(range.m_nBegin, window.m_nFirst), std::min(range.m_nEnd, window.End())};
}
