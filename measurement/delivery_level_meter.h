// The delivery level of a run: the finished sound measured piece by piece in a
// pass before writing (its peak at the delivered rate, its loudness), and the
// one gain every sample is then written with.
#pragma once

#include <memory>
#include <optional>

#include "engine/finishing/finished_sound_meter.h"
#include "measurement/delivery_level.h"

class LoudnessMeter;

class DeliveryLevelMeter : public FinishedSoundMeter {
public:
    explicit DeliveryLevelMeter(const DeliveryLevelPlan& plan);
    ~DeliveryLevelMeter() override;

    void Measure(std::span<const StereoFrame> piece) override;
    double Gain() override;

    // What Gain decided.
    const DeliveryLevelReport& GetReport() const { return m_report; }

private:
    DeliveryLevelPlan m_plan;
    DeliveredPeakMeter m_peak;
    std::unique_ptr<LoudnessMeter> m_pLoudness;  // with a target only
    DeliveryLevelReport m_report;
};
