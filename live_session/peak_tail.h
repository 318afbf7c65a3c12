// The upper tail of a sound's peaks, from the stretches of it a survey has
// seen: each stretch's loudest short blocks (their largest magnitudes), from
// which the largest peak of the stretches not seen is drawn. One peak a
// stretch says little of how rare a high one is; a hundred blocks a stretch
// say it from far more of the sound.
//
// A block's power over the power its stretch is expected to have (a forecast
// of the grain schedule, fitted to what was measured) is taken from a law
// whose excesses over a high threshold are exponential, as the power of a
// sum of many grains' sines is (its envelope's square). Blocks over the
// threshold close together are one swell of that envelope, counted once.
// The largest of all unseen blocks, each at its stretch's expected power, is
// then drawn from the product of their laws.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <vector>

#include "engine/base/stereo_frame.h"

class PeakTail {
public:
    // A block is about a millisecond: near the period of the lowest tones
    // heard, short next to how fast a sum of grains' envelope moves.
    static constexpr std::uint64_t kBlockFrames = 45;
    // Only the loudest blocks of a stretch reach the threshold.
    static constexpr std::size_t kKeptPerStretch = 16;
    // Blocks over the threshold no further apart than this (25 ms, a part
    // of a grain) are one swell of the envelope.
    static constexpr std::uint64_t kSwellFrames = 1102;

    // The frames of stretch stretch, the first at track frame firstFrame.
    void Add(std::uint64_t stretch, std::uint64_t firstFrame, std::span<const StereoFrame> frames);
    void Merge(const PeakTail& other);
    bool IsEmpty() const { return m_stretches.empty(); }

    // What the largest peak is drawn over: a track of m_nStretches stretches
    // of m_nStretchFrames frames; the power each is expected to have at the
    // gain its place is given (a squared magnitude; 0: no sound); the gain
    // (a factor) at any track frame; and whether a stretch was seen, when
    // its peak is known and not drawn.
    struct Track {
        std::uint64_t m_nStretches = 0;
        std::uint64_t m_nStretchFrames = 0;
        std::function<double(std::uint64_t stretch)> m_expectedPower;
        std::function<double(std::uint64_t frame)> m_gainAt;
        std::function<bool(std::uint64_t stretch)> m_isSeen;
    };
    // The median of the largest magnitude of the unseen stretches' blocks,
    // each at the gain its place is given; 0 without enough swells seen to
    // fit the law, or no unseen stretch with sound.
    double LikelyLargestUnseen(const Track& track) const;

private:
    struct Block {
        float m_fPeak = 0.0f;
        std::uint64_t m_nFrame = 0;  // track frame of its largest magnitude
    };
    struct Seen {
        std::vector<Block> m_loudest;  // up to kKeptPerStretch
        std::uint64_t m_nBlocks = 0;   // how many it was cut into
    };
    // P(a block's power over its stretch's > threshold + x, and the first of
    // its swell) = m_dRate × e^(-x / m_dScale).
    struct ExcessLaw {
        double m_dThreshold = 0.0;
        double m_dRate = 0.0;
        double m_dScale = 0.0;
    };
    // Expected powers of stretches, each with how many stretches have it.
    using Levels = std::vector<std::pair<double, double>>;

    std::vector<double> PowersOverExpected(const Track& track, double& blocks) const;
    std::vector<double> SwellExcesses(const Track& track, double threshold) const;
    bool FitLaw(const Track& track, ExcessLaw& law) const;
    static Levels UnseenLevels(const Track& track);
    static double SwellsOver(const Levels& levels, double blocksPerStretch, const ExcessLaw& law, double power);

    std::map<std::uint64_t, Seen> m_stretches;
};
