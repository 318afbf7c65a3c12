// What grain synthesis reads of a run's settings.
#pragma once

#include <cstdint>

// The sound parameters grain synthesis reads.
struct GrainSettings {
    std::int32_t m_nGrainsPerSecond = 0;  // grains started per second of output (44100 frames)
    std::int32_t m_nGrainFrames = 0;      // grain length, frames
    std::int32_t m_nScanFrames = 0;       // size of the read position's random step per grain
    std::int32_t m_nSegmentGrains = 0;    // mean length of a segment, in grains
    double m_dVolume = 0.0;               // gain of every grain
};
