#include "measurement/delivery_level_meter.h"

#include "engine/run/generation_settings.h"
#include "measurement/loudness_meter.h"

DeliveryLevelMeter::DeliveryLevelMeter(const DeliveryLevelPlan& plan)
    : m_plan(plan)
    , m_peak(plan.m_nRate)
{
    if (plan.m_loudnessTarget)
        m_pLoudness = std::make_unique<LoudnessMeter>(kRunSampleRate);
}

DeliveryLevelMeter::~DeliveryLevelMeter() = default;

void DeliveryLevelMeter::Measure(std::span<const StereoFrame> piece)
{
    m_peak.Add(piece);
    if (m_pLoudness)
        m_pLoudness->Add(piece);
}

double DeliveryLevelMeter::Gain()
{
    const std::optional<double> loudness = m_pLoudness ? m_pLoudness->Integrated() : std::nullopt;
    m_report = PlanDeliveryGain(m_peak.Peak(), loudness, m_plan);
    return m_report.m_dGain;
}
