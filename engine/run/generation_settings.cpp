#include "engine/run/generation_settings.h"

#include "engine/scheduling/parameter_grain_settings.h"

GrainSettings GrainSettingsOf(const GenerationSettings& settings)
{
    GrainSettings grains;
    grains.m_nGrainsPerSecond = settings.m_nGrainsPerSecond;
    grains.m_nGrainFrames = settings.m_nGrainFrames;
    grains.m_nScanFrames = settings.m_nScanFrames;
    grains.m_nSegmentGrains = settings.m_nSegmentGrains;
    grains.m_dPosition = settings.m_dPosition;
    grains.m_dPositionSpread = settings.m_dPositionSpread;
    grains.m_dVolume = settings.m_dVolume;
    grains.m_variation = settings.m_variation;
    return grains;
}

void ApplyParameters(const ParameterValues& values, GenerationSettings& settings)
{
    settings.m_dVolume = values.Whole(ParameterId::Volume) * 0.01;
    settings.m_nFadeSeconds = values.Whole(ParameterId::Fade);
    settings.m_dLowCutHz = values.Get(ParameterId::LowCut);
    const GrainSettings grains = GrainSettingsOfValues(values, settings.m_dVolume);
    settings.m_nGrainsPerSecond = grains.m_nGrainsPerSecond;
    settings.m_nGrainFrames = grains.m_nGrainFrames;
    settings.m_nScanFrames = grains.m_nScanFrames;
    settings.m_nSegmentGrains = grains.m_nSegmentGrains;
    settings.m_dPosition = grains.m_dPosition;
    settings.m_dPositionSpread = grains.m_dPositionSpread;
    settings.m_variation = grains.m_variation;
    settings.m_values = values;
}
