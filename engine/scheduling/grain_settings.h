// What grain synthesis reads of a run's settings.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/scheduling/window_shape.h"

// How grains differ from one another. All at their defaults, every grain is
// read forwards at the source's own speed, with the same gain on both
// channels and the Hann window.
struct GrainVariation {
    double m_dPitch = 0.0;           // semitones, every grain
    double m_dPitchSpread = 0.0;     // semitones: each grain drawn within ± half of this around m_dPitch
    std::vector<double> m_pitchSet;  // semitones, one of them added to each grain; empty: none
    double m_dPanSpread = 0.0;       // 0 to 1: how far from the centre a grain may be placed
    double m_dReverse = 0.0;         // 0 to 1: the share of grains read backwards
    double m_dGainSpreadDb = 0.0;    // dB: each grain made quieter by up to this much, drawn
    WindowShape m_window = WindowShape::Hann;

    // Every grain is the plain kind: no transposition, no placement, no
    // reversal, no level of its own, the Hann window.
    bool IsPlain() const;

    bool operator==(const GrainVariation&) const = default;
};

// The extremes a render's grains can reach, known before it begins: the read
// span and the tiles are laid out for them.
struct GrainBounds {
    std::int32_t m_nLongestGrainFrames = 0;
    double m_dLowestSemitones = 0.0;   // the lowest and highest transposition a grain can be given
    double m_dHighestSemitones = 0.0;
    // When not 0: the most source frames any grain reads, known to be less
    // than the longest grain read at the highest pitch (which need not come
    // together); the read span leaves room for this instead.
    std::uint64_t m_nLongestRead = 0;
};

// The lowest and highest transposition, in semitones, that a grain can be
// given: the bounds' own, for those who need no more of them (the messages
// about an input too short for a transposed grain).
struct SemitoneRange {
    double m_dLowest = 0.0;
    double m_dHighest = 0.0;
};
inline SemitoneRange SemitoneRangeOf(const GrainBounds& bounds)
{
    return {bounds.m_dLowestSemitones, bounds.m_dHighestSemitones};
}

// The sound parameters grain synthesis reads.
struct GrainSettings {
    std::int32_t m_nGrainsPerSecond = 0;  // grains started per second of output (44100 frames)
    std::int32_t m_nGrainFrames = 0;      // grain length, frames
    std::int32_t m_nScanFrames = 0;       // size of the read position's random step per grain
    std::int32_t m_nSegmentGrains = 0;    // mean length of a segment, in grains
    double m_dVolume = 0.0;               // gain of every grain
    GrainVariation m_variation;
};

// The extremes of grains that all have settings: their length, and the
// transposition of the pitch, plus the set's lowest and highest interval,
// plus and minus half the spread.
GrainBounds BoundsOfSettings(const GrainSettings& settings);
