#include "engine/run/generation_settings.h"

GrainSettings GrainSettingsOf(const GenerationSettings& settings)
{
    GrainSettings grains;
    grains.m_nGrainsPerSecond = settings.m_nGrainsPerSecond;
    grains.m_nGrainFrames = settings.m_nGrainFrames;
    grains.m_nScanFrames = settings.m_nScanFrames;
    grains.m_nSegmentGrains = settings.m_nSegmentGrains;
    grains.m_dVolume = settings.m_dVolume;
    grains.m_variation = settings.m_variation;
    return grains;
}
