// The loudness of a source along its length, surveyed once before any grain
// reads it: the K-weighted energy of each 100 ms block, kept summed so that
// the energy of any stretch, weighted by a grain's window or not, is a few
// look-ups.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/base/stereo_frame.h"

// Both channels go through the K-weighting of ITU-R BS.1770 (a high shelf
// and a high pass, designed for 44100 Hz from the standard's parameters, as
// libebur128 designs them), in 64-bit floating point, in order from the first
// frame, the filters at rest before it. Samples that are not finite count as
// 0. A block holds kBlockFrames frames (the last may hold fewer); its energy
// is the sum of the squares of both channels' weighted samples, taken as
// spread evenly over its frames.
class SourceLoudness {
public:
    static constexpr std::int64_t kBlockFrames = 4410;

    SourceLoudness() = default;
    explicit SourceLoudness(std::span<const StereoFrame> frames);

    std::int64_t Frames() const { return m_nFrames; }
    std::size_t Blocks() const { return m_sums.size() > 0 ? m_sums.size() - 1 : 0; }
    // The mean square (summed over the channels) of block b.
    double BlockEnergy(std::size_t b) const;
    // The mean square of frames [first, end), clamped to the source; 0 for
    // an empty stretch.
    double MeanEnergy(double first, double end) const;
    // The same weighted by a Hann window over [first, end): a grain's own
    // energy, when it reads the stretch at its own speed.
    double HannEnergy(double first, double end) const;

private:
    std::int64_t BlockLength(std::size_t b) const;
    // The energy of frames [0, x), the energy of a block spread evenly.
    double EnergyBefore(double x) const;

    std::int64_t m_nFrames = 0;
    std::vector<double> m_sums;  // m_sums[b]: the energy of blocks 0 to b − 1
};

// BS.1770's loudness of a mean square summed over the channels, in LUFS
// (−0.691 + 10 log10); minus infinity for 0.
double LoudnessOfMeanSquare(double energy);
