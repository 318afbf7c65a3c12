// A forecast of how loud each stretch of a track will be, from its grain
// schedule alone: which grains sound where, how loud, and what they read.
// Deciding the grains costs a small part of adding them, so the forecast
// covers the whole track for about what a few stretches of synthesis cost,
// and tells a level survey where the loudest stretches most likely lie.
//
// Each stretch's forecast energy is the sum, over the grains that reach into
// it, of the grain's gain squared (its layer's gain there included) times its
// window's energy inside the stretch (as a Hann window's) times the mean
// energy of the source frames it reads there: grains added as if they did
// not interfere. Of dense grains only every few are decided whole, each
// standing for those around it. Effects
// and shaping are left out; the forecast ranks stretches, and what the
// survey then measures is what they sound like. A second forecast weights
// each grain's read as K-weighting weights the source there: scaled to the
// loudness measured where the survey went, it stands for the rest.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

class ScorePiece;

class LevelPilot {
public:
    // The forecast of piece's track of trackFrames frames (a prepared
    // piece, which must outlive the pilot), cut into stretches of
    // stretchFrames frames.
    LevelPilot(const ScorePiece& piece, std::uint64_t trackFrames, std::uint64_t stretchFrames);
    ~LevelPilot();
    LevelPilot(const LevelPilot&) = delete;
    LevelPilot& operator=(const LevelPilot&) = delete;

    // Decides every layer's grains that start before track frame frame
    // (the forecast is made a piece at a time, between other work). Asks
    // keepGoing now and then and stops when it answers false; answers
    // whether it went all the way.
    bool Reach(std::uint64_t frame, const std::function<bool()>& keepGoing);
    // Every grain of the track decided: the forecast is whole.
    bool IsComplete() const;
    // Each stretch's forecast energy, in the units of a stretch's sum of
    // squares over both channels (whole only once complete).
    std::span<const float> Energies() const { return m_energies; }
    // The same K-weighted, as loudness is measured: each grain's read
    // weighted as K-weighting weights the source around it.
    std::span<const float> LoudnessEnergies() const { return m_loudness; }
    // How many grains of the schedule the forecast has gone past so far.
    std::uint64_t GrainsDecided() const { return m_nGrains; }

private:
    class Layer;
    struct Forecasts {  // what a grain adds to
        std::span<float> m_energies;
        std::span<float> m_loudness;
    };

    std::uint64_t m_nTrackFrames;
    std::uint64_t m_nStretchFrames;
    std::vector<float> m_energies;
    std::vector<float> m_loudness;
    std::vector<std::unique_ptr<Layer>> m_layers;
    std::uint64_t m_nGrains = 0;
    std::uint64_t m_nReached = 0;  // every grain that starts before this track frame is decided
};

// The stretches in the order a forecast puts them: loudest first, the first
// count of them (all of them when fewer).
std::vector<std::uint32_t> LoudestFirst(std::span<const float> energies, std::size_t count);
