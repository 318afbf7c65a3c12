// Level evening as a stage: the slow gain a LevelEvening plans from its
// survey, applied after the means are taken off and before the volume.
#pragma once

#include <cstdint>

#include "engine/finishing/finishing_stage.h"
#include "engine/finishing/level_evening.h"

class EveningStage final : public FinishingStage {
public:
    // evening stays in place while the stage lives; fadeFrames: the fade in
    // and out of the finished sound (0 for a loop), which the plan leaves
    // out of the level it evens to.
    EveningStage(LevelEvening& evening, std::uint64_t fadeFrames) : m_evening(evening), m_nFadeFrames(fadeFrames) {}

    bool Surveys() const override { return true; }
    void Survey(std::span<const StereoFrame> piece, std::uint64_t first) override { m_evening.Survey(piece, first); }
    void Plan(std::uint64_t totalFrames) override { m_evening.Plan(totalFrames, m_nFadeFrames); }
    // Each frame times the gain at its place, in 64-bit floating point,
    // stored as 32-bit floats.
    void Apply(std::span<StereoFrame> piece, std::uint64_t first) override;

private:
    LevelEvening& m_evening;
    std::uint64_t m_nFadeFrames;
};
