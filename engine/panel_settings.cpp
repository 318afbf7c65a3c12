#include "engine/panel_settings.h"

namespace {

// The read position's step reaches this many frames at a scanning range of 100 %.
constexpr int kWidestScanFrames = 500;

}  // namespace

bool IsAllowedValue(const ParameterLimits& limits, int value)
{
    return value >= limits.m_nMinimum && value <= limits.m_nMaximum &&
           (value - limits.m_nMinimum) % limits.m_nStep == 0;
}

void FillSettings(const PanelValues& values, GenerationSettings& settings)
{
    // The density comes first: the segment and the scan's lower bound depend on it.
    settings.m_nGrainsPerSecond = values.m_nDensity;
    // Milliseconds × 44.1, rounded down: 75 ms is 3307 frames.
    settings.m_nGrainFrames = values.m_nGrainLength * 441 / 10;
    settings.m_nSegmentGrains = values.m_nSegment * settings.m_nGrainsPerSecond;
    // The step never falls below the gap between two grain starts, and grows
    // with the square of the scanning range up to 500 frames.
    const int gap = kRunSampleRate / settings.m_nGrainsPerSecond;
    const int range = values.m_nScanRange;
    settings.m_nScanFrames = gap + (kWidestScanFrames - gap) * range * range / 10000;
    settings.m_dVolume = values.m_nVolume * 0.01;
    settings.m_nFadeSeconds = values.m_nFade;
}
