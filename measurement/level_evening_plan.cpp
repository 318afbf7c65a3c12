#include "measurement/level_evening_plan.h"

#include <stdexcept>
#include <string>

LevelEveningPlan::LevelEveningPlan(double rangeLu, bool loop)
    : m_dRangeLu(rangeLu)
    , m_bLoop(loop)
{
    if (!(rangeLu >= kNarrowestRangeLu && rangeLu <= kWidestRangeLu))
        throw std::invalid_argument("level evening: the range must be from 1 to 40 LU, not " + std::to_string(rangeLu));
}

void LevelEveningPlan::Survey(std::span<const StereoFrame> piece, std::uint64_t first)
{
    if (m_bPlanned)
        throw std::logic_error("level evening: the sound was surveyed after its plan");
    m_survey.Add(piece, first);
}

void LevelEveningPlan::Plan(std::uint64_t totalFrames, std::uint64_t fadeFrames)
{
    if (m_bPlanned)
        throw std::logic_error("level evening: the gain was planned twice");
    m_bPlanned = true;
    if (!m_survey.Covers(totalFrames, m_bLoop))
        throw std::logic_error("level evening: the survey did not cover the " + std::to_string(totalFrames) +
                               " frames of the sound once");
    const CurvePlacement placement{totalFrames, m_survey.Origin(), m_bLoop};
    m_plan = PlanEvening(m_survey.TakeEnergies(), placement, m_bLoop ? 0 : fadeFrames, m_dRangeLu);
}

double LevelEveningPlan::GainAt(std::uint64_t frame) const
{
    return m_plan.m_curve.At(frame);
}
