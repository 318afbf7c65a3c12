// What a survey of a sound's level has seen so far, from stretches of it in
// any order: each channel's extremes and sum, and the K-weighted energy of
// each whole 100 ms block of each stretch. From these: the sound's peak once
// its means are taken off, its integrated loudness, and the gain that brings
// a score's render to the level its file will have.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "engine/score/score.h"
#include "engine/base/stereo_frame.h"
#include "live_session/peak_tail.h"

class LevelStats {
public:
    // Frames of the sound as synthesised (not-a-number values left out).
    void Add(std::span<const StereoFrame> frames);
    // Frames that count for the extremes only (the means are taken from an
    // even spread of the sound, which these are not part of).
    void AddExtremes(std::span<const StereoFrame> frames);
    // The largest magnitude and the root mean square of stretch index of the
    // stretches of one length the whole sound is cut into.
    void AddStretch(std::uint64_t index, double peak, double rms);
    // The frames of stretch index, the first at track frame firstFrame, for
    // the tail of the sound's peaks (see PeakTail).
    void AddPeakBlocks(std::uint64_t index, std::uint64_t firstFrame, std::span<const StereoFrame> frames)
    {
        m_tail.Add(index, firstFrame, frames);
    }
    // The energies of the whole 100 ms blocks of a stretch, one after the
    // other (summed over both channels, as BlockEnergySurvey gives them).
    void AddBlockEnergies(std::span<const float> energies);
    // What other has seen, as if this had seen it too.
    void Merge(const LevelStats& other);

    bool HasSound() const { return Peak() > 0.0; }
    std::uint64_t GetFrames() const { return m_nFrames; }
    // The mean of channel (0 left, 1 right) of the frames given to Add.
    double Mean(int channel) const;
    // The largest magnitude after each channel's mean is taken off.
    double Peak() const;
    // The largest magnitude the whole sound is likely to have, when it is cut
    // into stretches stretches of which only those given to AddStretch were
    // seen, each multiplied by the gain gainDbOf(index) gives it (in dB;
    // none: 0, and the peak after the means are taken off): a peak is the
    // rarest of events, so a few per cent of a sound seldom show its own.
    // Each stretch's peak over its level (its crest, in decibels) is taken
    // as a draw of one extreme-value (Gumbel) law fitted to the crests seen;
    // each unseen stretch's level as the line between the seen ones around
    // it; the answer is the median of the largest of all stretches' level
    // plus crest, taken half way (in decibels) from the largest peak seen,
    // and never more than 6 dB over it. With a forecast of every stretch's
    // energy (see LevelPilot, by index), only the unseen stretches are drawn,
    // each at the level the line fitted from the seen ones' forecast levels
    // to their levels gives it, with crests from the law of the seen crests'
    // upper tail (the seen stretches, led by the forecast, are the loudest).
    // With level evening as well (gainAtFrame, the gain at each track frame,
    // the stretches of stretchFrames frames), the track is held near one
    // level and its peak is a rare swell of the grains' sum in any stretch:
    // the largest is drawn from the tail of the seen stretches' short blocks
    // (see PeakTail) when enough were seen.
    double LikelyPeak(std::uint64_t stretches, const std::function<double(std::uint64_t)>& gainDbOf = {},
                      std::span<const float> forecast = {}, std::uint64_t stretchFrames = 0,
                      const std::function<double(std::uint64_t)>& gainAtFrame = {}) const;
    // The integrated loudness in LUFS, gated as BS.1770 gates it, over its
    // 400 ms blocks that lie within a stretch; none without such a block.
    std::optional<double> Loudness() const;

private:
    struct CrestLaw {  // a Gumbel law of stretches' peaks over their level, in dB
        double m_dLocation = 0.0;
        double m_dScale = 0.0;
    };
    CrestLaw FitCrests() const;
    CrestLaw FitCrestTail() const;
    double LargestDrawDb(const CrestLaw& crest, std::uint64_t stretches,
                         const std::function<double(std::uint64_t)>& levelDb, bool unseenOnly) const;
    double InterpolatedLevelDb(std::uint64_t j) const;
    static double ForecastDbOf(float energy);
    struct ForecastFit {  // a stretch's level in dB from its forecast level
        double m_dMeanX = 0.0;
        double m_dMeanY = 0.0;
        double m_dSlope = 1.0;
        double LevelDb(double forecastDb) const { return m_dMeanY + m_dSlope * (forecastDb - m_dMeanX); }
    };
    ForecastFit FitForecast(std::span<const float> forecast) const;
    double BlockTailDb(std::uint64_t stretches, std::uint64_t stretchFrames,
                       const std::function<double(std::uint64_t)>& levelDb,
                       const std::function<double(std::uint64_t)>& gainDb,
                       const std::function<double(std::uint64_t)>& gainAtFrame) const;

    double m_dSum[2] = {0.0, 0.0};
    float m_fLowest[2] = {0.0f, 0.0f};
    float m_fHighest[2] = {0.0f, 0.0f};
    bool m_bAny = false;
    std::uint64_t m_nFrames = 0;
    // Each stretch seen, by index: its peak and its level, in dB.
    struct StretchLevel {
        double m_dPeakDb = 0.0;
        double m_dRmsDb = 0.0;
    };
    std::map<std::uint64_t, StretchLevel> m_stretches;
    PeakTail m_tail;  // of the stretches given their blocks
    // The mean energy of every 400 ms gating block seen.
    std::vector<float> m_blockEnergies;
};

// The integrated loudness in LUFS of gating blocks of these mean energies,
// gated as BS.1770 gates it; none without a block.
std::optional<double> GatedLoudnessOf(std::span<const float> blockEnergies);

// The gain that brings score's render, whose synthesised sound has this peak
// (after the means) and this loudness, to the level of its file at 44100 Hz:
// the peak to the volume, then, with a loudness target, down to the target
// (never up past the volume). 1 for silence.
double FileGainOf(const Score& score, double peak, std::optional<double> loudness);
