#include "engine/scheduling/parameter_grain_settings.h"

#include <algorithm>
#include <cstddef>

#include "engine/base/stereo_frame.h"

namespace {

// The read position's step reaches this many frames at a scanning range of 100 %.
constexpr int kWidestScanFrames = 500;

// The step never falls below the gap between two grain starts, and grows with
// the square of the scanning range up to 500 frames. Below 89 grains a second
// the gap is wider than that: the step is the gap at every range, so the
// reading moves on about as fast as the output.
int ScanFramesOf(const ParameterValues& values)
{
    const int gap = kRunSampleRate / values.Whole(ParameterId::Density);
    const int range = values.Whole(ParameterId::ScanRange);
    const int widest = std::max(kWidestScanFrames, gap);
    return gap + (widest - gap) * range * range / 10000;
}

// Milliseconds × 44.1, rounded down: 75 ms is 3307 frames.
int GrainFramesOf(const ParameterValues& values)
{
    return values.Whole(ParameterId::GrainLength) * 441 / 10;
}

}  // namespace

void SetWalkSettings(const ParameterValues& values, GrainSettings& settings)
{
    settings.m_nScanFrames = ScanFramesOf(values);
    settings.m_nSegmentGrains = values.Whole(ParameterId::Segment) * values.Whole(ParameterId::Density);
    settings.m_nGrainsPerSecond = values.Whole(ParameterId::Density);
}

GrainVariation VariationOf(const ParameterValues& values)
{
    GrainVariation variation;
    variation.m_dPitch = values.Get(ParameterId::Pitch);
    variation.m_dPitchSpread = values.Get(ParameterId::PitchSpread);
    variation.m_pitchSet = values.GetPitchSet();
    variation.m_dPanSpread = values.Get(ParameterId::PanSpread) * 0.01;
    variation.m_dReverse = values.Get(ParameterId::Reverse) * 0.01;
    variation.m_dGainSpreadDb = values.Get(ParameterId::GainSpread);
    variation.m_window = AllWindowShapes()[static_cast<std::size_t>(values.Whole(ParameterId::Window))];
    return variation;
}

GrainSettings GrainSettingsOfValues(const ParameterValues& values, double volume)
{
    GrainSettings settings;
    SetWalkSettings(values, settings);
    settings.m_nGrainFrames = GrainFramesOf(values);
    settings.m_dVolume = volume;
    settings.m_variation = VariationOf(values);
    return settings;
}
