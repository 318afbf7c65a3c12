// Synthesis one window of output at a time, each window final when it is
// handed out: the way a render proceeds when it does not hold its output.
#pragma once

#include <cstdint>
#include <span>

#include "engine/base/stereo_frame.h"

class SoundSynthesis;

// Drives a synthesis that has begun a render of totalFrames frames: each call
// of Next zeroes the window and has the synthesis make its frames final.
class WindowedSynthesis {
public:
    WindowedSynthesis(SoundSynthesis& synthesis, std::span<StereoFrame> window, std::uint64_t totalFrames);

    // The next window's frames, final; empty after the last.
    std::span<StereoFrame> Next();
    // The index in the whole render of the first frame Next answered last.
    std::uint64_t GetFirst() const { return m_nFirst; }
    bool IsDone() const { return m_nDone >= m_nTotal; }

private:
    SoundSynthesis& m_synthesis;
    std::span<StereoFrame> m_window;
    std::uint64_t m_nTotal;
    std::uint64_t m_nDone = 0;
    std::uint64_t m_nFirst = 0;
};
