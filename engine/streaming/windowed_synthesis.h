// Grain synthesis one window of output at a time, each window final when it
// is handed out: the way a render proceeds when it cannot hold its output.
#pragma once

#include <cstdint>
#include <span>

#include "engine/stereo_frame.h"

class GrainSynthesizer;

// Drives a GrainSynthesizer that has begun a render of totalFrames frames:
// each call of Next zeroes the window, places every grain that starts before
// its end and adds what the placed grains have inside it. No grain placed
// later starts before the window's end, so its frames are final: every grain
// that reaches them is in.
class WindowedSynthesis {
public:
    WindowedSynthesis(GrainSynthesizer& synthesizer, std::span<StereoFrame> window, std::uint64_t totalFrames);

    // The next window's frames, final; empty after the last.
    std::span<StereoFrame> Next();
    // The index in the whole render of the first frame Next answered last.
    std::uint64_t GetFirst() const { return m_nFirst; }
    bool IsDone() const { return m_nDone >= m_nTotal; }

private:
    GrainSynthesizer& m_synthesizer;
    std::span<StereoFrame> m_window;
    std::uint64_t m_nTotal;
    std::uint64_t m_nDone = 0;
    std::uint64_t m_nFirst = 0;
};
