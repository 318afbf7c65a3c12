#include "engine/live/level_stats.h"

#include <algorithm>
#include <cmath>

#include "engine/level/loudness_series.h"

namespace {

// BS.1770's gates: blocks under -70 LUFS, then blocks more than 10 LU under
// the mean of the rest, do not count.
constexpr double kAbsoluteGateLufs = -70.0;
constexpr double kRelativeGateLu = -10.0;

double GatedLoudnessOf(double energy)
{
    return kLoudnessOffsetLu + 10.0 * std::log10(energy);
}

}  // namespace

void LevelStats::Add(std::span<const StereoFrame> frames)
{
    for (const StereoFrame& frame : frames) {
        const float channels[2] = {frame.left, frame.right};
        for (int c = 0; c < 2; ++c) {
            if (std::isnan(channels[c]))
                continue;
            m_dSum[c] += channels[c];
            m_fLowest[c] = m_bAny ? std::min(m_fLowest[c], channels[c]) : channels[c];
            m_fHighest[c] = m_bAny ? std::max(m_fHighest[c], channels[c]) : channels[c];
        }
        m_bAny = true;
    }
    m_nFrames += frames.size();
}

void LevelStats::AddBlockEnergies(std::span<const float> energies)
{
    m_blockEnergies.insert(m_blockEnergies.end(), energies.begin(), energies.end());
}

void LevelStats::Merge(const LevelStats& other)
{
    if (other.m_bAny) {
        for (int c = 0; c < 2; ++c) {
            m_dSum[c] += other.m_dSum[c];
            m_fLowest[c] = m_bAny ? std::min(m_fLowest[c], other.m_fLowest[c]) : other.m_fLowest[c];
            m_fHighest[c] = m_bAny ? std::max(m_fHighest[c], other.m_fHighest[c]) : other.m_fHighest[c];
        }
        m_bAny = true;
    }
    m_nFrames += other.m_nFrames;
    m_blockEnergies.insert(m_blockEnergies.end(), other.m_blockEnergies.begin(), other.m_blockEnergies.end());
}

double LevelStats::Peak() const
{
    if (!m_bAny || m_nFrames == 0)
        return 0.0;
    double peak = 0.0;
    for (int c = 0; c < 2; ++c) {
        const double mean = m_dSum[c] / static_cast<double>(m_nFrames);
        peak = std::max({peak, std::fabs(m_fLowest[c] - mean), std::fabs(m_fHighest[c] - mean)});
    }
    return std::isfinite(peak) ? peak : 0.0;
}

std::optional<double> LevelStats::Loudness() const
{
    double sum = 0.0;
    std::size_t count = 0;
    for (const float energy : m_blockEnergies) {
        if (energy > 0.0f && GatedLoudnessOf(energy) > kAbsoluteGateLufs) {
            sum += energy;
            ++count;
        }
    }
    if (count == 0)
        return m_blockEnergies.empty() ? std::nullopt : std::optional<double>(-INFINITY);
    const double gate = GatedLoudnessOf(sum / static_cast<double>(count)) + kRelativeGateLu;
    double gated = 0.0;
    std::size_t kept = 0;
    for (const float energy : m_blockEnergies) {
        if (energy > 0.0f && GatedLoudnessOf(energy) > kAbsoluteGateLufs && GatedLoudnessOf(energy) > gate) {
            gated += energy;
            ++kept;
        }
    }
    return GatedLoudnessOf(gated / static_cast<double>(kept));
}

double FileGainOf(const Score& score, double peak, std::optional<double> loudness)
{
    if (!(peak > 0.0))
        return 1.0;
    const double volume = score.m_nVolume * 0.01;
    const double ceiling = volume / peak;
    if (!score.m_loudness || !loudness || !std::isfinite(*loudness))
        return ceiling;
    // The finished sound's loudness is the synthesised one's moved by the
    // peak gain; the target gain applies to it, held by the ceiling.
    const double finished = *loudness + 20.0 * std::log10(ceiling);
    return ceiling * std::min(std::pow(10.0, (*score.m_loudness - finished) / 20.0), 1.0);
}
