// What grain synthesis reads of a run's settings.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/synthesis/window_shape.h"

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

// The sound parameters grain synthesis reads.
struct GrainSettings {
    std::int32_t m_nGrainsPerSecond = 0;  // grains started per second of output (44100 frames)
    std::int32_t m_nGrainFrames = 0;      // grain length, frames
    std::int32_t m_nScanFrames = 0;       // size of the read position's random step per grain
    std::int32_t m_nSegmentGrains = 0;    // mean length of a segment, in grains
    double m_dVolume = 0.0;               // gain of every grain
    GrainVariation m_variation;
};
