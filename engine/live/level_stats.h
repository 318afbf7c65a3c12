// What a survey of a sound's level has seen so far, from stretches of it in
// any order: each channel's extremes and sum, and the K-weighted energy of
// each whole 100 ms block of each stretch. From these: the sound's peak once
// its means are taken off, its integrated loudness, and the gain that brings
// a score's render to the level its file will have.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/score/score.h"
#include "engine/stereo_frame.h"

class LevelStats {
public:
    // Frames of the sound as synthesised (not-a-number values left out).
    void Add(std::span<const StereoFrame> frames);
    // The energies of the whole 100 ms blocks of a stretch (summed over both
    // channels, as BlockEnergySurvey gives them).
    void AddBlockEnergies(std::span<const float> energies);
    // What other has seen, as if this had seen it too.
    void Merge(const LevelStats& other);

    bool HasSound() const { return Peak() > 0.0; }
    std::uint64_t GetFrames() const { return m_nFrames; }
    // The largest magnitude after each channel's mean is taken off.
    double Peak() const;
    // The integrated loudness in LUFS, gated as BS.1770 gates it but block
    // by block of 100 ms (the stretches surveyed may be too short for its
    // 400 ms blocks, and lie apart); none without a block.
    std::optional<double> Loudness() const;

private:
    double m_dSum[2] = {0.0, 0.0};
    float m_fLowest[2] = {0.0f, 0.0f};
    float m_fHighest[2] = {0.0f, 0.0f};
    bool m_bAny = false;
    std::uint64_t m_nFrames = 0;
    // The energy of every 100 ms block seen.
    std::vector<float> m_blockEnergies;
};

// The gain that brings score's render, whose synthesised sound has this peak
// (after the means) and this loudness, to the level of its file at 44100 Hz:
// the peak to the volume, then, with a loudness target, down to the target
// (never up past the volume). 1 for silence.
double FileGainOf(const Score& score, double peak, std::optional<double> loudness);
