#include "engine/finishing/delivery_chain.h"

#include <algorithm>
#include <stdexcept>

#include "engine/finishing/evening_stage.h"
#include "engine/finishing/metered_gain_stage.h"
#include "engine/finishing/sub_audio_stage.h"

namespace {

// Without evening, taking the means off keeps the order of the values, and
// the survey's extremes give the peak; a sound held whole is measured in
// place, pass after pass, as the desktop program's finishing goes.
LevelFinishing::PeakFrom PeakSource(const DeliveryPlan& plan)
{
    if (plan.m_bHeldWhole || plan.m_pEvening != nullptr)
        return LevelFinishing::PeakFrom::Measure;
    return LevelFinishing::PeakFrom::Survey;
}

}  // namespace

DeliveryChain::DeliveryChain(const DeliveryPlan& plan)
{
    if (plan.m_bHeldWhole && plan.m_pEvening != nullptr)
        throw std::logic_error("level evening needs a sound rendered by windows, not one held whole");
    m_pLevels = std::make_unique<LevelFinishing>(plan.m_dVolume, plan.m_nFadeFrames, plan.m_nFrames, PeakSource(plan));
    if (plan.m_nWholeFrames > 0)
        m_pLevels->SetFadePlace(plan.m_nFadeOffset, plan.m_nWholeFrames);
    if (plan.m_bMeasureSubAudio)
        m_pSubAudio = &m_chain.Add(std::make_unique<SubAudioStage>());
    m_chain.Add(m_pLevels->LevelSurvey());
    if (plan.m_bKeepMeans)
        m_pLevels->KeepMeans();
    else
        m_chain.Add(m_pLevels->MeanRemoval());
    if (plan.m_pEvening != nullptr) {
        const auto fade = static_cast<std::uint64_t>(std::max(plan.m_nFadeFrames, 0));
        m_chain.Add(std::make_unique<EveningStage>(*plan.m_pEvening, fade));
    }
    m_chain.Add(m_pLevels->VolumeAndFade());
    m_chain.EndInPlaceStages();
    if (plan.m_pMeter != nullptr)
        m_chain.Add(std::make_unique<MeteredGainStage>(*plan.m_pMeter));
}

DeliveryChain::~DeliveryChain() = default;

std::optional<double> DeliveryChain::SubAudioShare() const
{
    if (m_pSubAudio == nullptr)
        return std::nullopt;
    const LevelFinisher& finisher = m_pLevels->Finisher();
    return m_pSubAudio->Meter().SubAudioShare(finisher.GetMeanLeft(), finisher.GetMeanRight(),
                                              m_pLevels->SynthesisedPeak());
}
