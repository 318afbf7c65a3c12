// The pull side of playback: what a sound device's callback asks for the next
// frames to play.
#pragma once

#include <cstddef>

#include "engine/base/stereo_frame.h"

// Fill runs on the sound device's own thread, at a deadline: it must hand out
// count frames at once, and so never lock, allocate, wait or throw. What it
// cannot supply in time it fills with silence and reports through its own
// counters (see FrameQueue), never by blocking.
class FrameFeed {
public:
    virtual ~FrameFeed() = default;

    // Writes the next count frames (44100 Hz, full scale ±1.0) to frames.
    virtual void Fill(StereoFrame* frames, std::size_t count) noexcept = 0;
};
