// Level evening as a render uses it: the sound's short-term loudness surveyed
// by libebur128 while it is synthesised, a slow gain planned from it, asked
// for frame by frame while the sound is finished.
#pragma once

#include <cstdint>
#include <span>

#include "engine/finishing/evening/evening_planner.h"
#include "engine/finishing/evening/gain_curve.h"
#include "engine/finishing/level_evening.h"
#include "measurement/block_energy_survey.h"

// Keeps the short-term loudness (3 s windows, every 100 ms) within rangeLu of
// its median outside the fades and silence, by a gain that turns at most
// 6 dB per second (see engine/finishing/evening/evening_planner.h for the plan).
class LevelEveningPlan final : public LevelEvening {
public:
    static constexpr double kNarrowestRangeLu = 1.0;
    static constexpr double kWidestRangeLu = 40.0;

    // rangeLu from kNarrowestRangeLu to kWidestRangeLu (std::invalid_argument
    // otherwise); loop: the sound is a seamless loop, its end flowing into its
    // start, so the gain does too.
    LevelEveningPlan(double rangeLu, bool loop);

    // Throws std::logic_error when a piece does not follow on (see
    // BlockEnergySurvey), or comes after the plan.
    void Survey(std::span<const StereoFrame> piece, std::uint64_t first) override;
    // Once. Throws std::logic_error when the survey did not cover
    // totalFrames frames exactly once, or on a second call.
    void Plan(std::uint64_t totalFrames, std::uint64_t fadeFrames) override;
    // About 4 ns a frame (0.6 s for an hour of sound); 1 before Plan.
    double GainAt(std::uint64_t frame) const override;

    const EveningSummary& Summary() const { return m_plan.m_summary; }
    const GainCurve& Curve() const { return m_plan.m_curve; }

private:
    double m_dRangeLu;
    bool m_bLoop;
    BlockEnergySurvey m_survey;
    bool m_bPlanned = false;
    EveningPlan m_plan;
};
