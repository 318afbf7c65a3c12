// The per-grain random properties of a run: transposition, reversal, stereo
// placement and level, each drawn from a stream of its own.
#pragma once

#include <cstdint>

#include "engine/scheduling/grain_settings.h"
#include "engine/random/random_stream.h"

// What one grain is given on top of its read position.
struct GrainTraits {
    double m_dSemitones = 0.0;  // transposition
    bool m_bReversed = false;
    double m_dGainLeft = 1.0;   // placement in the stereo field and level
    double m_dGainRight = 1.0;

    // Read forwards at the source's speed, with the same gain on both channels.
    bool IsPlain() const { return m_dSemitones == 0.0 && !m_bReversed && m_dGainLeft == 1.0 && m_dGainRight == 1.0; }
};

// Draws each property only when the variation asks for it, from its own
// stream at the grain's index: a run that uses none of them draws nothing,
// turning one on leaves the others' draws as they were, and grain k's draws
// are the same whatever came before it.
class GrainVariationDraws {
public:
    // The streams of a run's seed (lane: which of several schedulers of one
    // run, 0 for the first).
    void Begin(std::uint32_t seed, std::uint32_t lane = 0);
    GrainTraits Draw(const GrainVariation& variation, std::int64_t grainIndex) const;

    // The gains of a grain at position (−1 hard left, 0 centre, +1 hard
    // right): equal power, √2·cos and √2·sin of (position + 1) × π/4, so a
    // grain at the centre keeps its level on both channels and the sum of the
    // squared gains is 2 everywhere.
    static void PanGains(double position, double& left, double& right);
    // The read increment of a transposition: 2^(semitones / 12).
    static double IncrementOf(double semitones);

private:
    RandomStream m_spread;
    RandomStream m_set;
    RandomStream m_pan;
    RandomStream m_reverse;
    RandomStream m_level;
};
