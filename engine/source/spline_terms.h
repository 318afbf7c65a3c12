// The spline coefficients of every frame of a source and of its octave
// levels, worked out once, so that transposed grains read them instead of
// working them out again at every frame of every grain.
#pragma once

#include <array>
#include <cstdint>

#include "engine/base/buffer_allocator.h"
#include "engine/source/octave_levels.h"
#include "engine/base/stereo_frame.h"
#include "engine/base/zeroed_buffer.h"

// For frame i of a level, the three coefficients of the Catmull-Rom spline
// from frame i to frame i + 1 (through frames i − 1 to i + 2, clamped to the
// level's ends), per channel, exactly as the general kernel works them out
// (see general_kernel_frame.h): a grain that reads them gets the same bits as
// one that does not. Three frames of coefficients for every frame of every
// level: three times the memory of the source and its levels.
class SplineTerms;

// The spline coefficients save transposed grains more than half of their
// work, for three times the memory of the source and its levels: worth it up
// to this much (a source of about two minutes), beyond which grains work them
// out as they go, to the same bits.
inline constexpr std::uint64_t kLargestSplineTerms = std::uint64_t{256} << 20;

class SplineTerms {
public:
    // Builds the coefficients of every level, unless they would take more
    // than maxBytes, in which case it builds none (grains then work them out
    // as they go). Answers false when the memory cannot be had.
    bool Build(const OctaveLevels& levels, std::uint64_t maxBytes, BufferAllocator allocate);

    bool IsBuilt() const { return m_nLevels > 0; }
    // Coefficient which (0: c1, 1: c2, 2: c3) of every frame of level k;
    // null when none was built.
    const StereoFrame* Terms(int level, int which) const;

    // The bytes the coefficients of levels take.
    static std::uint64_t BytesFor(const OctaveLevels& levels);

private:
    SoundBuffer m_terms;  // per level, c1 of every frame, then c2, then c3
    std::array<std::uint64_t, OctaveLevels::kMaxLevel + 1> m_first{};
    std::array<std::uint64_t, OctaveLevels::kMaxLevel + 1> m_frames{};
    int m_nLevels = 0;
};
