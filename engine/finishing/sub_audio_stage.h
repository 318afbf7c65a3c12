// The sub-audio meter as a stage: it surveys the sound as synthesised and
// changes nothing.
#pragma once

#include "engine/finishing/finishing_stage.h"
#include "engine/sub_audio/sub_audio_meter.h"

class SubAudioStage final : public FinishingStage {
public:
    bool Surveys() const override { return true; }
    void Survey(std::span<const StereoFrame> piece, std::uint64_t) override { m_meter.Measure(piece); }
    bool Applies() const override { return false; }
    void Apply(std::span<StereoFrame>, std::uint64_t) override {}

    const SubAudioMeter& Meter() const { return m_meter; }

private:
    SubAudioMeter m_meter;
};
