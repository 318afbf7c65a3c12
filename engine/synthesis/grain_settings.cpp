#include "engine/synthesis/grain_settings.h"

#include <algorithm>

bool GrainVariation::IsPlain() const
{
    const bool setIsUnison = std::all_of(m_pitchSet.begin(), m_pitchSet.end(), [](double st) { return st == 0.0; });
    return m_dPitch == 0.0 && m_dPitchSpread == 0.0 && setIsUnison && m_dPanSpread == 0.0 && m_dReverse == 0.0 &&
           m_dGainSpreadDb == 0.0 && m_window == WindowShape::Hann;
}
