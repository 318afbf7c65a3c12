// A stretch of a loaded sound made ready for grains: high-passed when asked,
// with the octave levels and spline coefficients that transposed grains read.
// Layers that read the same stretch the same way share one.
#pragma once

#include <cstdint>
#include <span>

#include "engine/base/buffer_allocator.h"
#include "engine/source/octave_levels.h"
#include "engine/source/spline_terms.h"
#include "engine/base/stereo_frame.h"
#include "engine/base/zeroed_buffer.h"

// How a layer wants its source read.
struct SourcePreparation {
    std::uint64_t m_nFirst = 0;     // the stretch read: frames [m_nFirst, m_nEnd) of the sound
    std::uint64_t m_nEnd = 0;
    double m_dLowCutHz = 0.0;       // 0: not high-passed
    double m_dHighestSemitones = 0.0;  // of any grain that reads it
    bool m_bTransposed = false;     // some grain reads it at another speed

    bool operator==(const SourcePreparation&) const = default;
};

class PreparedSource {
public:
    // frames stays in place while this lives, unless it is copied for the
    // low cut. writable, if not empty, is the same frames given to be
    // high-passed in place instead of copied, when the whole of them is read.
    // Answers false when the memory cannot be had.
    bool Prepare(std::span<const StereoFrame> frames, const SourcePreparation& preparation,
                 BufferAllocator allocate, std::span<StereoFrame> writable = {});

    const OctaveLevels& Levels() const { return m_levels; }
    const SplineTerms* Terms() const { return m_terms.IsBuilt() ? &m_terms : nullptr; }
    std::uint64_t Frames() const { return m_levels.Level(0).size(); }

private:
    SoundBuffer m_filtered;  // the stretch high-passed, when asked
    OctaveLevels m_levels;
    SplineTerms m_terms;
};
