// One gain for the whole finished sound, decided by a meter that sees all of
// it first: the delivery level (a peak at another rate, a loudness).
#pragma once

#include "engine/finishing/finished_sound_meter.h"
#include "engine/finishing/finishing_stage.h"

class MeteredGainStage final : public FinishingStage {
public:
    // meter stays in place while the stage lives.
    explicit MeteredGainStage(FinishedSoundMeter& meter) : m_meter(meter) {}

    bool Measures() const override { return true; }
    void Measure(std::span<const StereoFrame> piece, std::uint64_t) override { m_meter.Measure(piece); }
    void EndMeasure() override { m_dGain = m_meter.Gain(); }
    void Apply(std::span<StereoFrame> piece, std::uint64_t first) override;

private:
    FinishedSoundMeter& m_meter;
    double m_dGain = 1.0;
};
