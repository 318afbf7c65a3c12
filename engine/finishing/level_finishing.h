// The level finishing of every render as stages over one LevelFinisher: the
// survey of the sound's sums and extremes, the DC offset taken off, then the
// peak brought to the volume with the fades applied.
#pragma once

#include <cstdint>

#include "engine/finishing/finishing_stage.h"
#include "engine/finishing/level_finisher.h"

class LevelFinishing {
public:
    // Where the peak the volume is set to comes from: from the survey's
    // extremes, when nothing between the two stages changes the sound; else
    // from a measuring pass over the sound as the stages before the volume
    // leave it (a sound held whole is measured so too, in place).
    enum class PeakFrom { Survey, Measure };

    LevelFinishing(double volume, std::int32_t fadeFrames, std::uint64_t totalFrames, PeakFrom peakFrom);
    LevelFinishing(const LevelFinishing&) = delete;
    LevelFinishing& operator=(const LevelFinishing&) = delete;

    // The sound is a stretch of a longer one (see LevelFinisher::SetFadePlace).
    void SetFadePlace(std::uint64_t offset, std::uint64_t wholeFrames) { m_finisher.SetFadePlace(offset, wholeFrames); }

    // Surveys the sound's sums and extremes, which the peak comes from.
    FinishingStage& LevelSurvey() { return m_survey; }
    // Takes the survey's means off. A chain without it (KeepMeans) leaves
    // them on, and the peak is then that of the sound as it is.
    FinishingStage& MeanRemoval() { return m_meanRemoval; }
    // The sound's DC offset was taken off where it arose (a mix whose layers'
    // gains move): no mean is taken off, and the means count as 0.
    void KeepMeans() { m_finisher.KeepMeans(); }
    // Scales the peak to the volume and fades.
    FinishingStage& VolumeAndFade() { return m_volumeAndFade; }

    // After the survey: the peak of the sound as synthesised once its means
    // are taken off, before anything else changes it.
    float SynthesisedPeak() const { return m_survey.SynthesisedPeak(); }
    const LevelFinisher& Finisher() const { return m_finisher; }

private:
    class SurveyStage final : public FinishingStage {
    public:
        explicit SurveyStage(LevelFinisher& finisher) : m_finisher(finisher) {}
        bool Surveys() const override { return true; }
        void Survey(std::span<const StereoFrame> piece, std::uint64_t) override { m_finisher.Survey(piece); }
        void Plan(std::uint64_t) override;
        bool Applies() const override { return false; }
        void Apply(std::span<StereoFrame>, std::uint64_t) override {}
        float SynthesisedPeak() const { return m_fSynthesisedPeak; }

    private:
        LevelFinisher& m_finisher;
        float m_fSynthesisedPeak = 0.0f;
    };

    class MeanRemovalStage final : public FinishingStage {
    public:
        explicit MeanRemovalStage(const LevelFinisher& finisher) : m_finisher(finisher) {}
        void Apply(std::span<StereoFrame> piece, std::uint64_t) override { m_finisher.RemoveMeans(piece); }

    private:
        const LevelFinisher& m_finisher;
    };

    class VolumeAndFadeStage final : public FinishingStage {
    public:
        VolumeAndFadeStage(LevelFinisher& finisher, PeakFrom peakFrom) : m_finisher(finisher), m_peakFrom(peakFrom) {}
        void Plan(std::uint64_t) override;
        bool Measures() const override { return m_peakFrom == PeakFrom::Measure; }
        void Measure(std::span<const StereoFrame> piece, std::uint64_t) override { m_finisher.FindPeak(piece); }
        void Apply(std::span<StereoFrame> piece, std::uint64_t first) override { m_finisher.ScaleAndFade(piece, first); }

    private:
        LevelFinisher& m_finisher;
        PeakFrom m_peakFrom;
    };

    LevelFinisher m_finisher;
    SurveyStage m_survey;
    MeanRemovalStage m_meanRemoval;
    VolumeAndFadeStage m_volumeAndFade;
};
