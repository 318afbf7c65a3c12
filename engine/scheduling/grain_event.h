// One grain as the scheduler decides it and the renderer adds it: everything
// the grain needs is fixed when it starts.
#pragma once

#include <cstdint>

#include "engine/scheduling/window_shape.h"

// A grain reads source frames [m_nSource, m_nSource + its read span) and adds
// them, shaped by its window and scaled by its gains, onto output frames
// [m_nOutput, m_nOutput + m_nFrames).
//
// Its output frame j (0 to m_nFrames − 1) reads the source at position
// m_dFirstRead + j × m_dIncrement: forwards from m_nSource when the increment
// is positive, backwards down to m_nSource when it is negative.
//
// A plain grain (m_bPlain) is read forwards at the source's own speed
// (increment 1, m_dFirstRead = m_nSource), with the run's Hann window, length
// and volume on both channels: the plain kernels add it with the run's shared
// weights, and its gains and window are not looked at. Any other grain goes
// through the general kernel.
struct GrainEvent {
    std::uint64_t m_nOutput = 0;  // first output frame, counted from the start of the whole output
    std::int32_t m_nSource = 0;   // first source frame of the stretch it reads
    std::int32_t m_nFrames = 0;   // output frames
    double m_dFirstRead = 0.0;    // source position of output frame 0
    double m_dIncrement = 1.0;    // source frames per output frame; negative: read backwards
    double m_dGainLeft = 0.0;     // the volume times the grain's own gain on each channel
    double m_dGainRight = 0.0;
    WindowShape m_window = WindowShape::Hann;
    // The window of a grain that is not plain, when its shape or length is
    // not the run's own (null: the run's).
    const float* m_pWindow = nullptr;
    const float* m_pPairWindow = nullptr;  // its gains each twice in a row (see ShapedWindow)
    bool m_bPlain = true;
    // Where a grain that is not plain reads: the source's octave level its
    // increment needs (level k holds every 2^k-th frame of the source), and
    // its first read position and increment in that level's frames.
    std::int32_t m_nLevel = 0;
    double m_dLevelFirstRead = 0.0;
    double m_dLevelIncrement = 1.0;

    std::uint64_t End() const { return m_nOutput + static_cast<std::uint64_t>(m_nFrames); }
};
