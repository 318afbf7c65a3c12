#include "engine/finishing/level_finishing.h"

LevelFinishing::LevelFinishing(double volume, std::int32_t fadeFrames, std::uint64_t totalFrames, PeakFrom peakFrom)
    : m_finisher(volume, fadeFrames, totalFrames)
    , m_survey(m_finisher)
    , m_meanRemoval(m_finisher)
    , m_volumeAndFade(m_finisher, peakFrom)
{
}

// Taking the means off keeps the order of a channel's values, so the peak
// after it is that of an extreme (see LevelFinisher). Found on a copy: the
// volume's peak may come from elsewhere.
void LevelFinishing::SurveyStage::Plan(std::uint64_t)
{
    LevelFinisher synthesised = m_finisher;
    synthesised.FindPeakFromExtremes();
    m_fSynthesisedPeak = synthesised.GetPeak();
}

void LevelFinishing::VolumeAndFadeStage::Plan(std::uint64_t)
{
    if (m_peakFrom == PeakFrom::Survey)
        m_finisher.FindPeakFromExtremes();
}
