#include "engine/scheduling/grain_settings.h"

#include <algorithm>

bool GrainVariation::IsPlain() const
{
    const bool setIsUnison = std::all_of(m_pitchSet.begin(), m_pitchSet.end(), [](double st) { return st == 0.0; });
    return m_dPitch == 0.0 && m_dPitchSpread == 0.0 && setIsUnison && m_dPanSpread == 0.0 && m_dReverse == 0.0 &&
           m_dGainSpreadDb == 0.0 && m_window == WindowShape::Hann;
}

GrainBounds BoundsOfSettings(const GrainSettings& settings)
{
    const GrainVariation& variation = settings.m_variation;
    GrainBounds bounds{settings.m_nGrainFrames, variation.m_dPitch, variation.m_dPitch};
    if (!variation.m_pitchSet.empty()) {
        const auto [lowest, highest] = std::minmax_element(variation.m_pitchSet.begin(), variation.m_pitchSet.end());
        bounds.m_dLowestSemitones += *lowest;
        bounds.m_dHighestSemitones += *highest;
    }
    bounds.m_dLowestSemitones -= variation.m_dPitchSpread * 0.5;
    bounds.m_dHighestSemitones += variation.m_dPitchSpread * 0.5;
    return bounds;
}
