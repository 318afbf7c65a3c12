// Takes a slowly moving DC offset off a sound as it passes: a first-order
// high-pass far below the audible band, for a sound whose level is about to
// move, so that its offset does not move with the level (a fade to silence
// then ends at 0, not on the offset).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "engine/base/stereo_frame.h"

// y[n] = x[n] − x[n−1] + R y[n−1] on each channel, R = exp(−2π fc / fs) with
// fc = kCutoffHz: a zero at DC, a pole just inside it; −0.1 dB at 20 Hz. Run in
// 64-bit floating point, stored as 32-bit floats; a sample that is not finite
// goes through as 0. After a step in its input its output settles by a factor
// e every 1 / (2π fc) seconds: within kSettlingFrames, to a part in 10^8.
class DcBlocker {
public:
    static constexpr double kCutoffHz = 3.0;
    static constexpr std::uint64_t kSettlingFrames = kRunSampleRate;

    DcBlocker();

    // At rest, as after a long silence.
    void Reset();
    // The next frames of the sound, in order, in place.
    void Process(std::span<StereoFrame> frames);

private:
    struct Channel {
        double m_dX1 = 0.0;
        double m_dY1 = 0.0;

        float Step(float x, double pole);
    };

    double m_dPole;
    std::array<Channel, 2> m_channels;
};
