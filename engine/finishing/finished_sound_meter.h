// A look at the whole finished sound before any of it is written, for a level
// that depends on all of it (a loudness, a peak at another rate): the streamed
// counterpart of the run's finished-sound hook.
#pragma once

#include <span>

#include "engine/base/stereo_frame.h"

class FinishedSoundMeter {
public:
    virtual ~FinishedSoundMeter() = default;

    // The next piece of the finished sound; the pieces come in order and
    // together make the whole sound.
    virtual void Measure(std::span<const StereoFrame> piece) = 0;
    // Asked once, after the last piece: the factor each finished sample is
    // multiplied by (in 64-bit floating point, stored as a 32-bit float) on
    // its way to the output. 1 leaves the sound as it is.
    virtual double Gain() = 0;
};
