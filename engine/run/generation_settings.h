// The parameters of one generation run.
#pragma once

#include <cstdint>
#include <string>

#include "engine/parameters/parameter_values.h"
#include "engine/scheduling/grain_settings.h"

// How a run's sound is shaped after its grains: neutral values leave it as
// the grains make it.
struct ShapingSettings {
    double m_dPan = 0.0;            // -100 to 100
    double m_dHighCutHz = 20000.0;  // 20000: open
    double m_dToneLowCutHz = 0.0;   // 0: open
    std::int32_t m_nToneSlopeDb = 12;

    bool operator==(const ShapingSettings&) const = default;
};

// Filled by whoever starts a run (ApplyParameters gives the sound fields from
// the parameters' values); nothing changes it during the run.
struct GenerationSettings {
    std::string m_strInputPath;
    std::string m_strOutputPath;
    std::int32_t m_nDurationSeconds = 0;  // output length, whole seconds
    double m_dVolume = 0.0;               // peak level of the result, fraction of full scale
    std::int32_t m_nFadeSeconds = 0;      // length of the fade-in and of the fade-out
    std::int32_t m_nGrainsPerSecond = 0;  // grains started per second of output
    std::int32_t m_nGrainFrames = 0;      // grain length in frames at 44100 Hz
    std::int32_t m_nScanFrames = 0;       // size of the read position's random step per grain
    std::int32_t m_nSegmentGrains = 0;    // mean length of a segment, in grains
    double m_dPosition = 0.5;             // where the walk reads, 0 to 1 of its span
    double m_dPositionSpread = 1.0;       // how much of its reach it may wander around there, 0 to 1
    GrainVariation m_variation;           // how grains differ from one another
    double m_dLowCutHz = 0.0;             // the source is high-passed here before synthesis; 0: not
    // The values the sound fields above were made from, which the run
    // renders (as the one-layer score of them).
    ParameterValues m_values;
};

// The sound fields grain synthesis takes from the settings.
GrainSettings GrainSettingsOf(const GenerationSettings& settings);

// Sets the sound fields of settings (not the paths, not the duration) from
// allowed values, by the formulas of the desktop program's sliders, and keeps
// the values.
void ApplyParameters(const ParameterValues& values, GenerationSettings& settings);
