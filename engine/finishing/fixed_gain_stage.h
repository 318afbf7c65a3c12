// A gain known beforehand, the same for every frame: a preview's level.
#pragma once

#include "engine/finishing/finishing_stage.h"

class FixedGainStage final : public FinishingStage {
public:
    explicit FixedGainStage(double gain) : m_dGain(gain) {}

    void SetGain(double gain) { m_dGain = gain; }
    void Apply(std::span<StereoFrame> piece, std::uint64_t first) override;

private:
    double m_dGain;
};
