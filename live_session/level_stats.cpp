#include "live_session/level_stats.h"

#include <algorithm>
#include <cmath>

#include "engine/finishing/evening/loudness_series.h"

namespace {

// BS.1770's gates: blocks under -70 LUFS, then blocks more than 10 LU under
// the mean of the rest, do not count.
constexpr double kAbsoluteGateLufs = -70.0;
constexpr double kRelativeGateLu = -10.0;

double LoudnessOf(double energy)
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

void LevelStats::AddExtremes(std::span<const StereoFrame> frames)
{
    for (const StereoFrame& frame : frames) {
        const float channels[2] = {frame.left, frame.right};
        for (int c = 0; c < 2; ++c) {
            if (std::isnan(channels[c]))
                continue;
            m_fLowest[c] = m_bAny ? std::min(m_fLowest[c], channels[c]) : channels[c];
            m_fHighest[c] = m_bAny ? std::max(m_fHighest[c], channels[c]) : channels[c];
        }
        m_bAny = true;
    }
}

void LevelStats::AddStretch(std::uint64_t index, double peak, double rms)
{
    if (peak > 0.0 && rms > 0.0 && std::isfinite(peak) && std::isfinite(rms))
        m_stretches[index] = {20.0 * std::log10(peak), 20.0 * std::log10(rms)};
}

double LevelStats::LikelyPeak(std::uint64_t stretches, const std::function<double(std::uint64_t)>& gainDbOf) const
{
    const auto gainDb = [&gainDbOf](std::uint64_t index) { return gainDbOf ? gainDbOf(index) : 0.0; };
    double seen = Peak();
    if (gainDbOf) {
        // The largest stretch peak, each at the gain its place is given.
        seen = 0.0;
        for (const auto& [index, level] : m_stretches)
            seen = std::max(seen, std::pow(10.0, (level.m_dPeakDb + gainDb(index)) / 20.0));
    }
    const std::size_t count = m_stretches.size();
    if (seen <= 0.0 || count < 8 || count >= stretches)
        return seen;
    // The crest law, by its moments.
    double mean = 0.0;
    for (const auto& [index, level] : m_stretches)
        mean += level.m_dPeakDb - level.m_dRmsDb;
    mean /= static_cast<double>(count);
    double variance = 0.0;
    for (const auto& [index, level] : m_stretches) {
        const double crest = level.m_dPeakDb - level.m_dRmsDb;
        variance += (crest - mean) * (crest - mean);
    }
    variance /= static_cast<double>(count - 1);
    constexpr double kEulerGamma = 0.5772156649015329;
    const double scale = std::max(std::sqrt(6.0 * variance) / M_PI, 0.01);
    const double location = mean - kEulerGamma * scale;
    // The largest of Gumbel draws located at level + location, each of the
    // same scale, is Gumbel located at location + scale × log Σ e^(level /
    // scale); its median lies log log 2 below... above its location by
    // -scale × log log 2. Summed relative to the loudest level seen, so the
    // exponentials stay in range.
    double loudest = -INFINITY;
    for (const auto& [index, level] : m_stretches)
        loudest = std::max(loudest, level.m_dRmsDb + gainDb(index));
    double sum = 0.0;
    auto next = m_stretches.begin();
    auto before = m_stretches.end();
    for (std::uint64_t j = 0; j < stretches; ++j) {
        while (next != m_stretches.end() && next->first < j) {
            before = next;
            ++next;
        }
        double level = 0.0;
        if (next != m_stretches.end() && next->first == j)
            level = next->second.m_dRmsDb;
        else if (before == m_stretches.end())
            level = next->second.m_dRmsDb;
        else if (next == m_stretches.end())
            level = before->second.m_dRmsDb;
        else {
            const double t = static_cast<double>(j - before->first) / static_cast<double>(next->first - before->first);
            level = before->second.m_dRmsDb + (next->second.m_dRmsDb - before->second.m_dRmsDb) * t;
        }
        sum += std::exp((level + gainDb(j) - loudest) / scale);
    }
    const double largestDb = loudest + location + scale * (std::log(sum) - std::log(std::log(2.0)));
    // The law's tail is longer than a sum of grains' (which is bounded): half
    // way between the peak seen and the law's in decibels came nearest the
    // peak of whole tracks in trials of level-varying scores.
    const double seenDb = 20.0 * std::log10(seen);
    return std::pow(10.0, (seenDb + std::clamp(largestDb, seenDb, seenDb + 6.0)) / 40.0);
}

void LevelStats::AddBlockEnergies(std::span<const float> energies)
{
    // BS.1770's gating blocks: 400 ms, 75 % overlapping.
    constexpr std::size_t kBlocksPerGatingBlock = 4;
    if (energies.size() < kBlocksPerGatingBlock) {
        // A stretch too short for one: its blocks each stand for one.
        m_blockEnergies.insert(m_blockEnergies.end(), energies.begin(), energies.end());
        return;
    }
    for (std::size_t i = 0; i + kBlocksPerGatingBlock <= energies.size(); ++i) {
        float sum = 0.0f;
        for (std::size_t j = 0; j < kBlocksPerGatingBlock; ++j)
            sum += energies[i + j];
        m_blockEnergies.push_back(sum / kBlocksPerGatingBlock);
    }
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
    m_stretches.insert(other.m_stretches.begin(), other.m_stretches.end());
    m_blockEnergies.insert(m_blockEnergies.end(), other.m_blockEnergies.begin(), other.m_blockEnergies.end());
}

double LevelStats::Mean(int channel) const
{
    return m_nFrames == 0 ? 0.0 : m_dSum[channel] / static_cast<double>(m_nFrames);
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
    return GatedLoudnessOf(m_blockEnergies);
}

std::optional<double> GatedLoudnessOf(std::span<const float> blockEnergies)
{
    double sum = 0.0;
    std::size_t count = 0;
    for (const float energy : blockEnergies) {
        if (energy > 0.0f && LoudnessOf(energy) > kAbsoluteGateLufs) {
            sum += energy;
            ++count;
        }
    }
    if (count == 0)
        return blockEnergies.empty() ? std::nullopt : std::optional<double>(-INFINITY);
    const double gate = LoudnessOf(sum / static_cast<double>(count)) + kRelativeGateLu;
    double gated = 0.0;
    std::size_t kept = 0;
    for (const float energy : blockEnergies) {
        if (energy > 0.0f && LoudnessOf(energy) > kAbsoluteGateLufs && LoudnessOf(energy) > gate) {
            gated += energy;
            ++kept;
        }
    }
    return LoudnessOf(gated / static_cast<double>(kept));
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
