// How much of a finished sound's peak comes from below the audible band: a
// survey beside the level survey, so that a run can tell the user when the
// sound's level is spent on rumble nobody hears.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "engine/base/stereo_frame.h"

// Each channel goes through a 2nd-order Butterworth low-pass at the cutoff
// (one biquad, bilinear transform with the cutoff prewarped, K = tan(π fc /
// fs), Q = 1/√2):
//
//   H(z) = b0 (1 + z⁻¹)² / (1 + a1 z⁻¹ + a2 z⁻²),
//   b0 = K² / (1 + K/Q + K²),  a1 = 2 (K² − 1) / (...),  a2 = (1 − K/Q + K²) / (...),
//
// run causally in 64-bit floating point (it only measures; a delay changes no
// extreme), and the lowest and highest value it gives on each channel are
// kept. The filter starts in its steady state for the first sample, so a
// sound that starts on an offset does not start with a false step; and the
// extremes are kept only after the first three periods of the cutoff (150 ms
// at 20 Hz), by which time any start the steady state cannot foresee (a sound
// that starts at the crest of a tone) has died away to a millionth. A sample
// that is not finite goes through the filter as 0.
//
// The cutoff is brought into [1 Hz, sampleRate / 4]; a sample rate below
// 4 Hz (or not a number) counts as kRunSampleRate.
class SubAudioMeter {
public:
    explicit SubAudioMeter(double cutoffHz = 20.0, double sampleRate = kRunSampleRate);

    // The next piece of the sound, in order: the whole sound as synthesised,
    // before its mean is taken off and before it is scaled. Pieces of any size
    // give the same result as the sound in one piece.
    void Measure(std::span<const StereoFrame> piece);

    // After the last piece: given the channel means the level finishing takes
    // off and the sound's peak after taking them off, the share of that peak
    // the part below the cutoff reaches on its own: the largest of
    // |extreme − mean| over both channels, over peak. 0 when peak is not
    // above 0 or nothing was kept; it can exceed 1 where the parts above and
    // below the cutoff partly cancel at the peak.
    double SubAudioShare(float meanLeft, float meanRight, float peak) const;

private:
    struct Channel {
        double m_dX1 = 0.0;
        double m_dX2 = 0.0;
        double m_dY1 = 0.0;
        double m_dY2 = 0.0;
        double m_dLowest = 0.0;
        double m_dHighest = 0.0;

        void Start(double x);
        double Step(double x, const SubAudioMeter& meter);
        void Keep(double y, bool first);
    };

    double m_dB0;
    double m_dA1;
    double m_dA2;
    std::uint64_t m_nSettlingFrames;
    std::uint64_t m_nFramesSeen = 0;
    std::array<Channel, 2> m_channels;
};
