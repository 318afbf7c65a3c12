// The six sound parameters in the units the user sees, their allowed values,
// and the fixed formulas that turn them into the settings of a run.
#pragma once

#include "engine/generation_settings.h"

// The values shown beside the six sliders; the defaults are the sliders' start values.
struct PanelValues {
    int m_nScanRange = 50;     // "Scanning range (%)"
    int m_nSegment = 6;        // "Average segment (sec.)"
    int m_nDensity = 4000;     // "Grain density (per sec.)"
    int m_nGrainLength = 800;  // "Grain length (millisec.)"
    int m_nVolume = 50;        // "Volume (%)"
    int m_nFade = 3;           // "Fade in/out (seconds)"
};

// The values a slider can show: minimum, minimum + step, ... up to maximum.
struct ParameterLimits {
    int m_nMinimum;
    int m_nMaximum;
    int m_nStep;
};

constexpr ParameterLimits kScanRangeLimits{1, 100, 1};
constexpr ParameterLimits kSegmentLimits{1, 20, 1};
constexpr ParameterLimits kDensityLimits{500, 10000, 50};
constexpr ParameterLimits kGrainLengthLimits{50, 2000, 25};
constexpr ParameterLimits kVolumeLimits{1, 100, 1};
constexpr ParameterLimits kFadeLimits{0, 10, 1};

bool IsAllowedValue(const ParameterLimits& limits, int value);

// Sets the six sound fields of settings (not the paths, not the duration) from
// allowed panel values, in integer arithmetic rounding down.
void FillSettings(const PanelValues& values, GenerationSettings& settings);
