#include "engine/scheduling/grain_variation_draws.h"

#include <cmath>

#include "engine/parameters/parameter_table.h"

namespace {

constexpr double kQuarterPi = 0.7853981633974483;
constexpr double kSqrtTwo = 1.4142135623730951;

// The stream of a parameter's per-grain draws, as its row numbers it.
RandomStream DrawsOf(ParameterId id, std::uint32_t seed, std::uint32_t lane)
{
    return RandomStream(seed, GrainDrawPurpose(RowOf(id).m_nGrainStream), lane);
}

}  // namespace

void GrainVariationDraws::Begin(std::uint32_t seed, std::uint32_t lane)
{
    m_spread = DrawsOf(ParameterId::PitchSpread, seed, lane);
    m_set = DrawsOf(ParameterId::PitchSet, seed, lane);
    m_pan = DrawsOf(ParameterId::PanSpread, seed, lane);
    m_reverse = DrawsOf(ParameterId::Reverse, seed, lane);
    m_level = DrawsOf(ParameterId::GainSpread, seed, lane);
}

GrainTraits GrainVariationDraws::Draw(const GrainVariation& variation, std::int64_t grainIndex) const
{
    const auto k = static_cast<std::uint64_t>(grainIndex);
    GrainTraits traits;
    traits.m_dSemitones = variation.m_dPitch;
    if (!variation.m_pitchSet.empty()) {
        const auto count = static_cast<std::uint32_t>(variation.m_pitchSet.size());
        traits.m_dSemitones += variation.m_pitchSet[m_set.BelowAt(k, count)];
    }
    if (variation.m_dPitchSpread > 0.0)
        traits.m_dSemitones += (m_spread.UnitAt(k) - 0.5) * variation.m_dPitchSpread;
    if (variation.m_dReverse > 0.0)
        traits.m_bReversed = m_reverse.UnitAt(k) < variation.m_dReverse;
    if (variation.m_dPanSpread > 0.0)
        PanGains((2.0 * m_pan.UnitAt(k) - 1.0) * variation.m_dPanSpread, traits.m_dGainLeft, traits.m_dGainRight);
    if (variation.m_dGainSpreadDb > 0.0) {
        // Uniform in decibels, from 0 down to the spread.
        const double level = std::pow(10.0, -m_level.UnitAt(k) * variation.m_dGainSpreadDb / 20.0);
        traits.m_dGainLeft *= level;
        traits.m_dGainRight *= level;
    }
    return traits;
}

void GrainVariationDraws::PanGains(double position, double& left, double& right)
{
    const double angle = (position + 1.0) * kQuarterPi;
    left = kSqrtTwo * std::cos(angle);
    right = kSqrtTwo * std::sin(angle);
}

double GrainVariationDraws::IncrementOf(double semitones)
{
    return std::exp2(semitones / 12.0);
}
